#include "tests/e2e/driver/window_query.h"

#include "tests/e2e/driver/polling.h"

namespace kv::e2e {
namespace {

// Window titles and message texts of the programs under test stay far below this.
constexpr int kMaxTextBytes = 8192;

const char* TitleOrAny(const std::string& title) {
    return title.empty() ? nullptr : title.c_str();
}

RECT ToParentClient(HWND parent, RECT rect) {
    if (parent == nullptr) return rect;
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

}  // namespace

std::string ClassNameOf(HWND window) {
    char name[256];
    const int length = GetClassNameA(window, name, sizeof name);
    return std::string(name, length > 0 ? length : 0);
}

std::string TitleOf(HWND window) {
    std::string text(kMaxTextBytes, '\0');
    const int length = GetWindowTextA(window, text.data(), kMaxTextBytes);
    text.resize(length > 0 ? length : 0);
    return text;
}

WindowInfo DescribeWindow(HWND window) {
    WindowInfo info;
    if (!IsWindow(window)) return info;
    info.handle = window;
    info.className = ClassNameOf(window);
    info.title = TitleOf(window);
    GetWindowRect(window, &info.screenRect);
    GetClientRect(window, &info.clientRect);
    const HWND parent = GetAncestor(window, GA_PARENT);
    info.parent = parent == GetDesktopWindow() ? nullptr : parent;
    info.rectInParent = ToParentClient(info.parent, info.screenRect);
    info.owner = GetWindow(window, GW_OWNER);
    info.style = GetWindowLongPtrA(window, GWL_STYLE);
    info.exStyle = GetWindowLongPtrA(window, GWL_EXSTYLE);
    info.threadId = GetWindowThreadProcessId(window, &info.processId);
    info.visible = IsWindowVisible(window) != FALSE;
    info.controlId = GetDlgCtrlID(window);
    return info;
}

HWND FindTopWindow(const std::string& className, const std::string& title) {
    return FindWindowExA(nullptr, nullptr, className.c_str(), TitleOrAny(title));
}

HWND WaitForTopWindow(const std::string& className, const std::string& title, DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil(timeoutMs, [&] {
        found = FindTopWindow(className, title);
        return found != nullptr;
    });
    return found;
}

HWND FindChild(HWND parent, const std::string& className, const std::string& title) {
    return FindWindowExA(parent, nullptr, className.c_str(), TitleOrAny(title));
}

std::vector<HWND> ChildWindows(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = FindWindowExA(parent, nullptr, nullptr, nullptr); child != nullptr;
         child = FindWindowExA(parent, child, nullptr, nullptr)) {
        children.push_back(child);
    }
    return children;
}

std::vector<HWND> TopWindowsOfProcess(DWORD processId) {
    std::vector<HWND> windows;
    for (HWND window : ChildWindows(nullptr)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == processId) windows.push_back(window);
    }
    return windows;
}

std::vector<HWND> DescendantsOfProcess(HWND root, DWORD processId) {
    std::vector<HWND> found;
    for (HWND child : ChildWindows(root)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(child, &owner);
        if (owner == processId) found.push_back(child);
        for (HWND inner : DescendantsOfProcess(child, processId)) found.push_back(inner);
    }
    return found;
}

POINT PositionInParent(HWND window) {
    const RECT rect = DescribeWindow(window).rectInParent;
    return POINT{rect.left, rect.top};
}

}  // namespace kv::e2e
