// A program on the runtime, started as a child: its start window from the program's own
// template block, the end after closing its only window, and the runtime errors of event
// lookup and property access as the user sees them (one box, then exit code -1).
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/child_process.h"
#include "tests/support/msgbox_reader.h"

namespace kv::test {
namespace {

constexpr DWORD kTimeout = 20000;

std::string ChildPath() {
    return ProgramFolder() + "forms_child_program.exe";
}

struct ChildRun {
    DWORD exitCode;
    std::string output;
};

ChildRun RunProgram(const std::string& scenario) {
    ChildProcess child;
    EXPECT_TRUE(child.Start(ChildPath(), scenario));
    DWORD code = child.Wait(kTimeout);
    std::string output = child.Output();
    output.erase(std::remove(output.begin(), output.end(), '\r'), output.end());
    return {code, output};
}

// Runs a scenario that ends in a runtime error; answers the box's text after pressing OK.
std::string RuntimeErrorText(const std::string& scenario) {
    ChildProcess child;
    EXPECT_TRUE(child.Start(ChildPath(), scenario));
    HWND box = WaitForMessageBox(child.ProcessId(), kTimeout);
    EXPECT_NE(box, nullptr) << scenario;
    std::string text;
    if (box) {
        EXPECT_EQ(DialogCaption(box), "错误");
        text = MessageBoxText(box);
        PressDialogButton(box, IDOK);
    }
    EXPECT_EQ(child.Wait(kTimeout), DWORD(-1)) << scenario;
    return text;
}

bool Mentions(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(FormsProgram, StartWindowLoadsHiddenThenShowsBorderlessWithItsButton) {
    ChildRun run = RunProgram("show-and-tick");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.output,
              "created hidden=1\n"
              "tick visible=1 size=104x41 caption=0 title=Tavi照片查看器 button=修复\n"
              "destroy\n"
              "loop returned\n");
}

TEST(FormsProgram, ClosingTheOnlyWindowEndsTheLoopWithCodeZero) {
    ChildRun run = RunProgram("close-only-window");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.output, "created hidden=1\ndestroy\nloop returned\n");
}

TEST(FormsProgram, PropertyAccessRuntimeErrors) {
    EXPECT_TRUE(Mentions(RuntimeErrorText("read-unknown-form"), "未载入欲访问窗口组件所在的窗口"));
    EXPECT_TRUE(Mentions(RuntimeErrorText("own-property-unloaded"), "指定窗口尚未载入"));
    EXPECT_TRUE(Mentions(RuntimeErrorText("checked-lookup-unloaded"),
                         "指定窗口或窗口组件不存在或尚未载入"));
}

TEST(FormsProgram, EventLookupRuntimeErrors) {
    std::string form = RuntimeErrorText("event-unknown-form");
    EXPECT_TRUE(Mentions(form, "未找到引发事件的窗口"));
    EXPECT_FALSE(Mentions(form, "未找到引发事件的窗口组件"));
    EXPECT_TRUE(Mentions(RuntimeErrorText("event-unknown-unit"), "未找到引发事件的窗口组件"));
}

}  // namespace
}  // namespace kv::test
