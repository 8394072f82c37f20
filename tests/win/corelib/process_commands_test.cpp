// The process and environment commands through the core library's command array: starting
// a child that reports its show command, the program's arguments, directory and file name,
// and pending-message processing.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "corelib/arguments.h"
#include "corelib/commands.h"
#include "corelib/system_notify.h"
#include "tests/host/corelib/command_calls.h"
#include "tests/support/fake_kernel.h"

namespace kv::test {
namespace {

using core::kCoreCommands;
using Texts = std::vector<std::string>;

std::string ThisDirectory() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string directory = path;
    return directory.substr(0, directory.rfind('\\'));
}

std::string ReadText(const std::string& path) {
    std::string text;
    if (FILE* in = fopen(path.c_str(), "r")) {
        char buffer[64] = {};
        text = fgets(buffer, sizeof(buffer), in) ? buffer : "";
        fclose(in);
    }
    return text;
}

class RunProgramTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        report_ =
            std::string(temp) + "corelib_show_" + std::to_string(GetCurrentProcessId()) + ".txt";
        DeleteFileA(report_.c_str());
    }
    void TearDown() override { DeleteFileA(report_.c_str()); }

    std::string ChildLine(int delayMs = 0) {
        return "\"" + ThisDirectory() + "\\corelib_show_reporter.exe\" \"" + report_ + "\" " +
               std::to_string(delayMs);
    }
    // Runs the child with wait true and the given mode argument; answers its report.
    std::string ShowCommandFor(ArgValue mode) {
        const std::string line = ChildLine();
        ArgValue result =
            Call(kCoreCommands[core::kRunProgram], {TextArg(line.c_str()), BoolArg(true), mode});
        EXPECT_EQ(result.type, tag::kBool);
        EXPECT_NE(result.value.i32, 0);
        const std::string report = ReadText(report_);
        DeleteFileA(report_.c_str());
        return report;
    }

    std::string report_;
};

TEST_F(RunProgramTest, WindowModesBecomeShowCommands) {
    const std::string showWindowFlag = std::to_string(STARTF_USESHOWWINDOW) + " ";
    EXPECT_EQ(ShowCommandFor(OmittedArg()), showWindowFlag + "1");  // mode 2: normal
    EXPECT_EQ(ShowCommandFor(IntArg(1)), showWindowFlag + "0");     // hidden
    EXPECT_EQ(ShowCommandFor(IntArg(0)), showWindowFlag + "0");     // as mode 1
    EXPECT_EQ(ShowCommandFor(IntArg(-4)), showWindowFlag + "0");
    EXPECT_EQ(ShowCommandFor(IntArg(3)), showWindowFlag + "2");
    EXPECT_EQ(ShowCommandFor(IntArg(4)), showWindowFlag + "3");
    EXPECT_EQ(ShowCommandFor(IntArg(5)), showWindowFlag + "4");
    EXPECT_EQ(ShowCommandFor(IntArg(6)), showWindowFlag + "6");
    EXPECT_EQ(ShowCommandFor(IntArg(9)), showWindowFlag + "6");  // as mode 6
}

TEST_F(RunProgramTest, WaitingReturnsOnlyAfterTheChildEnded) {
    const std::string line = ChildLine(700);
    const DWORD started = GetTickCount();
    ArgValue result =
        Call(kCoreCommands[core::kRunProgram], {TextArg(line.c_str()), BoolArg(true)});
    EXPECT_NE(result.value.i32, 0);
    EXPECT_GE(GetTickCount() - started, 650u);
    EXPECT_EQ(ReadText(report_), std::to_string(STARTF_USESHOWWINDOW) + " 1");
}

// The process id, when asked for, names the child that runs on.
TEST_F(RunProgramTest, WithoutWaitingTheChildRunsOn) {
    const std::string line = ChildLine(1500);
    int32_t processId = 0;
    ArgValue result = Call(
        kCoreCommands[core::kRunProgram],
        {TextArg(line.c_str()), OmittedArg(), OmittedArg(), ByAddressArg(&processId, tag::kInt)});
    EXPECT_NE(result.value.i32, 0);
    EXPECT_EQ(ReadText(report_), "");  // still asleep
    HANDLE child = OpenProcess(SYNCHRONIZE, FALSE, DWORD(processId));
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(WaitForSingleObject(child, 10000), WAIT_OBJECT_0);
    CloseHandle(child);
    EXPECT_EQ(ReadText(report_), std::to_string(STARTF_USESHOWWINDOW) + " 1");
}

TEST_F(RunProgramTest, AMissingProgramIsFalse) {
    const std::string line = "\"" + ThisDirectory() + "\\no_such_program.exe\" x";
    ArgValue result =
        Call(kCoreCommands[core::kRunProgram], {TextArg(line.c_str()), BoolArg(true)});
    EXPECT_EQ(result.type, tag::kBool);
    EXPECT_EQ(result.value.i32, 0);
    int32_t processId = 7;
    result = Call(kCoreCommands[core::kRunProgram],
                  {TextArg(""), OmittedArg(), OmittedArg(), ByAddressArg(&processId, tag::kInt)});
    EXPECT_EQ(result.value.i32, 0);
    EXPECT_EQ(processId, 0);
}

TEST(GetArgumentsTest, ReplacesTheVariablesArrayWithTheCommandLineArguments) {
    const int liveBefore = LiveBlocks();
    // The variable holds an older array whose texts must be released with it.
    core::KeepSystemNotify(FakeSystemNotify);
    void* variable = core::NewTextArray({"old", "values", "here"});
    ArgValue address{};
    address.value.ptr = &variable;
    address.type = tag::kText | tag::kArrayBit;
    Call(kCoreCommands[core::kGetArguments], {address});

    Texts expected;
    for (int i = 1; i < __argc; ++i) expected.push_back(__argv[i]);
    ASSERT_FALSE(expected.empty());  // CTest passes a test filter
    EXPECT_EQ(TakeTextArray(variable), expected);
    EXPECT_EQ(LiveBlocks(), liveBefore);
}

TEST(ProgramLocationTest, DirectoryAndFileNameAreFreshCopiesOfTheKernelsTexts) {
    SetProgramLocation("C:\\Tavi图片查看器", "Tavi图片查看器.exe");
    EXPECT_EQ(CallForText(kCoreCommands[core::kGetRunDirectory], {}), "C:\\Tavi图片查看器");
    EXPECT_EQ(CallForText(kCoreCommands[core::kGetProgramFileName], {}), "Tavi图片查看器.exe");
    SetProgramLocation("", "prog.exe");
    EXPECT_EQ(CallForText(kCoreCommands[core::kGetRunDirectory], {}), "");
}

int pumpRequests = 0;
intptr_t KV_STDCALL CountingNotify(int32_t code, intptr_t p1, intptr_t p2) {
    if (code == sysnotify::kProcessMessages) ++pumpRequests;
    return FakeSystemNotify(code, p1, p2);
}

TEST(ProcessEventsTest, AsksTheKernelToProcessPendingMessages) {
    core::KeepSystemNotify(CountingNotify);
    ArgValue result{};
    kCoreCommands[core::kProcessEvents](&result, 0, nullptr);
    EXPECT_EQ(pumpRequests, 1);
    EXPECT_EQ(result.type, tag::kOmitted);
}

}  // namespace
}  // namespace kv::test
