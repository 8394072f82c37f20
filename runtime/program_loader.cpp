// Loading the program information (RuntimeService 6), in its fixed order.
#include <ole2.h>

#include "runtime/forms_link.h"
#include "runtime/memory.h"
#include "runtime/runtime_app.h"
#include "runtime/runtime_error.h"

namespace kv {
namespace {
constexpr char kHiddenOwnerClass[] = "_Kiva_HideOwner";

// Ends the program on the main thread for an end request sent from another thread.
LRESULT CALLBACK HiddenOwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kEndRequest) EndProgram(int32_t(wParam));
    return DefWindowProcA(window, message, wParam, lParam);
}

void SplitProgramPath(RuntimeApp& app) {
    const std::string path = ModuleFileName(nullptr);
    size_t cut = path.rfind('\\');
    if (cut == std::string::npos) {
        app.programDirectory.clear();
        app.programFileName = path;
    } else {
        app.programDirectory = path.substr(0, cut);
        app.programFileName = path.substr(cut + 1);
    }
    // A bare drive ("C:") as current directory would mean that drive's current directory,
    // not its root.
    std::string current = app.programDirectory;
    if (current.size() == 2 && current[1] == ':') current += '\\';
    if (!current.empty()) SetCurrentDirectoryA(current.c_str());
}

HWND CreateHiddenOwner() {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = HiddenOwnerProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    windowClass.lpszClassName = kHiddenOwnerClass;
    RegisterClassA(&windowClass);
    return CreateWindowExA(WS_EX_TOOLWINDOW, kHiddenOwnerClass, "", 0, 0, 0, 0, 0, nullptr, nullptr,
                           instance, nullptr);
}
}  // namespace

void LoadProgramInformation() {
    RuntimeApp& app = App();
    const ProgramInfo& info = kvProgramInfo;
    // 1. The heap is the process's default heap (see heap_win32.cpp).
    // 2.
    app.buildKind = info.buildKind;
    app.word1 = info.word1;
    app.word2 = info.word2 + 1;
    // 3.
    if (!app.oleInitialized && SUCCEEDED(OleInitialize(nullptr))) app.oleInitialized = true;
    // 4.
    SplitProgramPath(app);
    // 5.
    app.hiddenOwner = CreateHiddenOwner();
    // 6.
    app.mainThread = GetCurrentThreadId();
    // 7.
    if (info.constantLength > 0) SetConstantBlock(info.constantBlock, info.constantLength);
    // 8.
    if (info.nativeCount > 0) {
        app.natives.Resize(info.nativeCount);
        for (uint32_t i = 0; i < info.nativeCount; ++i) {
            app.natives.dllNames[i] = info.nativeDllNames[i];
            app.natives.functionNames[i] = info.nativeFunctionNames[i];
        }
    }
    // 9.
    RegisterLibraries(info);
    // 10.
    if (info.formTemplateLength > 0 &&
        !forms::ReadTemplateBlock(info.formTemplateBlock, info.formTemplateLength, info.codeBase))
        ReportRuntimeError(errtext::kTemplateBlock, 0);
}

}  // namespace kv
