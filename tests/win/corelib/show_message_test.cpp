// ShowMessage through the core library's command array, read from the real message box by
// another thread: text, caption, icon and buttons, the task-modal rule, the owner and the
// button numbers.
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "corelib/commands.h"
#include "tests/host/corelib/command_calls.h"
#include "tests/win/corelib/msgbox_reader.h"

namespace kv::test {
namespace {

using Buttons = std::vector<int>;

class ShowMessageTest : public ::testing::Test {
  protected:
    // A top-level window of this thread: a task-modal box without owner disables it.
    void SetUp() override {
        window_ = CreateWindowExA(0, "STATIC", "corelib test", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                  nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(window_, nullptr);
    }
    void TearDown() override { DestroyWindow(window_); }

    // Shows the box, lets the reader press `button`; answers the command's result.
    int32_t Show(std::vector<ArgValue> args, int button, MessageBoxSeen* seen) {
        MessageBoxReader reader(button, window_);
        ArgValue result = Call(core::kCoreCommands[core::kShowMessage], std::move(args));
        *seen = reader.Result();
        EXPECT_TRUE(seen->found);
        EXPECT_EQ(result.type, tag::kInt);
        return result.value.i32;
    }

    HWND window_ = nullptr;
};

TEST_F(ShowMessageTest, StopFlagsShowATaskModalStopBoxWithTheDefaultCaption) {
    MessageBoxSeen seen;
    EXPECT_EQ(Show({BoolArg(true), IntArg(MB_ICONHAND)}, IDOK, &seen), 0);
    EXPECT_EQ(seen.caption, "信息：");
    EXPECT_EQ(seen.text, "真");
    EXPECT_TRUE(seen.stopIcon);
    EXPECT_EQ(seen.buttons, Buttons{IDOK});
    EXPECT_EQ(seen.owner, nullptr);
    EXPECT_FALSE(seen.watchedEnabled);  // task-modal: the thread's windows are disabled
    EXPECT_TRUE(IsWindowEnabled(window_));
}

TEST_F(ShowMessageTest, SystemModalBoxesAreNotMadeTaskModal) {
    MessageBoxSeen seen;
    EXPECT_EQ(Show({TextArg("系统"), IntArg(MB_SYSTEMMODAL)}, IDOK, &seen), 0);
    EXPECT_EQ(seen.text, "系统");
    EXPECT_FALSE(seen.stopIcon);
    EXPECT_TRUE(seen.watchedEnabled);
}

TEST_F(ShowMessageTest, AnAlreadyTaskModalBoxStaysTaskModalWithoutAHelpButton) {
    MessageBoxSeen seen;
    EXPECT_EQ(Show({TextArg("x"), IntArg(MB_TASKMODAL)}, IDOK, &seen), 0);
    EXPECT_EQ(seen.buttons, Buttons{IDOK});
    EXPECT_FALSE(seen.watchedEnabled);
}

TEST_F(ShowMessageTest, YesNoButtonsAnswerFiveAndSix) {
    MessageBoxSeen seen;
    EXPECT_EQ(Show({TextArg("继续？"), IntArg(MB_YESNO), TextArg("标题")}, IDNO, &seen), 6);
    EXPECT_EQ(seen.caption, "标题");
    EXPECT_EQ(seen.buttons, (Buttons{IDYES, IDNO}));
    EXPECT_EQ(Show({TextArg("继续？"), IntArg(MB_YESNO)}, IDYES, &seen), 5);
}

TEST_F(ShowMessageTest, OtherButtonsAnswerTheirIdentifierMinusOne) {
    MessageBoxSeen seen;
    EXPECT_EQ(Show({TextArg("a"), IntArg(MB_OKCANCEL)}, IDCANCEL, &seen), 1);
    EXPECT_EQ(Show({TextArg("a"), IntArg(MB_ABORTRETRYIGNORE)}, IDABORT, &seen), 2);
    EXPECT_EQ(Show({TextArg("a"), IntArg(MB_RETRYCANCEL)}, IDRETRY, &seen), 3);
    EXPECT_EQ(Show({TextArg("a"), IntArg(MB_ABORTRETRYIGNORE)}, IDIGNORE, &seen), 4);
}

TEST_F(ShowMessageTest, AnIntegerFourthArgumentIsTheOwnerWindow) {
    MessageBoxSeen seen;
    const int32_t handle = int32_t(reinterpret_cast<intptr_t>(window_));
    Show({TextArg("owned"), IntArg(0), OmittedArg(), IntArg(handle)}, IDOK, &seen);
    EXPECT_EQ(seen.owner, window_);
    EXPECT_EQ(seen.caption, "信息：");
    Show({TextArg("not owned"), IntArg(0), TextArg("c"), TextArg("no owner")}, IDOK, &seen);
    EXPECT_EQ(seen.owner, nullptr);
}

TEST_F(ShowMessageTest, NumbersAndDatesAreShownAsText) {
    MessageBoxSeen seen;
    ArgValue date{};
    date.value.f64 = 43832 + (13 * 3600 + 5 * 60) / 86400.0;
    date.type = tag::kDateTime;
    Show({date, IntArg(0)}, IDOK, &seen);
    EXPECT_EQ(seen.text, "2020年1月2日13时5分");
    ArgValue real{};
    real.value.f32 = 3.14159274f;
    real.type = tag::kFloat;
    Show({real, IntArg(0)}, IDOK, &seen);
    EXPECT_EQ(seen.text, "3.14159");
}

}  // namespace
}  // namespace kv::test
