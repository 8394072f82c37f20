// The driver's file helpers, on a scratch folder of the test's own.
#include "tests/e2e/driver/files.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "tests/win/viewer/scratch_folder.h"

namespace kv::test {
namespace {

TEST(DriverFilesTest, ListsWritesReadsAndRemovesWithGbkNames) {
    ScratchFolder folder("driver files");
    ASSERT_TRUE(e2e::WriteFileBytes(folder.path() + "乙 b.bmp", std::string("\0\1\2", 3)));
    ASSERT_TRUE(e2e::WriteFileBytes(folder.path() + "a.txt", "text"));
    ASSERT_TRUE(CreateDirectoryA((folder.path() + "子目录").c_str(), nullptr));
    ASSERT_TRUE(e2e::WriteFileBytes(folder.path() + "子目录\\c", "c"));

    EXPECT_EQ(e2e::ListFiles(folder.path()),
              (std::vector<std::string>{"a.txt", "乙 b.bmp", "子目录"}));
    EXPECT_EQ(e2e::ReadFileBytes(folder.path() + "乙 b.bmp"), std::string("\0\1\2", 3));
    EXPECT_TRUE(e2e::FileExists(folder.path() + "a.txt"));
    EXPECT_FALSE(e2e::FileExists(folder.path() + "子目录"));
    EXPECT_TRUE(e2e::DirectoryExists(folder.path() + "子目录"));
    EXPECT_FALSE(e2e::ReadFileBytes(folder.path() + "missing").has_value());

    EXPECT_TRUE(e2e::RemoveTree(folder.path() + "子目录"));
    EXPECT_EQ(e2e::ListFiles(folder.path()), (std::vector<std::string>{"a.txt", "乙 b.bmp"}));
    EXPECT_TRUE(e2e::ListFiles(folder.path() + "missing").empty());
}

TEST(DriverFilesTest, MakesABitmapWithTheStandardHeaderAndPaddedRows) {
    const std::string bmp = e2e::MakeBmp24(3, 2);
    const int rowBytes = 12;  // 3 pixels of 3 bytes, padded to 4
    ASSERT_EQ(bmp.size(), 54u + 2 * rowBytes);
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(static_cast<unsigned char>(bmp[2]), 54 + 2 * rowBytes);
    EXPECT_EQ(bmp[10], 54);
    EXPECT_EQ(bmp[28], 24);
}

TEST(DriverFilesTest, WindowsFoldersEndInASeparator) {
    EXPECT_EQ(e2e::WindowsDirectory().back(), '\\');
    EXPECT_EQ(e2e::SystemDirectory(), e2e::WindowsDirectory() + "System32\\");
    EXPECT_TRUE(e2e::DirectoryExists(e2e::SystemDirectory()));
    EXPECT_TRUE(e2e::FileExists(e2e::ProgramDirectory() + "viewer_driver_test.exe"));
}

}  // namespace
}  // namespace kv::test
