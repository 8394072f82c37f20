#include "tests/win/app/test_program.h"

#include <windows.h>

#include "app/constants.h"
#include "app/native_declarations.h"
#include "corelib/library_info.h"
#include "imageconv/library_info.h"
#include "oslib/folder_lookup.h"

namespace kv::test {
namespace {

int received = 0;

LRESULT CALLBACK CountingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_USER) {
        ++received;
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

const char kCounterClass[] = "KvMessageCounter";

}  // namespace

MessageCounter::MessageCounter() {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = CountingProcedure;
    windowClass.lpszClassName = kCounterClass;
    RegisterClassA(&windowClass);
    window_ = CreateWindowExA(0, kCounterClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                              nullptr);
    received = 0;
}

MessageCounter::~MessageCounter() {
    DestroyWindow(static_cast<HWND>(window_));
}

void MessageCounter::Post() const {
    PostMessageA(static_cast<HWND>(window_), WM_USER, 0, 0);
}

int MessageCounter::Received() const {
    return received;
}

}  // namespace kv::test

namespace {
const kv::LibraryInfo* const kLibraries[] = {&kv::core::kCoreLibraryInfo, &kv::os::kOsLibraryInfo,
                                             &kv::imageconv::ImageConvLibraryInfo()};
}  // namespace

// The declarations come from the test program itself: the program's own table, or one
// with some functions replaced (KV_NATIVE_DLL_NAMES / KV_NATIVE_FUNCTION_NAMES).
extern "C" const char* const* const kvTestDllNames;
extern "C" const char* const* const kvTestFunctionNames;

extern "C" const kv::ProgramInfo kvProgramInfo = {
    3,
    0,
    0,
    0,
    kvConstantBlockStart,
    uint32_t(kvConstantBlockEnd - kvConstantBlockStart),
    nullptr,
    0,
    3,
    kLibraries,
    kv::app::kNativeDeclarationCount,
    kvTestDllNames,
    kvTestFunctionNames,
};

extern "C" int kvProgramEntry() {
    return 0;
}
