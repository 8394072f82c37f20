// Runs a command as a child process and measures its wall time and peak resident memory.
#pragma once

#include <string>
#include <vector>

namespace kv::imageconv::bench {

struct RunStats {
    bool ok = false;           // started and exited with status 0
    double seconds = 0;        // wall time, start to exit
    double peakMegabytes = 0;  // the child's maximum resident set
};

// `output`, when given, gets what the command writes to its standard output.
RunStats RunCommand(const std::vector<std::string>& argv, std::string* output = nullptr);

}  // namespace kv::imageconv::bench
