// The program's globals and the identities of its start window's units.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/runtime_calls.h"
#include "app/start_window.h"

namespace kv::app {

struct ProgramGlobals {
    Text imagePath;                     // the single command-line argument: the image shown
    std::wstring photoPath;             // the photo's whole path, as the shell gave it
    Text imageName;                     // the name its files in the staging folder are named after
    bool hashedNames = false;           // whether those names always carry the photo's hash
    bool throughStagingFolder = false;  // the photo is reached through a stand-in there
    Text stagedPath;                    // that stand-in, a link or copy, once held
    std::vector<void*> heldFiles;       // staged files held against other instances' clean-up
    bool handingOver = false;           // a converted bitmap is being handed to the installed copy
    int32_t viewerProcess = 0;          // the process of the photo viewer this instance started
    WindowHandle viewerWindow = 0;      // the photo viewer's top-level window
    WindowHandle viewerCanvas = 0;      // its canvas
    WindowHandle navigationPane = 0;    // its navigation pane, host of the start window
    int32_t paneWidth = 0;              // last seen client size of the navigation pane
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
