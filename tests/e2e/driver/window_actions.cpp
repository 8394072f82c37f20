#include "tests/e2e/driver/window_actions.h"

namespace kv::e2e {

bool ClickButton(HWND button, ClickMethod method) {
    if (!IsWindow(button)) return false;
    if (method == ClickMethod::kBmClick) return PostMessageA(button, BM_CLICK, 0, 0) != FALSE;
    RECT client;
    GetClientRect(button, &client);
    const LPARAM centre = MAKELPARAM(client.right / 2, client.bottom / 2);
    return PostMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, centre) &&
           PostMessageA(button, WM_LBUTTONUP, 0, centre);
}

bool PostClose(HWND window) {
    return PostMessageA(window, WM_CLOSE, 0, 0) != FALSE;
}

bool ResizeWindow(HWND window, int width, int height) {
    return SetWindowPos(window, nullptr, 0, 0, width, height,
                        SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE) != FALSE;
}

bool MoveWindowTo(HWND window, int left, int top) {
    return SetWindowPos(window, nullptr, left, top, 0, 0,
                        SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE) != FALSE;
}

}  // namespace kv::e2e
