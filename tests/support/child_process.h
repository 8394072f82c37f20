// Runs a program as a child process with its standard output captured in a file.
#pragma once

#include <windows.h>

#include <string>

namespace kv::test {

class ChildProcess {
  public:
    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    // Kills the child if it is still running.
    ~ChildProcess();

    // Starts `program` with `arguments` (the command line is "program" arguments).
    bool Start(const std::string& program, const std::string& arguments);
    DWORD ProcessId() const { return info_.dwProcessId; }
    // The exit code, or STILL_ACTIVE when the child did not end within `timeoutMs` (it is
    // then killed).
    DWORD Wait(DWORD timeoutMs);
    // Everything the child wrote to its standard output so far.
    std::string Output() const;

  private:
    PROCESS_INFORMATION info_{};
    std::string outputPath_;
};

// The folder of the running program, with trailing "\".
std::string ProgramFolder();

}  // namespace kv::test
