// The program on a system whose folder refuses the viewer library: the harness runs this
// test while System32\shimgvw.dll is a link to nowhere, so the library is missing and no
// file can be written in its place, as in a system folder without write permission; and
// again while its write fails part-way, which must not leave a damaged library behind for
// the next start to find.
#include <gtest/gtest.h>

#include "tests/e2e/app/program_session.h"
#include "tests/e2e/driver/files.h"

namespace kv::test {
namespace {

constexpr DWORD kExitMs = 20000;

TEST(ProgramLibraryWriteRefusedTest, BothMessagesThenTheEndEvenWithAnImage) {
    ASSERT_TRUE(e2e::RemoveTree(kInstallFolder));
    ASSERT_FALSE(e2e::FileExists(SystemViewerLibrary()));
    const std::string image = "D:\\refused.bmp";
    ASSERT_TRUE(e2e::WriteFileBytes(image, e2e::MakeBmp24(64, 64)));

    std::optional<e2e::ChildProcess> program = StartProgram(BuiltProgram(), "\"" + image + "\"");
    ASSERT_TRUE(program.has_value());
    AcknowledgeMessage(program->id(), "Windows照片查看器未找到，准备尝试修复", true);
    AcknowledgeMessage(program->id(), "修复失败！请以管理员身份运行！", true);
    const std::optional<DWORD> exitCode = program->WaitForExit(kExitMs);
    ASSERT_TRUE(exitCode.has_value()) << "the program did not end after the failed repair";
    EXPECT_EQ(*exitCode, 0u);
    EXPECT_FALSE(e2e::FileExists(SystemViewerLibrary()));
    EXPECT_EQ(WaitForViewer("refused.bmp", 0), nullptr);
    DeleteFileA(image.c_str());
}

}  // namespace
}  // namespace kv::test
