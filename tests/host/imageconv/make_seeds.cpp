// Writes the fuzz seed inputs into the folder named on the command line.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "tests/host/imageconv/seed_images.h"
#include "tests/host/imageconv/test_images.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    mkdir(dir.c_str(), 0755);
    const std::string scratch = dir + "/.scratch";
    mkdir(scratch.c_str(), 0755);
    int written = 0;
    for (const auto& [name, bytes] : kv::imageconv::test::SeedImages(scratch)) {
        if (!kv::imageconv::test::WriteFile(dir + "/" + name, bytes)) return 1;
        remove((scratch + "/" + name).c_str());
        ++written;
    }
    rmdir(scratch.c_str());
    printf("%d seeds in %s\n", written, dir.c_str());
    return 0;
}
