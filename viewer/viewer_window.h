// The viewer's windows: a top-level frame titled with the image's file name, the canvas
// that draws the image and the navigation pane along the bottom edge.
#pragma once

#include <windows.h>

namespace kv::viewer {

// Height of the navigation pane in pixels; the pane spans the frame's whole width.
constexpr int kNavigationPaneHeight = 64;

// Shows the image at path in a window of its own (the window at once, the image once a
// thread of its own has read it) and pumps messages until the user closes it. A path that
// names no existing file (or a folder) shows no window at all and returns at once, so a
// launcher given a wrong path ends without leaving anything behind.
void RunViewer(const wchar_t* path, int showCommand);

}  // namespace kv::viewer
