// Runs the probe program on the runtime as a child process and checks, from outside, what a
// user would see: its output, its exit code and the real message box it shows.
#include <gtest/gtest.h>

#include "tests/support/child_process.h"
#include "tests/support/msgbox_reader.h"

namespace kv {
namespace {

using test::ChildProcess;

constexpr DWORD kTimeout = 20000;
constexpr DWORD kRuntimeErrorExit = 0xFFFFFFFF;

std::string ProbePath() {
    return test::ProgramFolder() + "kernel_probe.exe";
}

struct ProbeRun {
    DWORD exitCode;
    std::string output;
};

ProbeRun RunProbe(const std::string& scenario, const std::string& program = ProbePath()) {
    ChildProcess child;
    EXPECT_TRUE(child.Start(program, scenario));
    DWORD code = child.Wait(kTimeout);
    return {code, child.Output()};
}

struct Box {
    std::string caption;
    std::string text;
    DWORD exitCode;
    std::string output;
};

// Runs a scenario that ends in a runtime error: reads the box, presses OK, waits for the end.
Box RunProbeToBox(const std::string& scenario) {
    ChildProcess child;
    EXPECT_TRUE(child.Start(ProbePath(), scenario));
    Box box{};
    HWND dialog = test::WaitForMessageBox(child.ProcessId(), kTimeout);
    EXPECT_NE(dialog, nullptr) << "no message box for " << scenario;
    if (dialog) {
        box.caption = test::DialogCaption(dialog);
        box.text = test::MessageBoxText(dialog);
        EXPECT_TRUE(test::PressDialogButton(dialog, IDOK));
    }
    box.exitCode = child.Wait(kTimeout);
    box.output = child.Output();
    return box;
}

TEST(ProgramEnd, ExitRoutinesRunOnceInOrderBeforeLibraryEnd) {
    ProbeRun run = RunProbe("end-code");
    EXPECT_EQ(run.exitCode, 7u);
    EXPECT_EQ(run.output, "notify 1 SystemNotify\nexit 1 main\nexit 2\nnotify 6 0\n");
}

TEST(ProgramEnd, NoWindowLeftEndsWithZeroAtOnce) {
    ProbeRun run = RunProbe("no-window");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.output,
              "notify 1 SystemNotify\nloop returned\nexit 1 main\nexit 2\nnotify 6 0\n");
}

TEST(ProgramEnd, LoopEndsWhenTheLastWindowCloses) {
    ProbeRun run = RunProbe("last-window-closes");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.output,
              "notify 1 SystemNotify\nloop returned\nexit 1 main\nexit 2\nnotify 6 0\n");
}

TEST(ProgramEnd, EndFromAnotherThreadEndsOnTheMainThread) {
    ProbeRun run = RunProbe("worker-end");
    EXPECT_EQ(run.exitCode, 5u);
    EXPECT_EQ(run.output, "notify 1 SystemNotify\nexit 1 main\nexit 2\nnotify 6 0\n");
}

TEST(IdleRoutines, DestroyedWindowIsDroppedAndDuplicatesAreIgnored) {
    ProbeRun run = RunProbe("idle");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.output,
              "notify 1 SystemNotify\nidle victim 2\nidle keeper 1\nidle keeper 2\n"
              "idle keeper 3\nexit 1 main\nexit 2\nnotify 6 0\n");
}

TEST(RuntimeErrorBox, ErrorSixFromProgramCode) {
    Box box = RunProbeToBox("error6");
    EXPECT_EQ(box.caption, "错误");
    EXPECT_EQ(box.text,
              "运行时出错!\r\n\r\n错误代码：6\r\n\r\n错误信息：调用DLL命令后发现堆栈错误\r\n");
    EXPECT_EQ(box.exitCode, kRuntimeErrorExit);
    // Exit routines dropped; the libraries are still told of the end.
    EXPECT_EQ(box.output, "notify 1 SystemNotify\nnotify 6 0\n");
}

TEST(RuntimeErrorBox, LibraryReportHasNoCodeLine) {
    Box box = RunProbeToBox("error-text");
    EXPECT_EQ(box.caption, "错误");
    EXPECT_EQ(box.text, "运行时出错!\r\n\r\n错误信息：测试消息\r\n");
    EXPECT_EQ(box.exitCode, kRuntimeErrorExit);
}

TEST(RuntimeErrorBox, EmptyTextAndCodeZeroShowOnlyTheFirstLine) {
    Box box = RunProbeToBox("error-empty");
    EXPECT_EQ(box.text, "运行时出错!\r\n\r\n");
    EXPECT_EQ(box.exitCode, kRuntimeErrorExit);
}

TEST(RuntimeErrorBox, MissingStartWindow) {
    Box box = RunProbeToBox("start-missing");
    EXPECT_EQ(box.text, "运行时出错!\r\n\r\n错误信息：载入启动窗口失败\r\n");
    EXPECT_EQ(box.exitCode, kRuntimeErrorExit);
}

TEST(RuntimeErrorBox, UnreadableTemplateBlock) {
    Box box = RunProbeToBox("bad-templates");
    EXPECT_EQ(box.text, "运行时出错!\r\n\r\n错误信息：载入窗口模板数据段出错!\r\n");
    EXPECT_EQ(box.exitCode, kRuntimeErrorExit);
}

TEST(RuntimeErrorBox, UnknownFunctionNamesDllAndFunction) {
    Box box = RunProbeToBox("native-missing");
    EXPECT_EQ(box.text,
              "运行时出错!\r\n\r\n错误信息：无法找到指定DLL库文件“kvprobe.dll”中的输出命令“"
              "NoSuchFunction”\r\n");
    EXPECT_EQ(box.exitCode, kRuntimeErrorExit);
}

TEST(RuntimeErrorBox, UnknownFunctionWithoutDllNamesTheFunction) {
    Box box = RunProbeToBox("native-missing-nodll");
    EXPECT_EQ(box.text,
              "运行时出错!\r\n\r\n错误信息：无法找到指定DLL库文件中的输出命令“"
              "NoSuchFunctionAnywhere”\r\n");
    EXPECT_EQ(box.exitCode, kRuntimeErrorExit);
}

TEST(RuntimeErrorBox, ACommandOutOfMemoryEndsAsAnAllocationFailure) {
    Box box = RunProbeToBox("command-throws");
    EXPECT_EQ(box.text, "运行时出错!\r\n\r\n错误信息：分配 0 字节内存失败!\r\n");
    EXPECT_EQ(box.exitCode, kRuntimeErrorExit);
}

TEST(RuntimeErrorBox, NonNumericConversion) {
    Box box = RunProbeToBox("not-numeric");
    EXPECT_EQ(box.text, "运行时出错!\r\n\r\n错误信息：欲转换数据类型不是数值\r\n");
    EXPECT_EQ(box.exitCode, kRuntimeErrorExit);
}

TEST(NativeCall, BareNameFindsTheDllBesideTheProgram) {
    ProbeRun run = RunProbe("native-call");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_NE(run.output.find("sum 42\n"), std::string::npos) << run.output;
}

#if defined(__i386__)
TEST(NativeCall, StackPointerChangedByTheCallIsErrorSix) {
    Box box = RunProbeToBox("native-wrong-count");
    EXPECT_EQ(box.text,
              "运行时出错!\r\n\r\n错误代码：6\r\n\r\n错误信息：调用DLL命令后发现堆栈错误\r\n");
    EXPECT_EQ(box.exitCode, kRuntimeErrorExit);
}
#else
// One calling convention, the caller owns the argument area: a surplus argument is ignored.
TEST(NativeCall, SurplusArgumentIsHarmlessOnX64) {
    ProbeRun run = RunProbe("native-wrong-count");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_NE(run.output.find("sum 3\n"), std::string::npos) << run.output;
}
#endif

TEST(ProgramLocation, DirectoryHasNoTrailingSeparator) {
    ProbeRun run = RunProbe("program-dir");
    std::string folder = test::ProgramFolder();
    folder.pop_back();
    EXPECT_EQ(run.output, "notify 1 SystemNotify\n" + folder + "\nkernel_probe.exe\n" + folder +
                              "\nexit 1 main\nexit 2\nnotify 6 0\n");
}

TEST(ProgramLocation, ProgramInTheRootOfADriveGetsTheDriveOnly) {
    std::string copy = "C:\\kv_probe_" + std::to_string(GetCurrentProcessId()) + ".exe";
    ASSERT_TRUE(CopyFileA(ProbePath().c_str(), copy.c_str(), FALSE));
    ProbeRun run = RunProbe("program-dir", copy);
    DeleteFileA(copy.c_str());
    EXPECT_EQ(run.output, "notify 1 SystemNotify\nC:\n" + copy.substr(3) +
                              "\nC:\\\nexit 1 main\nexit 2\nnotify 6 0\n");
}

}  // namespace
}  // namespace kv
