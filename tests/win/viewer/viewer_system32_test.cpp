// The viewer installed where the program expects it, System32 of the Windows folder, and
// started with exactly the command line the program builds. This test runs in a Wine
// prefix of its own, since it changes the system folder.
#include <gtest/gtest.h>
#include <windows.h>

#include "tests/e2e/driver/files.h"
#include "tests/e2e/driver/process.h"
#include "tests/e2e/driver/window_actions.h"
#include "tests/e2e/driver/window_query.h"
#include "tests/win/viewer/scratch_folder.h"

namespace kv::test {
namespace {

class SystemViewerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        installed_ = e2e::SystemDirectory() + "shimgvw.dll";
        ASSERT_TRUE(CopyFileA(BuiltViewerLibrary().c_str(), installed_.c_str(), FALSE));
        ASSERT_TRUE(CreateDirectoryA("D:\\图片 集", nullptr) ||
                    GetLastError() == ERROR_ALREADY_EXISTS);
    }
    void TearDown() override {
        e2e::RemoveTree("D:\\图片 集");
        e2e::RemoveTree(installed_);
    }

    std::string installed_;
};

TEST_F(SystemViewerTest, ProgramCommandLineOpensTheViewerFromTheSystemFolder) {
    const std::string image = "D:\\图片 集\\旅行 照片.bmp";
    ASSERT_TRUE(e2e::WriteFileBytes(image, e2e::MakeBmp24(640, 480)));
    std::optional<e2e::ChildProcess> viewer =
        e2e::ChildProcess::Start("rundll32.exe " + e2e::WindowsDirectory() +
                                 "System32\\shimgvw.dll,ImageView_Fullscreen " + image);
    ASSERT_TRUE(viewer.has_value());

    HWND frame = e2e::WaitForTopWindow("Photo_Lightweight_Viewer",
                                       "旅行 照片.bmp - Windows 照片查看器", 15000);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(e2e::DescribeWindow(frame).processId, viewer->id());
    EXPECT_NE(e2e::FindChild(frame, "Photos_PhotoCanvas"), nullptr);
    EXPECT_NE(e2e::FindChild(frame, "Photos_NavigationPane", "导航窗格"), nullptr);

    ASSERT_TRUE(e2e::PostClose(frame));
    EXPECT_EQ(viewer->WaitForExit(10000), std::optional<DWORD>(0));
}

}  // namespace
}  // namespace kv::test
