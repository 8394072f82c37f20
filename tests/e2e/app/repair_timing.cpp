// repair_timing TRACE_FILE RUNS IMAGE...
// Measures the wait a user has after "修复": for each image (a Unix path), RUNS times, it
// installs the timing build of the program, starts it on a copy of the image in drive D:,
// waits until its window is docked in the viewer, clicks "修复" and waits until the
// relaunched copy's window is docked in the viewer of the bitmap. The programs append their
// steps to TRACE_FILE (TAVI_TIMING_TRACE); the driver adds "user opens <image>" and "user
// clicks <image>" before it starts the program and clicks, and "docked seen" once it sees
// the result. Exit code 0 when every run docked.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/timing_trace.h"
#include "tests/e2e/app/program_session.h"
#include "tests/e2e/driver/files.h"
#include "tests/e2e/driver/polling.h"
#include "tests/e2e/driver/window_actions.h"
#include "tests/e2e/driver/window_query.h"

namespace kv::test {
namespace {

constexpr DWORD kViewerMs = 30000;
constexpr DWORD kExitMs = 15000;
// After the first viewer has drawn its picture, a user takes a moment before the click.
constexpr DWORD kSettleMs = 500;
const std::string kPictures = "D:\\图片\\";
std::string traceFile;

// How many pictures the viewers have drawn so far, by the trace.
size_t PicturesShown() {
    const std::string trace = e2e::ReadFileBytes(traceFile).value_or("");
    size_t count = 0;
    for (size_t at = trace.find(" picture shown\n"); at != std::string::npos;
         at = trace.find(" picture shown\n", at + 1))
        ++count;
    return count;
}

std::string FileNamePart(const std::string& path) {
    return path.substr(path.find_last_of("\\/") + 1);
}

// One click on "修复" for the picture at the Windows path `picture`; false when a step failed.
bool TimeOneRepair(const std::string& picture) {
    e2e::RemoveTree(kInstallFolder);
    e2e::RemoveTree(kPictures);
    CreateDirectoryA(kPictures.c_str(), nullptr);
    CreateDirectoryA(kInstallFolder.c_str(), nullptr);
    const std::string name = FileNamePart(picture);
    const std::string photo = kPictures + name;
    if (!CopyFileA(BuiltProgram().c_str(), kInstalledProgram.c_str(), FALSE) ||
        !CopyFileA(picture.c_str(), photo.c_str(), FALSE)) {
        std::fprintf(stderr, "repair_timing: cannot place the program or %s\n", name.c_str());
        return false;
    }
    const size_t shown = PicturesShown();
    app::TraceStep(("user opens " + name).c_str());
    std::optional<e2e::ChildProcess> program = StartProgram(BuiltProgram(), "\"" + photo + "\"");
    const HWND viewer = program ? WaitForViewer(name, kViewerMs) : nullptr;
    const HWND docked = viewer ? WaitForDockedWindow(viewer, kViewerMs) : nullptr;
    const HWND button = docked ? e2e::FindChild(docked, "Button", "修复") : nullptr;
    if (!button) {
        std::fprintf(stderr, "repair_timing: the program did not dock for %s\n", name.c_str());
        return false;
    }
    e2e::WaitUntil(kViewerMs, [&] { return PicturesShown() > shown; });
    Sleep(kSettleMs);
    app::TraceStep(("user clicks " + name).c_str());
    e2e::ClickButton(button);
    const HWND reopened = WaitForViewer(name + ".bmp", kViewerMs);
    const HWND redocked = reopened ? WaitForDockedWindow(reopened, kViewerMs) : nullptr;
    if (!redocked) {
        std::fprintf(stderr, "repair_timing: no docked window for %s.bmp\n", name.c_str());
        return false;
    }
    app::TraceStep("docked seen");
    // The picture may still be on its way into the viewer.
    e2e::WaitUntil(kViewerMs, [&] { return PicturesShown() > shown + 1; });
    // Closing the bitmap's viewer ends the relaunched copy.
    HANDLE copy = OpenProcess(SYNCHRONIZE, FALSE, e2e::DescribeWindow(redocked).processId);
    e2e::PostClose(reopened);
    const bool ended = copy && WaitForSingleObject(copy, kExitMs) == WAIT_OBJECT_0 &&
                       program->WaitForExit(kExitMs).has_value();
    if (copy) CloseHandle(copy);
    return ended;
}

}  // namespace
}  // namespace kv::test

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: repair_timing TRACE_FILE RUNS IMAGE...\n");
        return 2;
    }
    kv::test::traceFile = kv::e2e::HostPath(argv[1]);
    SetEnvironmentVariableA("TAVI_TIMING_TRACE", kv::test::traceFile.c_str());
    kv::test::SetSystemViewerLibrary(true);
    const int runs = std::atoi(argv[2]);
    for (int i = 3; i < argc; ++i) {
        for (int run = 0; run < runs; ++run) {
            if (!kv::test::TimeOneRepair(kv::e2e::HostPath(argv[i]))) return 1;
        }
    }
    return 0;
}
