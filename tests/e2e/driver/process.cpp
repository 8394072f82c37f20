#include "tests/e2e/driver/process.h"

#include <vector>

namespace kv::e2e {

std::optional<ChildProcess> ChildProcess::Start(const std::string& commandLine,
                                                const std::string& workingDirectory) {
    // CreateProcessA may write into the command line, so it gets a copy of its own.
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        workingDirectory.empty() ? nullptr : workingDirectory.c_str(), &startup,
                        &info)) {
        return std::nullopt;
    }
    CloseHandle(info.hThread);
    return ChildProcess(info.hProcess, info.dwProcessId);
}

std::optional<ChildProcess> ChildProcess::Start(const std::wstring& commandLine) {
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
        return std::nullopt;
    }
    CloseHandle(info.hThread);
    return ChildProcess(info.hProcess, info.dwProcessId);
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : process_(other.process_), id_(other.id_) {
    other.process_ = nullptr;
    other.id_ = 0;
}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
    if (this != &other) {
        Close();
        process_ = other.process_;
        id_ = other.id_;
        other.process_ = nullptr;
        other.id_ = 0;
    }
    return *this;
}

ChildProcess::~ChildProcess() {
    Close();
}

void ChildProcess::Close() {
    if (process_ == nullptr) return;
    if (IsRunning()) Terminate();
    CloseHandle(process_);
    process_ = nullptr;
}

bool ChildProcess::IsRunning() const {
    return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> ChildProcess::WaitForExit(DWORD timeoutMs) const {
    if (process_ == nullptr || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) {
        return std::nullopt;
    }
    DWORD code = 0;
    if (!GetExitCodeProcess(process_, &code)) return std::nullopt;
    return code;
}

void ChildProcess::Terminate(UINT exitCode) const {
    if (process_ == nullptr) return;
    TerminateProcess(process_, exitCode);
    WaitForSingleObject(process_, 5000);
}

}  // namespace kv::e2e
