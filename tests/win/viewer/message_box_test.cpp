// The driver's message-box handling against a program that shows real message boxes.
#include "tests/e2e/driver/message_box.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "tests/e2e/driver/files.h"
#include "tests/e2e/driver/process.h"
#include "tests/e2e/driver/window_tree.h"

namespace kv::test {
namespace {

constexpr DWORD kAppearMs = 10000;

e2e::ChildProcess ShowBox(int style, const std::string& caption, const std::string& text) {
    std::optional<e2e::ChildProcess> process =
        e2e::ChildProcess::Start("\"" + e2e::ProgramDirectory() + "message_box_fixture.exe\" " +
                                 std::to_string(style) + " \"" + caption + "\" \"" + text + "\"");
    EXPECT_TRUE(process.has_value());
    return std::move(*process);
}

TEST(MessageBoxDriverTest, ReadsCaptionAndTwoLineTextAsGbkBytes) {
    e2e::ChildProcess program = ShowBox(MB_OK | MB_ICONINFORMATION, "信息：",
                                        "安装完毕，请自己修改图片打开方式|D:\\Tavi图片查看器");
    const std::optional<e2e::MessageBoxInfo> box = e2e::WaitForMessageBox(program.id(), kAppearMs);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->caption, "信息：");
    EXPECT_EQ(box->text, "安装完毕，请自己修改图片打开方式\r\nD:\\Tavi图片查看器");
    EXPECT_EQ(box->owner, nullptr);
    EXPECT_TRUE(box->hasIcon);
    ASSERT_TRUE(e2e::PressMessageBoxButton(box->dialog, IDOK));
    EXPECT_EQ(program.WaitForExit(kAppearMs), std::optional<DWORD>(IDOK));
}

TEST(MessageBoxDriverTest, TellsABoxWithoutIconFromOneWithIcon) {
    e2e::ChildProcess plain = ShowBox(MB_OK, "信息：", "修复完毕！");
    const std::optional<e2e::MessageBoxInfo> box = e2e::WaitForMessageBox(plain.id(), kAppearMs);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, "修复完毕！");
    EXPECT_FALSE(box->hasIcon) << e2e::FormatWindowTree(box->dialog);
    ASSERT_TRUE(e2e::PressMessageBoxButton(box->dialog, IDOK));
    EXPECT_TRUE(e2e::WaitForWindowGone(box->dialog, kAppearMs));
    EXPECT_EQ(plain.WaitForExit(kAppearMs), std::optional<DWORD>(IDOK));
}

TEST(MessageBoxDriverTest, PressesTheRequestedButtonAndRefusesAMissingOne) {
    e2e::ChildProcess program = ShowBox(MB_YESNO | MB_ICONERROR, "错误", "继续吗？");
    const std::optional<e2e::MessageBoxInfo> box = e2e::WaitForMessageBox(program.id(), kAppearMs);
    ASSERT_TRUE(box.has_value());
    EXPECT_FALSE(e2e::PressMessageBoxButton(box->dialog, IDOK));
    ASSERT_TRUE(e2e::PressMessageBoxButton(box->dialog, IDNO));
    EXPECT_EQ(program.WaitForExit(kAppearMs), std::optional<DWORD>(IDNO));
}

TEST(MessageBoxDriverTest, FindsOnlyBoxesOfTheGivenProcess) {
    e2e::ChildProcess first = ShowBox(MB_OK, "第一", "one");
    ASSERT_TRUE(e2e::WaitForMessageBox(first.id(), kAppearMs).has_value());
    e2e::ChildProcess second = ShowBox(MB_OK, "第二", "two");
    const std::optional<e2e::MessageBoxInfo> box = e2e::WaitForMessageBox(second.id(), kAppearMs);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->caption, "第二");
    EXPECT_FALSE(e2e::FindMessageBox(GetCurrentProcessId()).has_value());
    first.Terminate();
    EXPECT_FALSE(first.IsRunning());
}

TEST(ChildProcessTest, ReportsAProgramThatCannotStartAndExitCodesOfOnesThatDo) {
    EXPECT_FALSE(e2e::ChildProcess::Start("Z:\\no\\such\\program.exe").has_value());
    std::optional<e2e::ChildProcess> program =
        e2e::ChildProcess::Start("\"" + e2e::ProgramDirectory() + "message_box_fixture.exe\"");
    ASSERT_TRUE(program.has_value());
    EXPECT_EQ(program->WaitForExit(kAppearMs), std::optional<DWORD>(100));
    EXPECT_FALSE(program->IsRunning());
}

}  // namespace
}  // namespace kv::test
