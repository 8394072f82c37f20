// A readable dump of a window and everything inside it, for tools and failure messages.
#pragma once

#include <windows.h>

#include <string>

namespace kv::e2e {

// One line per window, children indented under their parent: handle, class, title,
// screen rectangle, position and size in the parent, parent handle and style notes.
// Texts are GBK bytes.
std::string FormatWindowTree(HWND root);

}  // namespace kv::e2e
