#include "tests/win/forms/test_kernel.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

#include "forms/form_registry.h"
#include "forms/template_reader.h"
#include "forms/template_writer.h"
#include "forms/unit_type.h"
#include "framework/window.h"
#include "runtime/forms_link.h"
#include "runtime/kernel.h"
#include "runtime/library.h"

namespace kv {
namespace {

uint32_t buildKind = 3;
bool loopEntered = false;
HWND hiddenOwner = nullptr;

const LibraryInfo* CoreLibrary() {
    static UnitTypeRecord types[unittype::kCoreTypeCount] = {};
    static LibraryInfo info = {};
    if (!info.dataTypes) {
        types[0] = forms::kWindowUnitType;
        types[10] = forms::kButtonUnitType;
        types[31] = forms::kTimerUnitType;
        info.formatNumber = kLibraryFormatNumber;
        info.dataTypeCount = unittype::kCoreTypeCount;
        info.dataTypes = types;
    }
    return &info;
}

}  // namespace

intptr_t KV_STDCALL SystemNotify(int32_t code, intptr_t p1, intptr_t p2) {
    switch (code) {
        case sysnotify::kAllocate:
            return reinterpret_cast<intptr_t>(HeapAlloc(GetProcessHeap(), 0, SIZE_T(p1 ? p1 : 1)));
        case sysnotify::kRelease:
            if (p1) HeapFree(GetProcessHeap(), 0, reinterpret_cast<void*>(p1));
            return 0;
        case sysnotify::kProcessMessages:
            test::PumpPending();
            return 0;
        case sysnotify::kReportError:
            ReportRuntimeError(reinterpret_cast<const char*>(p1), 0);
        case sysnotify::kEndProgram:
            EndProgram(int32_t(p1));
        case sysnotify::kBuildKind:
            return intptr_t(buildKind);
        default:
            return forms::UnitService(code, p1, p2);
    }
}

void ReportRuntimeError(const char* text, int32_t) {
    ++EventBlockCount();
    std::printf("runtime error: %s\n", text);
    std::fflush(stdout);
    ExitProcess(UINT(-1));
}

void EndProgram(int32_t code) {
    ++EventBlockCount();
    forms::ReleaseTemplates();
    forms::DestroyLoadedWindows();
    std::fflush(stdout);
    ExitProcess(UINT(code));
}

int32_t& EventBlockCount() {
    static int32_t count = 0;
    return count;
}

uint32_t BuildKind() {
    return buildKind;
}
bool MessageLoopEntered() {
    return loopEntered;
}

HWND HiddenOwnerWindow() {
    if (!hiddenOwner) {
        WNDCLASSA c = {};
        c.lpfnWndProc = DefWindowProcA;
        c.hInstance = GetModuleHandleA(nullptr);
        c.lpszClassName = "_Kiva_HideOwner";
        RegisterClassA(&c);
        hiddenOwner = CreateWindowExA(WS_EX_TOOLWINDOW, "_Kiva_HideOwner", "", 0, 0, 0, 0, 0,
                                      nullptr, nullptr, c.hInstance, nullptr);
    }
    return hiddenOwner;
}

HMODULE ProgramModule() {
    return GetModuleHandleA(nullptr);
}
const char* ProgramDirectory() {
    return "C:\\tests";
}
const char* ProgramFileName() {
    return "forms_test.exe";
}

void RunModalLoop(volatile bool* modalFlag) {
    MSG m;
    while (*modalFlag && GetMessageA(&m, nullptr, 0, 0) > 0) {
        if (!fw::Window::PreTranslateThroughParents(&m)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
    }
}

const LibraryInfo* const* Libraries(int* count) {
    static const LibraryInfo* list[1] = {CoreLibrary()};
    *count = 1;
    return list;
}

bool CallSubroutine(const void* address, const EventArg* args, int count, int64_t* result) {
    if (!address) return false;
    uint32_t w[5] = {};
    for (int i = 0; i < count && i < 5; ++i) w[i] = args[i].value.words[0];
    using Routine = uint64_t (*)(uint32_t, uint32_t, uint32_t, uint32_t, uint32_t);
    uint64_t r =
        reinterpret_cast<Routine>(const_cast<void*>(address))(w[0], w[1], w[2], w[3], w[4]);
    if (result) *result = int64_t(r);
    return true;
}

bool CallSubroutineWords(const void* address, const uint32_t* words, int count, int32_t* result) {
    EventArg args[5] = {};
    for (int i = 0; i < count && i < 5; ++i) args[i].value.words[0] = words[i];
    int64_t r = 0;
    if (!CallSubroutine(address, args, count, &r)) return false;
    if (result) *result = int32_t(r);
    return true;
}

namespace test {
namespace {

void CodeBaseAnchor() {}

std::vector<Call>& CallList() {
    static std::vector<Call> calls;
    return calls;
}
forms::SubroutineResult results[16];

template <int Tag>
uint64_t TaggedHandler(uint32_t a, uint32_t b, uint32_t c, uint32_t, uint32_t) {
    CallList().push_back({Tag, {a, b, c}});
    return results[Tag];
}

template <int... Tags>
const void* HandlerFor(int tag, std::integer_sequence<int, Tags...>) {
    static const void* table[] = {reinterpret_cast<const void*>(&TaggedHandler<Tags>)...};
    return table[tag];
}

}  // namespace

uintptr_t CodeBase() {
    return reinterpret_cast<uintptr_t>(&CodeBaseAnchor);
}
uint32_t HandlerWord(const void* handler) {
    return handler ? uint32_t(reinterpret_cast<uintptr_t>(handler) - CodeBase())
                   : forms::kNoHandlerWord;
}

void InstallForms(const std::vector<std::pair<uint32_t, const forms::FormTemplate*>>& list) {
    forms::DestroyLoadedWindows();
    forms::ReleaseTemplates();
    std::vector<forms::FormToWrite> toWrite;
    for (const auto& [id, form] : list) toWrite.push_back({id, form});
    std::vector<uint8_t> block = forms::WriteTemplateBlock(toWrite);
    forms::ReadTemplateBlock(block.data(), uint32_t(block.size()), CodeBase());
}

void SetBuildKind(uint32_t kind) {
    buildKind = kind;
}

void PumpPending() {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE) && m.message != WM_QUIT) {
        if (!PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) break;
        if (!fw::Window::PreTranslateThroughParents(&m)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
    }
}

void PumpFor(DWORD milliseconds) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        PumpPending();
        Sleep(5);
    }
}

int RunMessageLoop() {
    loopEntered = true;
    if (!forms::AnyLoadedWindowExists()) return 0;
    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0) {
        if (!fw::Window::PreTranslateThroughParents(&m)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
    }
    return m.message == WM_QUIT ? int(m.wParam) : -2;
}

std::vector<Call>& Calls() {
    return CallList();
}

void SetHandlerResult(int tag, forms::SubroutineResult result) {
    results[tag] = result;
}

void ResetHandlers() {
    CallList().clear();
    for (auto& r : results) r = forms::kNoValue;
}

const void* Handler(int tag) {
    return HandlerFor(tag, std::make_integer_sequence<int, 16>());
}

std::vector<int> CalledTags() {
    std::vector<int> tags;
    for (const Call& c : CallList()) tags.push_back(c.tag);
    return tags;
}

ChildResult RunChild(const char* scenario) {
    char path[MAX_PATH], temp[MAX_PATH], outName[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    GetTempPathA(MAX_PATH, temp);
    GetTempFileNameA(temp, "kvf", 0, outName);
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE out = CreateFileA(outName, GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = out;
    si.hStdError = out;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi = {};
    std::string commandLine = std::string("\"") + path + "\"";
    SetEnvironmentVariableA("KV_FORMS_CHILD", scenario);
    BOOL started = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                  nullptr, &si, &pi);
    SetEnvironmentVariableA("KV_FORMS_CHILD", nullptr);
    CloseHandle(out);
    ChildResult result = {DWORD(-2), ""};
    if (started) {
        if (WaitForSingleObject(pi.hProcess, 20000) != WAIT_OBJECT_0) {
            TerminateProcess(pi.hProcess, DWORD(-3));
            WaitForSingleObject(pi.hProcess, 5000);
        }
        GetExitCodeProcess(pi.hProcess, &result.exitCode);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    if (FILE* f = std::fopen(outName, "rb")) {
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) result.output.append(buffer, n);
        std::fclose(f);
    }
    DeleteFileA(outName);
    // The child's standard output is in text mode.
    result.output.erase(std::remove(result.output.begin(), result.output.end(), '\r'),
                        result.output.end());
    return result;
}

}  // namespace test
}  // namespace kv
