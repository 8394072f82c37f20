// The program's own start window, loaded from its own template block.
#include "app/start_window.h"

#include <gtest/gtest.h>

#include "forms/form_registry.h"
#include "forms/template_reader.h"
#include "runtime/forms_link.h"
#include "tests/win/forms/test_forms.h"

namespace kv::test {
namespace {

class StartWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetHandlers();
        StartRuntime();
        forms::DestroyLoadedWindows();
        forms::ReleaseTemplates();
        block_ = app::BuildStartWindowBlock(CodeBase(),
                                            {Handler(0), Handler(2), Handler(10), Handler(11)});
        ASSERT_TRUE(forms::ReadTemplateBlock(block_.data(), uint32_t(block_.size()), CodeBase()));
        ASSERT_TRUE(forms::LoadStartWindow(app::kStartWindowFormId));
        window_ = forms::UnitWindow(forms::Forms().Find(app::kStartWindowFormId)->units[0].object);
        ASSERT_TRUE(IsWindow(window_));
    }
    void TearDown() override { forms::DestroyLoadedWindows(); }

    std::vector<uint8_t> block_;
    HWND window_ = nullptr;
};

TEST_F(StartWindow, LoadsHiddenAndRunsItsCreationHandler) {
    EXPECT_FALSE(IsWindowVisible(window_));
    EXPECT_EQ(CalledTags(), std::vector<int>{0});
    EXPECT_EQ(ClassOf(window_), "ZorWindow");
}

TEST_F(StartWindow, FirstVisibleWriteShowsTheBorderlessWindowWithItsButton) {
    forms::WriteUnitProperty(app::kStartWindowFormId, 0, 5, -1, 1, 0);
    ASSERT_TRUE(IsWindowVisible(window_));
    RECT r;
    GetWindowRect(window_, &r);
    EXPECT_EQ(r.right - r.left, 104);
    EXPECT_EQ(r.bottom - r.top, 41);
    EXPECT_EQ(WindowText(window_), "Tavi照片查看器");
    LONG style = GetWindowLongA(window_, GWL_STYLE);
    EXPECT_EQ(style & WS_CAPTION, 0) << std::hex << style;
    EXPECT_EQ(style & WS_THICKFRAME, 0);
    EXPECT_EQ(style & WS_SYSMENU, 0);

    HWND button = GetDlgItem(window_, 100);
    ASSERT_TRUE(button);
    EXPECT_EQ(ClassOf(button), "Button");
    EXPECT_EQ(WindowText(button), "修复");
    EXPECT_TRUE(IsWindowVisible(button));
    RECT b;
    GetWindowRect(button, &b);
    MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&b), 2);
    POINT origin = {0, 0};
    ClientToScreen(window_, &origin);
    RECT frame;
    GetWindowRect(window_, &frame);
    EXPECT_EQ(origin.x, frame.left) << "no frame around the client area";
    EXPECT_EQ(b.left, 4);
    EXPECT_EQ(b.top, 4);
    EXPECT_EQ(b.right - b.left, 96);
    EXPECT_EQ(b.bottom - b.top, 32);
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(button, WM_GETFONT, 0, 0));
    LOGFONTA lf = {};
    ASSERT_TRUE(GetObjectA(font, sizeof lf, &lf));
    EXPECT_EQ(lf.lfWeight, 700);
    EXPECT_EQ(lf.lfHeight, -12);
    EXPECT_EQ(lf.lfCharSet, DEFAULT_CHARSET);
    EXPECT_EQ(lf.lfQuality, PROOF_QUALITY);
}

TEST_F(StartWindow, UnitsGetControlIdsInCreationOrderAndEndInListZOrder) {
    HWND button = GetDlgItem(window_, 100);
    HWND timer = GetDlgItem(window_, 110);
    ASSERT_TRUE(button && timer);
    EXPECT_EQ(ClassOf(timer), "_Kiva_Timer");
    EXPECT_FALSE(IsWindowVisible(timer));
    EXPECT_EQ(GetWindow(window_, GW_CHILD), timer) << "list order: timer first";
    EXPECT_EQ(GetWindow(timer, GW_HWNDNEXT), button);
}

TEST_F(StartWindow, HandlersOfButtonTimerAndDestroyAreBound) {
    ResetHandlers();
    SendMessageA(GetDlgItem(window_, 100), BM_CLICK, 0, 0);
    EXPECT_EQ(CalledTags(), std::vector<int>{10});
    forms::WriteUnitProperty(app::kStartWindowFormId, app::kHostTimerUnitId, 8, -1, 20, 0);
    ASSERT_TRUE(PumpUntil([] { return CalledTags().size() >= 2; }, 3000));
    EXPECT_EQ(CalledTags()[1], 11);
    forms::WriteUnitProperty(app::kStartWindowFormId, app::kHostTimerUnitId, 8, -1, 0, 0);
    ResetHandlers();
    DestroyWindow(window_);
    EXPECT_EQ(CalledTags(), std::vector<int>{2});
}

TEST_F(StartWindow, WidthReadsTheLiveWindowThenTheTemplateAgain) {
    EXPECT_EQ(forms::ReadUnitProperty(app::kStartWindowFormId, 0, 2, -1), 104);
    ASSERT_TRUE(
        SetWindowPos(window_, nullptr, 0, 0, 150, 41, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE));
    EXPECT_EQ(forms::ReadUnitProperty(app::kStartWindowFormId, 0, 2, -1), 150);
    DestroyWindow(window_);
    EXPECT_EQ(forms::ReadUnitProperty(app::kStartWindowFormId, 0, 2, -1), 104);
    EXPECT_EQ(forms::ReadUnitProperty(app::kStartWindowFormId, app::kRepairButtonUnitId, 0, -1), 4);
}

}  // namespace
}  // namespace kv::test
