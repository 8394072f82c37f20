// run_viewer PROGRAM IMAGE READY_FILE
// Runs PROGRAM on IMAGE as the system runs the program associated with an image (one
// quoted argument) and drives it as a user would: acknowledges its message boxes (printing
// them), waits for the photo viewer's window for IMAGE, prints where the program's window
// is docked and the viewer's window tree, creates READY_FILE and waits until it is removed
// (the caller takes a screenshot meanwhile), then closes the viewer and prints the
// program's exit code. Exit code: the program's, or 1 when the run went wrong.
#include <windows.h>

#include <cstdio>
#include <string>

#include "tests/e2e/driver/files.h"
#include "tests/e2e/driver/message_box.h"
#include "tests/e2e/driver/polling.h"
#include "tests/e2e/driver/process.h"
#include "tests/e2e/driver/window_actions.h"
#include "tests/e2e/driver/window_query.h"
#include "tests/e2e/driver/window_tree.h"

namespace {

using namespace kv::e2e;

constexpr DWORD kViewerSearchMs = 30000;  // the program itself searches for about 10 s
constexpr DWORD kDockMs = 5000;
constexpr DWORD kScreenshotMs = 60000;
constexpr DWORD kExitMs = 20000;

// Presses OK on a message box of the program, printing it first. True when one was shown.
bool AcknowledgeMessageBox(const ChildProcess& program) {
    const std::optional<MessageBoxInfo> box = FindMessageBox(program.id());
    if (!box) return false;
    std::printf("message box \"%s\": %s\n", box->caption.c_str(), box->text.c_str());
    PressMessageBoxButton(box->dialog, IDOK);
    WaitForWindowGone(box->dialog, 5000);
    return true;
}

std::string FileNamePart(const std::string& path) {
    const size_t separator = path.find_last_of("\\/:");
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

HWND WaitForViewer(const ChildProcess& program, const std::string& title) {
    HWND viewer = nullptr;
    WaitUntil(kViewerSearchMs, [&] {
        AcknowledgeMessageBox(program);
        viewer = FindTopWindow("Photo_Lightweight_Viewer", title);
        return viewer != nullptr || !program.IsRunning();
    });
    return viewer;
}

void ReportDocking(const ChildProcess& program, HWND viewer) {
    HWND pane = FindChild(viewer, "Photos_NavigationPane", "导航窗格");
    std::vector<HWND> docked;
    WaitUntil(kDockMs, [&] {
        docked = DescendantsOfProcess(pane, program.id());
        return !docked.empty();
    });
    if (docked.empty()) {
        std::printf("the program's window is not docked in the navigation pane\n");
        return;
    }
    // The program re-parents first and places the window right after: report where it
    // settles, not the moment it arrives.
    WaitUntil(kDockMs, [&] { return DescribeWindow(docked.front()).rectInParent.left == 10; });
    const WindowInfo window = DescribeWindow(docked.front());
    std::printf(
        "docked: \"%s\" window of the program, child of the navigation pane at (%ld,%ld), "
        "size %ldx%ld\n",
        window.className.c_str(), window.rectInParent.left, window.rectInParent.top,
        window.screenRect.right - window.screenRect.left,
        window.screenRect.bottom - window.screenRect.top);
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc != 4) {
        std::fprintf(stderr, "usage: run_viewer PROGRAM IMAGE READY_FILE\n");
        return 1;
    }
    const std::string image = argv[2];
    const std::string readyFile = argv[3];
    std::optional<ChildProcess> program =
        ChildProcess::Start("\"" + std::string(argv[1]) + "\" \"" + image + "\"");
    if (!program) {
        std::fprintf(stderr, "run_viewer: cannot start %s\n", argv[1]);
        return 1;
    }
    const std::string title = FileNamePart(image) + " - Windows 照片查看器";
    HWND viewer = WaitForViewer(*program, title);
    if (viewer == nullptr) {
        std::printf("no viewer window \"%s\" appeared\n", title.c_str());
    } else {
        std::printf("viewer window \"%s\" found\n", title.c_str());
        ReportDocking(*program, viewer);
        std::printf("window tree of the viewer:\n%s", FormatWindowTree(viewer).c_str());
    }

    WriteFileBytes(readyFile, "ready\n");
    WaitUntil(kScreenshotMs, [&] { return !FileExists(readyFile); });

    if (viewer != nullptr) PostClose(viewer);
    std::optional<DWORD> exitCode;
    WaitUntil(kExitMs, [&] {
        AcknowledgeMessageBox(*program);
        exitCode = program->WaitForExit(0);
        return exitCode.has_value();
    });
    if (!exitCode) {
        std::printf("the program did not end within %lu s; stopped it\n", kExitMs / 1000);
        return 1;
    }
    std::printf("the program ended with exit code %ld\n", static_cast<long>(*exitCode));
    return static_cast<int>(*exitCode);
}
