#include "imageconv/bench/process_stats.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ctime>

namespace kv::imageconv::bench {

RunStats RunCommand(const std::vector<std::string>& argv, std::string* output) {
    RunStats stats;
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    // The output goes to a file, read once the command has ended: a pipe would stay open as
    // long as any process the command left behind (Wine's services) holds it.
    char outputPath[] = "/tmp/bench-output-XXXXXX";
    const int outputFile = output ? mkstemp(outputPath) : -1;
    if (output && outputFile < 0) return stats;
    timespec start, end;
    clock_gettime(CLOCK_MONOTONIC, &start);
    const pid_t child = fork();
    if (child < 0) return stats;
    if (child == 0) {
        const int devnull = open("/dev/null", O_WRONLY);
        if (devnull >= 0) {
            dup2(output ? outputFile : devnull, STDOUT_FILENO);
            dup2(devnull, STDERR_FILENO);
        }
        execvp(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    const bool ended = wait4(child, &status, 0, &usage) == child;
    if (output) {
        char buffer[4096];
        ssize_t n;
        while ((n = pread(outputFile, buffer, sizeof buffer, off_t(output->size()))) > 0) {
            output->append(buffer, size_t(n));
        }
        close(outputFile);
        unlink(outputPath);
    }
    if (!ended) return stats;
    clock_gettime(CLOCK_MONOTONIC, &end);
    stats.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    stats.seconds = double(end.tv_sec - start.tv_sec) + double(end.tv_nsec - start.tv_nsec) / 1e9;
    stats.peakMegabytes = double(usage.ru_maxrss) / 1024.0;
    return stats;
}

}  // namespace kv::imageconv::bench
