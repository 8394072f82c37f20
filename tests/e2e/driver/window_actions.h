// What a user does to windows of another process. Every action posts or sends messages
// that a real mouse or the window manager would cause.
#pragma once

#include <windows.h>

namespace kv::e2e {

enum class ClickMethod {
    kMouse,    // posted WM_LBUTTONDOWN and WM_LBUTTONUP at the button's centre
    kBmClick,  // BM_CLICK, posted: the button presses itself
};

// Clicks a push button. Posting never blocks the test, even when the click makes the
// other program show a modal box. False when the messages could not be posted.
bool ClickButton(HWND button, ClickMethod method = ClickMethod::kMouse);

// Asks the window to close (WM_CLOSE, posted).
bool PostClose(HWND window);

// Changes the outer size, keeping the position; the owner thread gets WM_SIZE as usual.
bool ResizeWindow(HWND window, int width, int height);
// Moves the window (relative to its parent's client area, or the screen when top-level).
bool MoveWindowTo(HWND window, int left, int top);

}  // namespace kv::e2e
