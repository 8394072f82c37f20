#include "app/window_helpers.h"

namespace kv::app {
namespace {

constexpr uint32_t kCloseMessage = 0x10;

// A window rectangle as the window functions fill it.
struct Rect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
};

}  // namespace

void PostClose(WindowHandle window) {
    CallNative<int32_t>(kPostMessage, window, kCloseMessage, uintptr_t(0), intptr_t(0));
}

int32_t GetClientSize(WindowHandle window, int32_t* width, int32_t* height) {
    Rect rect;
    const int32_t result = CallNative<int32_t>(kGetClientRect, window, &rect);
    *width = rect.right;
    *height = rect.bottom;
    return result;
}

WindowHandle SetParentWindow(WindowHandle child, WindowHandle parent) {
    return CallNative<WindowHandle>(kSetParent, child, parent);
}

int32_t PlaceWindow(WindowHandle window, std::optional<int32_t> top, std::optional<int32_t> left,
                    std::optional<int32_t> height, std::optional<int32_t> width) {
    Rect rect;
    CallNative<int32_t>(kGetWindowRect, window, &rect);
    return CallNative<int32_t>(kMoveWindow, window, left.value_or(rect.left),
                               top.value_or(rect.top), width.value_or(rect.right - rect.left),
                               height.value_or(rect.bottom - rect.top), int32_t(1));
}

WindowHandle FindChildWindow(NativeIndex declaration, WindowHandle parent, WindowHandle after,
                             const char* className, const char* title) {
    return CallNative<WindowHandle>(declaration, parent, after, NativeText(className),
                                    NativeText(title));
}

WindowHandle GetParentWindow(WindowHandle window) {
    return CallNative<WindowHandle>(kGetParent, window);
}

int32_t GetWindowProcess(WindowHandle window) {
    uint32_t process = 0;
    CallNative<uint32_t>(kGetWindowThreadProcessId, window, &process);
    return int32_t(process);
}

}  // namespace kv::app
