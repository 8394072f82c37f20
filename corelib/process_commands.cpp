// Process and environment commands: starting programs, the program's own arguments,
// directory and file name.
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "corelib/arguments.h"
#include "corelib/command_line.h"
#include "corelib/commands.h"
#include "corelib/system_notify.h"

namespace kv::core {
namespace {

// Show commands of window modes 1 to 6.
constexpr WORD kShowCommands[] = {SW_HIDE,          SW_SHOWNORMAL,     SW_SHOWMINIMIZED,
                                  SW_SHOWMAXIMIZED, SW_SHOWNOACTIVATE, SW_MINIMIZE};
constexpr int32_t kDefaultWindowMode = 2;
constexpr DWORD kInputIdleLimitMs = 1000;

int32_t WindowMode(int32_t count, const ArgValue* args) {
    if (!IsGiven(count, args, 2)) return kDefaultWindowMode;
    const int32_t mode = IntegerArgument(args[2]);
    return mode < 1 ? 1 : mode > 6 ? 6 : mode;
}

void SetKernelText(ArgValue* result, int32_t code) {
    const char* text = reinterpret_cast<const char*>(CallSystemNotify(code));
    SetText(result, text ? text : "");
}

}  // namespace

// The optional fourth argument, an integer variable passed by address, receives the started
// process's id (0 when none started), so that the caller can tell its windows and its end.
void KV_CDECL RunProgram(ArgValue* result, int32_t count, ArgValue* args) {
    SetLogical(result, FALSE);
    int32_t* const processId =
        IsGiven(count, args, 3) ? static_cast<int32_t*>(args[3].value.ptr) : nullptr;
    if (processId) *processId = 0;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = kShowCommands[WindowMode(count, args) - 1];
    // CreateProcessA may write into the command line, so it gets a copy of its own.
    const char* text = TextAt(count, args, 0);
    std::vector<char> commandLine(text, text + strlen(text) + 1);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return;
    }
    if (processId) *processId = int32_t(process.dwProcessId);
    const bool wait = IsGiven(count, args, 1) && args[1].value.i32 != 0;
    if (wait) {
        WaitForSingleObject(process.hProcess, INFINITE);
    } else {
        WaitForInputIdle(process.hProcess, kInputIdleLimitMs);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    SetLogical(result, TRUE);
}

void KV_CDECL GetArguments(ArgValue* /*result*/, int32_t count, ArgValue* args) {
    if (count < 1 || !args[0].value.ptr) return;
    void** variable = static_cast<void**>(args[0].value.ptr);
    CallSystemNotify(sysnotify::kReleaseArray, intptr_t(tag::kText | tag::kArrayBit),
                     reinterpret_cast<intptr_t>(*variable));
    *variable = nullptr;
    *variable = NewTextArray(SplitCommandLine(GetCommandLineA()));
}

void KV_CDECL GetRunDirectory(ArgValue* result, int32_t /*count*/, ArgValue* /*args*/) {
    SetKernelText(result, sysnotify::kProgramDirectory);
}

void KV_CDECL GetProgramFileName(ArgValue* result, int32_t /*count*/, ArgValue* /*args*/) {
    SetKernelText(result, sysnotify::kProgramFileName);
}

}  // namespace kv::core
