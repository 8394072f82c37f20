// A program started by a test, as a user or the shell would start it.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace kv::e2e {

class ChildProcess {
  public:
    // Starts commandLine (GBK bytes, program name first, exactly as a shell would pass it)
    // with CreateProcessA; workingDirectory empty keeps the test's own. Nothing when the
    // program could not be started.
    static std::optional<ChildProcess> Start(const std::string& commandLine,
                                             const std::string& workingDirectory = "");
    // The same with a wide command line (CreateProcessW), as the shell starts programs: it
    // carries characters the code page lacks.
    static std::optional<ChildProcess> Start(const std::wstring& commandLine);

    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&& other) noexcept;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    // A process still running when its test ends is terminated, so no test leaves one.
    ~ChildProcess();

    DWORD id() const { return id_; }
    HANDLE handle() const { return process_; }

    bool IsRunning() const;
    // Waits up to timeoutMs for the process to end; its exit code, or nothing on timeout.
    std::optional<DWORD> WaitForExit(DWORD timeoutMs) const;
    // Ends the process with exitCode and waits for it to be gone.
    void Terminate(UINT exitCode = 1) const;

  private:
    ChildProcess(HANDLE process, DWORD id) : process_(process), id_(id) {}
    void Close();

    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

}  // namespace kv::e2e
