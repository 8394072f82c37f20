// A small program on the runtime for the paths that end the process. The scenario is the
// program's single argument; what happens is written to the standard output, one event a
// line, and the parent test checks it with the exit code and any message box.
#include <windows.h>

#include <cstring>
#include <new>
#include <string>

#include "runtime/helper_table.h"
#include "runtime/kernel.h"
#include "tests/win/runtime/test_forms.h"
#include "tests/win/runtime/test_library.h"

namespace {

using kv::RuntimeService;

void Log(const std::string& line) {
    std::string text = line + "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), DWORD(text.size()), &written, nullptr);
}

DWORD mainThread = 0;

void FirstExitRoutine() {
    Log(GetCurrentThreadId() == mainThread ? "exit 1 main" : "exit 1 other");
}
void SecondExitRoutine() {
    Log("exit 2");
}

const char kConstants[] = "constant";
const char kTemplates[] = "TMPL";
const kv::LibraryInfo* const kLibraries[] = {&kv::test::kRecordingLibrary, nullptr,
                                             &kv::test::kSilentLibrary};
const char* const kDllNames[] = {"kvprobe.dll", "", "kvprobe"};
const char* const kFunctionNames[] = {"NoSuchFunction", "NoSuchFunctionAnywhere", "ProbeAdd"};

std::string Scenario() {
    std::string commandLine = GetCommandLineA();
    size_t space = commandLine.rfind(' ');
    return space == std::string::npos ? std::string() : commandLine.substr(space + 1);
}

// Idle routines: R2 on a window that R1 destroys on the first pass; R1 keeps idle passes
// coming by posting itself a message and ends the program on the third pass.
HWND idleVictim = nullptr;
int idlePasses = 0;
void KV_STDCALL VictimIdle(intptr_t parameter) {
    Log("idle victim " + std::to_string(parameter));
}
void KV_STDCALL KeeperIdle(intptr_t) {
    ++idlePasses;
    Log("idle keeper " + std::to_string(idlePasses));
    if (idlePasses == 1) DestroyWindow(idleVictim);
    if (idlePasses == 3) kv::EndProgram(0);
    PostMessageA(kv::test::StartWindow(), WM_NULL, 0, 0);
}

void RegisterIdle(HWND window, kv::IdleRoutine routine, intptr_t parameter) {
    kv::IdleRoutineRecord record{window, routine, parameter};
    kv::SystemNotify(kv::sysnotify::kRegisterIdleRoutine, reinterpret_cast<intptr_t>(&record), 0);
}

// A library command that runs out of memory in its own allocations.
void KV_CDECL ThrowsOutOfMemory(kv::ArgValue*, int32_t, kv::ArgValue*) {
    throw std::bad_alloc();
}

DWORD WINAPI WorkerEnd(void*) {
    kv::EndProgram(5);
    return 0;
}

void RunScenario(const std::string& scenario) {
    if (scenario == "end-code") {
        kv::EndProgram(7);
    } else if (scenario == "no-window") {
        DestroyWindow(kv::test::StartWindow());
    } else if (scenario == "last-window-closes") {
        PostMessageA(kv::test::StartWindow(), WM_CLOSE, 0, 0);
    } else if (scenario == "idle") {
        idleVictim = CreateWindowExA(0, "STATIC", "victim", 0, 0, 0, 10, 10, nullptr, nullptr,
                                     nullptr, nullptr);
        RegisterIdle(kv::test::StartWindow(), KeeperIdle, 0);
        RegisterIdle(kv::test::StartWindow(), VictimIdle, 1);  // same window: not added
        RegisterIdle(idleVictim, VictimIdle, 2);
        RegisterIdle(idleVictim, KeeperIdle, 3);  // same window: not added
    } else if (scenario == "error6") {
        kvHelperTable.reportRuntimeError(6);
    } else if (scenario == "error-text") {
        kv::SystemNotify(kv::sysnotify::kReportError, reinterpret_cast<intptr_t>("测试消息"), 0);
    } else if (scenario == "error-empty") {
        kv::SystemNotify(kv::sysnotify::kReportError, reinterpret_cast<intptr_t>(""), 0);
    } else if (scenario == "native-missing") {
        kv::CallNative<int>(0);
    } else if (scenario == "native-missing-nodll") {
        kv::CallNative<int>(1);
    } else if (scenario == "not-numeric") {
        kv::ArgValue text{};
        text.value.text = const_cast<char*>("12");
        text.type = kv::tag::kText;
        kv::SystemNotify(kv::sysnotify::kNumberAsInteger, reinterpret_cast<intptr_t>(&text), 0);
    } else if (scenario == "command-throws") {
        kvHelperTable.callSupportCommand(ThrowsOutOfMemory, 0, nullptr);
    } else if (scenario == "worker-end") {
        CloseHandle(CreateThread(nullptr, 0, WorkerEnd, nullptr, 0, nullptr));
    } else if (scenario == "program-dir") {
        Log(reinterpret_cast<const char*>(
            kv::SystemNotify(kv::sysnotify::kProgramDirectory, 0, 0)));
        Log(reinterpret_cast<const char*>(kv::SystemNotify(kv::sysnotify::kProgramFileName, 0, 0)));
        char current[MAX_PATH];
        GetCurrentDirectoryA(MAX_PATH, current);
        Log(current);
        kv::EndProgram(0);
    } else if (scenario == "native-wrong-count") {
        // ProbeAdd takes two arguments; with three a stdcall callee leaves one on the stack.
        Log("sum " + std::to_string(kv::CallNative<int>(2, 1, 2, 3)));
        kv::EndProgram(0);
    } else if (scenario == "native-call") {
        Log("sum " + std::to_string(kv::CallNative<int>(2, 40, 2)));
        kv::EndProgram(0);
    }
}

}  // namespace

extern "C" const kv::ProgramInfo kvProgramInfo = {
    3,
    0,
    85146,
    0,
    kConstants,
    sizeof kConstants,
    kTemplates,
    sizeof kTemplates,
    3,
    kLibraries,
    3,
    kDllNames,
    kFunctionNames,
};

extern "C" int kvProgramEntry() {
    mainThread = GetCurrentThreadId();
    kv::test::onLibraryEvent = Log;
    std::string scenario = Scenario();
    if (scenario == "bad-templates") kv::test::BreakTemplateBlock();
    RuntimeService(kv::kLoadProgramInfo);
    RuntimeService(kv::kRegisterExitRoutine, &FirstExitRoutine);
    RuntimeService(kv::kRegisterExitRoutine, &SecondExitRoutine);
    RuntimeService(kv::kRegisterExitRoutine, &FirstExitRoutine);  // already listed
    kvHelperTable.loadStartWindow(scenario == "start-missing" ? 99 : 1);
    RunScenario(scenario);
    kvHelperTable.runMessageLoop();
    Log("loop returned");
    return 0;
}
