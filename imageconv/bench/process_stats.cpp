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
    int pipeEnds[2] = {-1, -1};
    if (output && pipe(pipeEnds) != 0) return stats;
    timespec start, end;
    clock_gettime(CLOCK_MONOTONIC, &start);
    const pid_t child = fork();
    if (child < 0) return stats;
    if (child == 0) {
        const int devnull = open("/dev/null", O_WRONLY);
        if (devnull >= 0) {
            dup2(output ? pipeEnds[1] : devnull, STDOUT_FILENO);
            dup2(devnull, STDERR_FILENO);
        }
        execvp(args[0], args.data());
        _exit(127);
    }
    if (output) {
        close(pipeEnds[1]);
        char buffer[4096];
        ssize_t n;
        while ((n = read(pipeEnds[0], buffer, sizeof buffer)) > 0)
            output->append(buffer, size_t(n));
        close(pipeEnds[0]);
    }
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child) return stats;
    clock_gettime(CLOCK_MONOTONIC, &end);
    stats.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    stats.seconds = double(end.tv_sec - start.tv_sec) + double(end.tv_nsec - start.tv_nsec) / 1e9;
    stats.peakMegabytes = double(usage.ru_maxrss) / 1024.0;
    return stats;
}

}  // namespace kv::imageconv::bench
