// Window helpers of the program: lookup, placement and re-parenting of windows, also of
// windows of other processes.
#pragma once

#include <cstdint>
#include <optional>

#include "app/native_declarations.h"
#include "app/runtime_calls.h"

namespace kv::app {

// Asks the window to close (WM_CLOSE) without waiting.
void PostClose(WindowHandle window);
// The client area's size; both 0 when the query fails. Returns the query's result.
int32_t GetClientSize(WindowHandle window, int32_t* width, int32_t* height);
// Makes `child` a child of `parent` (0: top-level); returns the previous parent.
WindowHandle SetParentWindow(WindowHandle child, WindowHandle parent);
// Moves the window; a value left out keeps the window's current one.
int32_t PlaceWindow(WindowHandle window, std::optional<int32_t> top, std::optional<int32_t> left,
                    std::optional<int32_t> height, std::optional<int32_t> width);
// The first window after `after` below `parent` (0: top-level windows) of this class and
// title; an empty class or title matches any. `declaration` picks which of the program's
// two FindWindowExA declarations is used.
WindowHandle FindChildWindow(NativeIndex declaration, WindowHandle parent, WindowHandle after,
                             const char* className, const char* title);
WindowHandle GetParentWindow(WindowHandle window);
// The id of the process that made the window; 0 when there is no such window.
int32_t GetWindowProcess(WindowHandle window);

}  // namespace kv::app
