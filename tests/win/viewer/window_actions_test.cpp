// The driver's clicks and window queries on windows this test makes itself. The button's
// own window procedure turns the posted input into a click notification.
#include "tests/e2e/driver/window_actions.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "tests/e2e/driver/polling.h"
#include "tests/e2e/driver/window_query.h"
#include "tests/e2e/driver/window_tree.h"

namespace kv::test {
namespace {

constexpr int kButtonId = 1234;
int clicks = 0;

LRESULT CALLBACK CountClicks(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && LOWORD(wParam) == kButtonId && HIWORD(wParam) == BN_CLICKED) {
        ++clicks;
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

class WindowActionsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = CountClicks;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "测试_Host";
        RegisterClassA(&windowClass);
        host_ = CreateWindowExA(0, "测试_Host", "主 窗口", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 60,
                                400, 300, nullptr, nullptr, windowClass.hInstance, nullptr);
        ASSERT_NE(host_, nullptr);
        button_ = CreateWindowExA(0, "Button", "修复", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10,
                                  10, 104, 41, host_, reinterpret_cast<HMENU>(kButtonId),
                                  windowClass.hInstance, nullptr);
        ASSERT_NE(button_, nullptr);
        clicks = 0;
    }
    void TearDown() override {
        DestroyWindow(host_);
        UnregisterClassA("测试_Host", GetModuleHandleA(nullptr));
    }

    // Pumps this thread's messages until the click count reaches want.
    bool WaitForClicks(int want) {
        return e2e::WaitUntil(3000, [&] {
            MSG message;
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
            return clicks >= want;
        });
    }

    HWND host_ = nullptr;
    HWND button_ = nullptr;
};

TEST_F(WindowActionsTest, MouseAndBmClickEachClickTheButtonOnce) {
    ASSERT_TRUE(e2e::ClickButton(button_, e2e::ClickMethod::kMouse));
    EXPECT_TRUE(WaitForClicks(1));
    ASSERT_TRUE(e2e::ClickButton(button_, e2e::ClickMethod::kBmClick));
    EXPECT_TRUE(WaitForClicks(2));
    WaitForClicks(3);
    EXPECT_EQ(clicks, 2);
    EXPECT_FALSE(e2e::ClickButton(nullptr));
}

TEST_F(WindowActionsTest, FindsAndDescribesWindowsByGbkClassAndTitle) {
    EXPECT_EQ(e2e::FindTopWindow("测试_Host", "主 窗口"), host_);
    EXPECT_EQ(e2e::FindTopWindow("测试_Host", ""), host_);
    EXPECT_EQ(e2e::FindTopWindow("测试_Host", "主"), nullptr);
    EXPECT_EQ(e2e::FindChild(host_, "Button", "修复"), button_);
    EXPECT_EQ(e2e::ChildWindows(host_), std::vector<HWND>{button_});

    const e2e::WindowInfo button = e2e::DescribeWindow(button_);
    EXPECT_EQ(button.className, "Button");
    EXPECT_EQ(button.title, "修复");
    EXPECT_EQ(button.parent, host_);
    EXPECT_EQ(button.controlId, kButtonId);
    EXPECT_EQ(button.processId, GetCurrentProcessId());
    EXPECT_EQ(button.rectInParent.left, 10);
    EXPECT_EQ(button.rectInParent.top, 10);
    EXPECT_EQ(button.clientRect.right, 104);
    EXPECT_EQ(button.clientRect.bottom, 41);
    EXPECT_TRUE(button.visible);
    EXPECT_EQ(e2e::DescribeWindow(host_).parent, nullptr);
    EXPECT_EQ(e2e::DescendantsOfProcess(host_, GetCurrentProcessId()), std::vector<HWND>{button_});
    EXPECT_TRUE(e2e::DescendantsOfProcess(host_, GetCurrentProcessId() + 1).empty());
    EXPECT_NE(e2e::FormatWindowTree(host_).find("  0x"), std::string::npos);
}

TEST_F(WindowActionsTest, MovesResizesAndReportsAGoneWindow) {
    ASSERT_TRUE(e2e::MoveWindowTo(button_, 30, 40));
    ASSERT_TRUE(e2e::ResizeWindow(button_, 80, 20));
    const e2e::WindowInfo button = e2e::DescribeWindow(button_);
    EXPECT_EQ(button.rectInParent.left, 30);
    EXPECT_EQ(button.rectInParent.top, 40);
    EXPECT_EQ(button.rectInParent.right, 110);
    EXPECT_EQ(button.rectInParent.bottom, 60);

    DestroyWindow(button_);
    EXPECT_EQ(e2e::DescribeWindow(button_).handle, nullptr);
}

}  // namespace
}  // namespace kv::test
