// The program's start without an image: the viewer library is repaired when the system
// lacks it, and the program installs itself into its fixed folder on drive D:.
#include <gtest/gtest.h>

#include "tests/e2e/app/program_session.h"
#include "tests/e2e/driver/files.h"
#include "tests/e2e/driver/message_box.h"

namespace kv::test {
namespace {

constexpr DWORD kExitMs = 20000;

class ProgramRepairInstallTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(e2e::RemoveTree(kInstallFolder)); }

    // Runs the program with `arguments` and expects it to end by itself with exit code 0.
    void ExpectEndsWithZero(e2e::ChildProcess& program) {
        const std::optional<DWORD> exitCode = program.WaitForExit(kExitMs);
        ASSERT_TRUE(exitCode.has_value()) << "the program did not end";
        EXPECT_EQ(*exitCode, 0u);
    }

    void ExpectInstalledCopyOfBuiltProgram() {
        const std::optional<std::string> installed = e2e::ReadFileBytes(kInstalledProgram);
        ASSERT_TRUE(installed.has_value()) << "nothing at " << kInstalledProgram;
        EXPECT_TRUE(installed == e2e::ReadFileBytes(BuiltProgram()));
    }
};

TEST_F(ProgramRepairInstallTest, MissingLibraryIsRepairedThenTheProgramInstallsItself) {
    SetSystemViewerLibrary(false);
    std::optional<e2e::ChildProcess> program = StartProgram(BuiltProgram(), "");
    ASSERT_TRUE(program.has_value());

    AcknowledgeMessage(program->id(), "Windows照片查看器未找到，准备尝试修复", true);
    AcknowledgeMessage(program->id(), "修复完毕！", false);
    AcknowledgeMessage(program->id(), kInstallMessage, true);
    ExpectEndsWithZero(*program);

    ExpectInstalledCopyOfBuiltProgram();
    const std::optional<std::string> written = e2e::ReadFileBytes(SystemViewerLibrary());
    ASSERT_TRUE(written.has_value());
    EXPECT_TRUE(written == e2e::ReadFileBytes(BuiltViewerLibrary()))
        << "the system library does not hold the embedded viewer";
}

TEST_F(ProgramRepairInstallTest, TwoArgumentsInstallAndAPresentLibraryIsLeftAlone) {
    SetSystemViewerLibrary(true);
    std::optional<e2e::ChildProcess> program = StartProgram(BuiltProgram(), "D:\\a b.jpg");
    ASSERT_TRUE(program.has_value());

    // The first box is the install message: no repair announcement.
    AcknowledgeMessage(program->id(), kInstallMessage, true);
    ExpectEndsWithZero(*program);
    ExpectInstalledCopyOfBuiltProgram();
}

TEST_F(ProgramRepairInstallTest, TheInstalledCopyStartedWithoutArgumentsReportsTheInstallAsUsual) {
    SetSystemViewerLibrary(true);
    ASSERT_TRUE(CreateDirectoryA(kInstallFolder.c_str(), nullptr));
    ASSERT_TRUE(CopyFileA(BuiltProgram().c_str(), kInstalledProgram.c_str(), FALSE));

    // Copying the running program onto itself fails; the program is there all the same.
    std::optional<e2e::ChildProcess> program = StartProgram(kInstalledProgram, "");
    ASSERT_TRUE(program.has_value());
    AcknowledgeMessage(program->id(), kInstallMessage, true);
    ExpectEndsWithZero(*program);
    ExpectInstalledCopyOfBuiltProgram();
}

TEST_F(ProgramRepairInstallTest, AnInstallThatLeavesNoProgramIsReportedAsFailed) {
    SetSystemViewerLibrary(true);
    // A file where the install folder belongs: no folder, no copy.
    ASSERT_TRUE(e2e::WriteFileBytes(kInstallFolder, "not a folder"));

    std::optional<e2e::ChildProcess> program = StartProgram(BuiltProgram(), "");
    ASSERT_TRUE(program.has_value());
    AcknowledgeMessage(program->id(), "安装失败！\r\nD:\\Tavi图片查看器", true);
    ExpectEndsWithZero(*program);
    EXPECT_FALSE(e2e::FileExists(kInstalledProgram));
    DeleteFileA(kInstallFolder.c_str());
}

}  // namespace
}  // namespace kv::test
