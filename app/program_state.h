// The program's globals and the identities of its start window's units.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/runtime_calls.h"
#include "app/start_window.h"

namespace kv::app {

struct ProgramGlobals {
    Text imagePath;                   // the single command-line argument: the image shown
    Text imageName;                   // for a name outside the code page: its stand-in
    std::wstring photoPath;           // a photo reached through the staging folder: its path
    Text stagedPath;                  // and its link or copy there
    std::vector<void*> heldFiles;     // staged files held against other instances' clean-up
    WindowHandle viewerWindow = 0;    // the photo viewer's top-level window
    WindowHandle viewerCanvas = 0;    // its canvas
    WindowHandle navigationPane = 0;  // its navigation pane, host of the start window
    int32_t paneWidth = 0;            // last seen client size of the navigation pane
    int32_t paneHeight = 0;
};

extern ProgramGlobals globals;

// Property numbers the program writes.
constexpr int32_t kVisibleProperty = 5;
constexpr int32_t kWindowBorderProperty = 9;
constexpr int32_t kTimerIntervalProperty = 8;

// Shows a message box with the default caption and no owner.
void ShowMessage(const char* text, int32_t style);
// The message-box style of the program's failure messages: error icon, OK button.
constexpr int32_t kErrorStyle = 16;

}  // namespace kv::app
