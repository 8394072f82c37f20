// The OS-interface library through its LibraryInfo: GetSpecialFolder by number, results
// allocated through the kept SystemNotify, and the library's notification answers.
#include "oslib/folder_lookup.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "tests/support/fake_kernel.h"

namespace kv::test {
namespace {

using os::kOsLibraryInfo;

class SpecialFolderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(kOsLibraryInfo.notify(libnotify::kStart,
                                        reinterpret_cast<intptr_t>(FakeSystemNotify), 0),
                  0);
    }

    // The command's text result for `number`, copied and released.
    std::string Folder(int32_t number) {
        const int liveBefore = LiveBlocks();
        ArgValue arg{};
        arg.value.i32 = number;
        arg.type = tag::kInt;
        ArgValue result{};
        kOsLibraryInfo.commands[0](&result, 1, &arg);
        EXPECT_EQ(result.type, tag::kText);
        if (!result.value.text) {
            EXPECT_EQ(LiveBlocks(), liveBefore);
            return {};
        }
        EXPECT_EQ(LiveBlocks(), liveBefore + 1);  // one fresh block from the kernel's heap
        std::string text = result.value.text;
        EXPECT_FALSE(text.empty());
        FakeSystemNotify(sysnotify::kRelease, reinterpret_cast<intptr_t>(result.value.text), 0);
        return text;
    }
};

bool EndsInOneBackslash(const std::string& path) {
    return path.size() >= 2 && path.back() == '\\' && path[path.size() - 2] != '\\';
}

TEST_F(SpecialFolderTest, WindowsDirectoryGetsOneTrailingBackslash) {
    char windows[MAX_PATH];
    ASSERT_NE(GetWindowsDirectoryA(windows, MAX_PATH), 0u);
    const std::string path = Folder(9);
    EXPECT_EQ(path, std::string(windows) + "\\");
    EXPECT_TRUE(EndsInOneBackslash(path)) << path;
}

TEST_F(SpecialFolderTest, SystemDirectory) {
    char system[MAX_PATH];
    ASSERT_NE(GetSystemDirectoryA(system, MAX_PATH), 0u);
    EXPECT_EQ(Folder(10), std::string(system) + "\\");
}

TEST_F(SpecialFolderTest, TemporaryDirectoryIsNotGivenASecondBackslash) {
    char temp[MAX_PATH];
    ASSERT_NE(GetTempPathA(MAX_PATH, temp), 0u);
    const std::string path = Folder(11);
    EXPECT_EQ(path, temp);
    EXPECT_TRUE(EndsInOneBackslash(path)) << path;
}

TEST_F(SpecialFolderTest, ShellFoldersEndInOneBackslash) {
    for (int32_t number = 1; number <= 8; ++number) {
        const std::string path = Folder(number);
        if (!path.empty()) {
            EXPECT_TRUE(EndsInOneBackslash(path)) << number << ": " << path;
        }
    }
    // Documents and application data exist in every profile.
    EXPECT_FALSE(Folder(1).empty());
    EXPECT_FALSE(Folder(8).empty());
}

TEST_F(SpecialFolderTest, UnknownNumbersGiveTheEmptyText) {
    EXPECT_EQ(Folder(0), "");
    EXPECT_EQ(Folder(12), "");
    EXPECT_EQ(Folder(-1), "");
}

TEST(OsLibraryInfoTest, OneCommandAndNoOtherNotifications) {
    ASSERT_EQ(kOsLibraryInfo.commandCount, 1u);
    EXPECT_EQ(kOsLibraryInfo.commands[0], &os::GetSpecialFolder);
    for (int32_t code : {2, 6, 10, 2024}) EXPECT_EQ(kOsLibraryInfo.notify(code, 0, 0), -1) << code;
}

}  // namespace
}  // namespace kv::test
