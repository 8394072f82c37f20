// Hosting the start window inside the photo viewer: the viewer is started on the image in a
// process of its own, found by class and title, and the start window becomes a borderless
// child of its navigation pane; a 500 ms timer keeps it there when the layout changes.
#pragma once

#include "app/runtime_calls.h"

namespace kv::app {

void OpenInViewer(const char* imagePath);
// The canvas / navigation pane of the viewer window showing `fileName`; 0 when not found.
WindowHandle FindViewerCanvas(const char* fileName);
WindowHandle FindNavigationPane(const char* fileName);
// The timer's tick: re-attaches when the navigation pane's client size changed.
void CheckHostLayout();

}  // namespace kv::app
