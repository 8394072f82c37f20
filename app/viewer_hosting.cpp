#include "app/viewer_hosting.h"

#include "app/constants.h"
#include "app/path_helpers.h"
#include "app/program_state.h"
#include "app/timing_trace.h"
#include "app/wait_with_events.h"
#include "app/window_helpers.h"
#include "corelib/commands.h"

namespace kv::app {
namespace {

constexpr int32_t kSearchAttempts = 10;
constexpr double kSearchIntervalMs = 1000;
constexpr int32_t kHostOffset = 10;
constexpr int32_t kHostTimerIntervalMs = 500;
constexpr int32_t kNormalActivated = 2;
constexpr int32_t kWindowsFolder = 9;
constexpr int32_t kGetSpecialFolderEntry = 0;

ArgValue StartWindow() {
    return UnitArg(kStartWindowFormId, kStartWindowUnitId);
}

WindowHandle StartWindowHandle() {
    return WindowHandle(CoreCommand(core::kGetWindowHandle, {StartWindow()}).value.i32);
}

// The viewer's top-level window titled with the file name and the viewer's suffix that the
// viewer process this instance started opened: a viewer of another instance showing a file
// of the same name is passed over. Looked up through the `FindWindowExA` declaration
// `declaration` (the canvas and the pane searches each have their own).
WindowHandle FindViewerWindow(const char* fileName, NativeIndex declaration) {
    const Text title = Text::Join({fileName, kTexts.viewerTitleSuffix});
    WindowHandle window = 0;
    do {
        window = FindChildWindow(declaration, 0, window, kTexts.viewerClass, title.c_str());
    } while (window && GetWindowProcess(window) != globals.viewerProcess);
    return window;
}

// Makes the start window a child of the navigation pane, shown at (10, 10) in its current
// size, and activates it.
void AttachToNavigationPane() {
    SetParentWindow(StartWindowHandle(), globals.navigationPane);
    WriteUnitProperty(kStartWindowFormId, kStartWindowUnitId, kVisibleProperty, 1);
    PlaceWindow(StartWindowHandle(), kHostOffset, kHostOffset, std::nullopt, std::nullopt);
    CoreCommand(core::kActivateWindow, {StartWindow()});
}

}  // namespace

WindowHandle FindViewerCanvas(const char* fileName) {
    const WindowHandle viewer = FindViewerWindow(fileName, kFindWindowExForCanvas);
    if (!viewer) return 0;
    return FindChildWindow(kFindWindowExForCanvas, viewer, 0, kTexts.canvasClass, "");
}

WindowHandle FindNavigationPane(const char* fileName) {
    const WindowHandle viewer = FindViewerWindow(fileName, kFindWindowExForPane);
    if (!viewer) return 0;
    return FindChildWindow(kFindWindowExForPane, viewer, 0, kTexts.navigationPaneClass,
                           kTexts.navigationPaneTitle);
}

void OpenInViewer(const char* imagePath) {
    WriteUnitProperty(kStartWindowFormId, kStartWindowUnitId, kWindowBorderProperty, 0);

    const Text windowsFolder = Text::Adopt(
        SupportCommand(kOsLibrary, kGetSpecialFolderEntry, {IntArg(kWindowsFolder)}).value.text);
    // The image path goes last and unquoted: the viewer takes the rest of the line as it is.
    const Text commandLine =
        Text::Join({kTexts.viewerLauncher, windowsFolder.c_str(), kTexts.viewerEntry, imagePath});
    TraceStep("viewer starting");
    CoreCommand(core::kRunProgram,
                {TextArg(commandLine.c_str()), BoolArg(false), IntArg(kNormalActivated),
                 ByAddressArg(&globals.viewerProcess, tag::kInt)});
    TraceStep("viewer started");

    const Text fileName = GetFileNamePart(imagePath, true);
    for (int32_t attempt = 0; attempt < kSearchAttempts; ++attempt) {
        globals.viewerCanvas = FindViewerCanvas(fileName.c_str());
        if (globals.viewerCanvas) break;
        TraceStep("viewer not found yet");
        WaitWithEvents(kSearchIntervalMs, kMilliseconds);
    }
    TraceStep("viewer found");
    globals.viewerWindow = GetParentWindow(globals.viewerCanvas);
    globals.navigationPane = FindNavigationPane(fileName.c_str());
    GetClientSize(globals.navigationPane, &globals.paneWidth, &globals.paneHeight);

    AttachToNavigationPane();
    TraceStep("docked");
    WriteUnitProperty(kStartWindowFormId, kHostTimerUnitId, kTimerIntervalProperty,
                      kHostTimerIntervalMs);
}

void CheckHostLayout() {
    int32_t width = 0;
    int32_t height = 0;
    GetClientSize(globals.navigationPane, &width, &height);
    if (height == globals.paneHeight && width == globals.paneWidth) return;
    globals.paneHeight = height;
    globals.paneWidth = width;
    AttachToNavigationPane();
}

}  // namespace kv::app
