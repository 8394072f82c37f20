#include "tests/win/runtime/test_forms.h"

#include <algorithm>
#include <vector>

#include "runtime/com_link.h"
#include "runtime/forms_link.h"
#include "runtime/kernel.h"

namespace kv::test {
namespace {
constexpr uint32_t kStartFormId = 1;
bool templatesBroken = false;
std::vector<HWND> loadedWindows;

LRESULT CALLBACK TestWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCDESTROY) {
        loadedWindows.erase(std::remove(loadedWindows.begin(), loadedWindows.end(), window),
                            loadedWindows.end());
        if (!forms::AnyLoadedWindowExists() && MessageLoopEntered()) PostQuitMessage(0);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
}  // namespace

void BreakTemplateBlock() {
    templatesBroken = true;
}

HWND StartWindow() {
    return loadedWindows.empty() ? nullptr : loadedWindows.front();
}

}  // namespace kv::test

namespace kv::forms {

bool ReadTemplateBlock(const void*, uint32_t, uintptr_t) {
    return !test::templatesBroken;
}

void ReleaseTemplates() {}

bool LoadStartWindow(uint32_t formId) {
    if (formId != test::kStartFormId) return false;
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = test::TestWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "KvTestWindow";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, "KvTestWindow", "test", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                                  nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!window) return false;
    test::loadedWindows.push_back(window);
    return true;
}

bool AnyLoadedWindowExists() {
    for (HWND window : test::loadedWindows)
        if (IsWindow(window)) return true;
    return false;
}

void DestroyLoadedWindows() {
    std::vector<HWND> windows = test::loadedWindows;
    for (HWND window : windows) DestroyWindow(window);
    test::loadedWindows.clear();
}

bool FireIdleEvents(uint32_t) {
    return false;
}
void BeginIdlePeriod() {}
intptr_t UnitService(int32_t, intptr_t, intptr_t) {
    return 0;
}
int64_t KV_CDECL ReadUnitProperty(uint32_t, uint32_t, int32_t, int32_t) {
    return 0;
}
void KV_CDECL WriteUnitProperty(uint32_t, uint32_t, int32_t, int32_t, uint32_t, uint32_t) {}
int64_t ReadLibraryTypeProperty(TypeTag, void*, int32_t, int32_t) {
    return 0;
}
void WriteLibraryTypeProperty(TypeTag, void*, int32_t, TypeTag, uint32_t, uint32_t) {}

}  // namespace kv::forms

namespace kv::com {
void ReleaseObjectValue(void** value) {
    value[0] = value[1] = nullptr;
}
}  // namespace kv::com
