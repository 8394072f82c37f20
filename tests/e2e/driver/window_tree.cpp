#include "tests/e2e/driver/window_tree.h"

#include <cstdio>

#include "tests/e2e/driver/window_query.h"

namespace kv::e2e {
namespace {

std::string Handle(HWND window) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%llx",
                  static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(window)));
    return text;
}

std::string StyleNotes(const WindowInfo& info) {
    std::string notes;
    notes += (info.style & WS_CHILD) ? "child" : (info.style & WS_POPUP) ? "popup" : "overlapped";
    notes += info.visible ? " visible" : " hidden";
    if (!(info.style & (WS_CAPTION | WS_BORDER | WS_THICKFRAME | WS_DLGFRAME)))
        notes += " borderless";
    return notes;
}

void Describe(HWND window, int depth, std::string& out) {
    const WindowInfo info = DescribeWindow(window);
    if (info.handle == nullptr) return;
    char line[512];
    std::snprintf(line, sizeof line,
                  " screen (%ld,%ld)-(%ld,%ld) at (%ld,%ld) in parent, size %ldx%ld, client "
                  "%ldx%ld, parent %s, pid %lu, %s\n",
                  info.screenRect.left, info.screenRect.top, info.screenRect.right,
                  info.screenRect.bottom, info.rectInParent.left, info.rectInParent.top,
                  info.screenRect.right - info.screenRect.left,
                  info.screenRect.bottom - info.screenRect.top, info.clientRect.right,
                  info.clientRect.bottom, Handle(info.parent).c_str(),
                  static_cast<unsigned long>(info.processId), StyleNotes(info).c_str());
    out += std::string(2 * depth, ' ') + Handle(window) + " class \"" + info.className +
           "\" title \"" + info.title + "\"" + line;
    for (HWND child : ChildWindows(window)) Describe(child, depth + 1, out);
}

}  // namespace

std::string FormatWindowTree(HWND root) {
    std::string out;
    Describe(root, 0, out);
    return out;
}

}  // namespace kv::e2e
