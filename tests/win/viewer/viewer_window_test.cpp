// The viewer library started the way the program starts it: rundll32 with the entry name
// and the bare path, blanks included. The windows are checked from this separate process.
#include <gtest/gtest.h>

#include "tests/e2e/driver/files.h"
#include "tests/e2e/driver/polling.h"
#include "tests/e2e/driver/process.h"
#include "tests/e2e/driver/window_actions.h"
#include "tests/e2e/driver/window_query.h"
#include "tests/e2e/driver/window_tree.h"
#include "tests/host/imageconv/test_images.h"
#include "tests/win/viewer/scratch_folder.h"

namespace kv::test {
namespace {

constexpr DWORD kAppearMs = 15000;
constexpr DWORD kExitMs = 10000;
const char kFrameClass[] = "Photo_Lightweight_Viewer";

// The red of every pixel of e2e::MakeBmp24's bitmaps; the canvas's own background is lighter.
constexpr BYTE kBitmapRed = 0xC0;

// The colour on the screen at the centre of a window.
COLORREF ScreenColourAtCentre(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    HDC screen = GetDC(nullptr);
    const COLORREF colour =
        GetPixel(screen, (rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    ReleaseDC(nullptr, screen);
    return colour;
}

class ViewerWindowTest : public ::testing::Test {
  protected:
    // Starts the viewer on a fresh file named fileName (a bitmap unless other bytes are
    // given) and waits for its frame.
    void OpenBitmap(const std::string& fileName, const std::string& bytes = "") {
        fileName_ = fileName;
        ASSERT_TRUE(e2e::WriteFileBytes(folder_.path() + fileName,
                                        bytes.empty() ? e2e::MakeBmp24(320, 200) : bytes));
        viewer_ = e2e::ChildProcess::Start("rundll32.exe " + BuiltViewerLibrary() +
                                           ",ImageView_Fullscreen " + folder_.path() + fileName);
        ASSERT_TRUE(viewer_.has_value());
        frame_ = e2e::WaitForTopWindow(kFrameClass, ViewerTitle(fileName), kAppearMs);
        ASSERT_NE(frame_, nullptr) << "no viewer window for " << fileName;
    }

    void TearDown() override {
        if (frame_ != nullptr && IsWindow(frame_)) e2e::PostClose(frame_);
        if (viewer_) viewer_->WaitForExit(kExitMs);
    }

    // The pane lies along the whole bottom edge of the frame's client area and the canvas
    // fills the rest.
    void ExpectLayoutFollowsFrame() {
        const e2e::WindowInfo frame = e2e::DescribeWindow(frame_);
        const e2e::WindowInfo pane = e2e::DescribeWindow(pane_);
        const e2e::WindowInfo canvas = e2e::DescribeWindow(canvas_);
        SCOPED_TRACE(e2e::FormatWindowTree(frame_));
        EXPECT_EQ(pane.rectInParent.left, 0);
        EXPECT_EQ(pane.rectInParent.bottom, frame.clientRect.bottom);
        EXPECT_EQ(pane.clientRect.right, frame.clientRect.right);
        EXPECT_GT(pane.clientRect.bottom, 41 + 10) << "too low to host a 41-pixel window";
        EXPECT_EQ(canvas.rectInParent.left, 0);
        EXPECT_EQ(canvas.rectInParent.top, 0);
        EXPECT_EQ(canvas.clientRect.right, frame.clientRect.right);
        EXPECT_EQ(canvas.rectInParent.bottom, pane.rectInParent.top);
    }

    // True once the pane's width and bottom edge match the frame's client area.
    bool PaneMatchesFrame() const {
        const e2e::WindowInfo frame = e2e::DescribeWindow(frame_);
        const e2e::WindowInfo pane = e2e::DescribeWindow(pane_);
        return pane.clientRect.right == frame.clientRect.right &&
               pane.rectInParent.bottom == frame.clientRect.bottom;
    }

    // Finds the canvas and the pane, and waits for their first layout: the frame is seen as
    // soon as it exists, before its first size message has placed them.
    void FindChildren() {
        canvas_ = e2e::FindChild(frame_, "Photos_PhotoCanvas");
        pane_ = e2e::FindChild(frame_, "Photos_NavigationPane", "导航窗格");
        ASSERT_NE(canvas_, nullptr) << e2e::FormatWindowTree(frame_);
        ASSERT_NE(pane_, nullptr) << e2e::FormatWindowTree(frame_);
        ASSERT_TRUE(e2e::WaitUntil(5000, [&] {
            return PaneMatchesFrame() && e2e::DescribeWindow(pane_).clientRect.bottom > 0;
        })) << e2e::FormatWindowTree(frame_);
    }

    ScratchFolder folder_{"viewer window"};
    std::string fileName_;
    std::optional<e2e::ChildProcess> viewer_;
    HWND frame_ = nullptr;
    HWND canvas_ = nullptr;
    HWND pane_ = nullptr;
};

TEST_F(ViewerWindowTest, FrameIsTitledWithFileNameAndHoldsCanvasAndPane) {
    OpenBitmap("照片 一.bmp");
    const e2e::WindowInfo frame = e2e::DescribeWindow(frame_);
    EXPECT_EQ(frame.title, "照片 一.bmp - Windows 照片查看器");
    EXPECT_EQ(frame.processId, viewer_->id());
    EXPECT_EQ(frame.parent, nullptr);
    EXPECT_TRUE(frame.visible);
    FindChildren();
    EXPECT_TRUE(e2e::DescribeWindow(canvas_).visible);
    EXPECT_TRUE(e2e::DescribeWindow(pane_).visible);
    EXPECT_EQ(e2e::DescribeWindow(pane_).parent, frame_);
    EXPECT_EQ(e2e::DescribeWindow(canvas_).parent, frame_);
    ExpectLayoutFollowsFrame();
    // The picture, read while the frame already shows, is then drawn on the canvas (the frame
    // put above every other window on the display first).
    SetWindowPos(frame_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_TRUE(e2e::WaitUntil(
        5000, [&] { return GetRValue(ScreenColourAtCentre(canvas_)) == kBitmapRed; }))
        << std::hex << ScreenColourAtCentre(canvas_);
}

TEST_F(ViewerWindowTest, AFileItCannotReadStillGetsItsTitledFrameCanvasAndPane) {
    OpenBitmap("坏 照片.heic", std::string(4000, '\x5A'));
    EXPECT_EQ(e2e::DescribeWindow(frame_).title, "坏 照片.heic - Windows 照片查看器");
    FindChildren();
    ExpectLayoutFollowsFrame();
}

TEST_F(ViewerWindowTest, AHostileFileLeavesTheViewerRunningWithItsTitledFrame) {
    // A 1 × 1 grid composed at 14000 × 14000 while it claims 64 × 64: within libheif's own
    // limits, beyond the conversion's budget.
    const std::vector<uint8_t> grid = imageconv::test::DerivedHeic(
        imageconv::test::ReadFile(imageconv::test::DataFile("example.heic")), "grid", 14000, 14000);
    ASSERT_FALSE(grid.empty());
    OpenBitmap("网格.heic", std::string(grid.begin(), grid.end()));
    FindChildren();
    EXPECT_FALSE(viewer_->WaitForExit(1000).has_value()) << "the viewer ended";
    EXPECT_TRUE(IsWindow(frame_));
}

TEST_F(ViewerWindowTest, PaneFollowsTheFrameWhenResized) {
    OpenBitmap("resize 测试.bmp");
    FindChildren();
    const int widthBefore = e2e::DescribeWindow(pane_).clientRect.right;

    ASSERT_TRUE(e2e::ResizeWindow(frame_, 500, 400));
    EXPECT_TRUE(e2e::WaitUntil(5000, [&] { return PaneMatchesFrame(); }));
    EXPECT_NE(e2e::DescribeWindow(pane_).clientRect.right, widthBefore);
    ExpectLayoutFollowsFrame();

    ASSERT_TRUE(e2e::ResizeWindow(frame_, 900, 700));
    EXPECT_TRUE(e2e::WaitUntil(5000, [&] {
        return PaneMatchesFrame() && e2e::DescribeWindow(pane_).clientRect.right > 500;
    }));
    ExpectLayoutFollowsFrame();
}

TEST_F(ViewerWindowTest, ClosingTheFrameEndsTheLauncher) {
    OpenBitmap("close.bmp");
    ASSERT_TRUE(e2e::PostClose(frame_));
    const std::optional<DWORD> exitCode = viewer_->WaitForExit(kExitMs);
    ASSERT_TRUE(exitCode.has_value()) << "rundll32 still running after the viewer closed";
    EXPECT_EQ(*exitCode, 0u);
    EXPECT_FALSE(IsWindow(frame_));
}

TEST_F(ViewerWindowTest, AForeignWindowDockedIntoThePaneStaysThere) {
    OpenBitmap("dock.bmp");
    FindChildren();
    // A window of this process in the pane, as the program attaches its own.
    HWND guest = CreateWindowExA(0, "STATIC", "guest", WS_POPUP, 0, 0, 104, 41, nullptr, nullptr,
                                 nullptr, nullptr);
    ASSERT_NE(guest, nullptr);
    SetParent(guest, pane_);
    MoveWindow(guest, 10, 10, 104, 41, TRUE);
    ShowWindow(guest, SW_SHOW);
    ASSERT_TRUE(e2e::ResizeWindow(frame_, 700, 500));
    EXPECT_TRUE(e2e::WaitUntil(5000, [&] { return PaneMatchesFrame(); }));
    const e2e::WindowInfo docked = e2e::DescribeWindow(guest);
    EXPECT_EQ(docked.parent, pane_);
    EXPECT_EQ(docked.rectInParent.left, 10);
    EXPECT_EQ(docked.rectInParent.top, 10);

    // Closing the viewer takes the docked window with it; this thread keeps pumping so
    // that the destruction sent to it can run.
    ASSERT_TRUE(e2e::PostClose(frame_));
    const bool gone = e2e::WaitUntil(kExitMs, [&] {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        return !IsWindow(guest);
    });
    EXPECT_TRUE(gone);
    if (!gone) DestroyWindow(guest);
    EXPECT_TRUE(viewer_->WaitForExit(kExitMs).has_value());
}

}  // namespace
}  // namespace kv::test
