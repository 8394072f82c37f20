// Finding and describing windows of other processes. Class names and titles are GBK
// bytes; Windows converts the wide titles of other programs to the test's code page.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace kv::e2e {

// What a test checks about one window.
struct WindowInfo {
    HWND handle = nullptr;
    std::string className;
    std::string title;
    RECT screenRect = {};  // window rectangle in screen coordinates
    RECT clientRect = {};  // client area: left and top are 0, right and bottom the size
    // The window rectangle relative to the parent's client area (screen coordinates for a
    // top-level window).
    RECT rectInParent = {};
    HWND parent = nullptr;  // GetAncestor(GA_PARENT); nullptr for a top-level window
    HWND owner = nullptr;   // GetWindow(GW_OWNER)
    LONG_PTR style = 0;
    LONG_PTR exStyle = 0;
    DWORD processId = 0;
    DWORD threadId = 0;
    bool visible = false;  // IsWindowVisible: the window and all its ancestors are shown
    int controlId = 0;     // GetDlgCtrlID, meaningful for child windows
};

// Reads everything above at once; handle is nullptr when window no longer exists.
WindowInfo DescribeWindow(HWND window);
std::string ClassNameOf(HWND window);
std::string TitleOf(HWND window);

// Top-level window of exactly this class and title (FindWindowExA); nullptr when none.
// An empty title matches any title.
HWND FindTopWindow(const std::string& className, const std::string& title);
// The same, retried until found or timeoutMs has passed.
HWND WaitForTopWindow(const std::string& className, const std::string& title, DWORD timeoutMs);

// The first direct child of parent with this class (and title, when not empty).
HWND FindChild(HWND parent, const std::string& className, const std::string& title = "");

// Direct children of parent in Z order (parent nullptr: every top-level window).
std::vector<HWND> ChildWindows(HWND parent);
// Top-level windows that belong to the process, visible or not.
std::vector<HWND> TopWindowsOfProcess(DWORD processId);

// Windows inside root (at any depth) that belong to the process: a window another
// program has attached to one of root's windows.
std::vector<HWND> DescendantsOfProcess(HWND root, DWORD processId);

// The point (left, top) of the window's rectangle inside its parent's client area.
POINT PositionInParent(HWND window);

}  // namespace kv::e2e
