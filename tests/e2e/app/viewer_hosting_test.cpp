// The program started on one image, as the system starts the installed copy for an image
// file: it opens the viewer, docks its window into the viewer's navigation pane, keeps it
// there, converts on "修复", and cleans up when the viewer is closed.
#include <gtest/gtest.h>
#include <windows.h>
// The process snapshot needs the base Windows types first.
#include <tlhelp32.h>

#include <random>

#include "tests/e2e/app/program_session.h"
#include "tests/e2e/driver/files.h"
#include "tests/e2e/driver/message_box.h"
#include "tests/e2e/driver/polling.h"
#include "tests/e2e/driver/window_actions.h"
#include "tests/e2e/driver/window_query.h"
#include "tests/e2e/driver/window_tree.h"
#include "tests/host/imageconv/test_images.h"

namespace kv::test {
namespace {

constexpr DWORD kViewerMs = 15000;
constexpr DWORD kExitMs = 15000;
// The program searches for the viewer for about ten seconds before it gives up.
constexpr DWORD kSearchGivesUpMs = 25000;
const std::string kPictures = "D:\\图片 库\\";

// Running processes of the program's file name other than `except` (a relaunch starts the
// installed copy).
int OtherInstancesRunning(DWORD except) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        count +=
            entry.th32ProcessID != except && std::string(entry.szExeFile) == "Tavi图片查看器.exe";
    CloseHandle(snapshot);
    return count;
}

// The conversion's hidden backing files in the temporary folder.
int BackingFiles() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    int count = 0;
    for (const std::string& name : e2e::ListFiles(temp)) count += name.rfind("QRVCLASS", 0) == 0;
    return count;
}

class ProgramViewerHostingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(e2e::RemoveTree(kInstallFolder));
        ASSERT_TRUE(e2e::RemoveTree(kPictures));
        ASSERT_TRUE(CreateDirectoryA(kPictures.c_str(), nullptr));
        SetSystemViewerLibrary(true);
    }

    void TearDown() override {
        for (HWND viewer : e2e::ChildWindows(nullptr)) {
            if (e2e::ClassNameOf(viewer) == "Photo_Lightweight_Viewer") e2e::PostClose(viewer);
        }
        e2e::RemoveTree(kPictures);
    }

    // Starts the program on the image as the shell does, with a wide command line, and
    // waits until its window is docked in the viewer titled with viewerName (empty: any).
    void OpenDocked(const std::wstring& fileName, const std::string& bytes,
                    const std::string& viewerName) {
        const std::wstring path = e2e::Wide(kPictures) + fileName;
        const size_t folderEnd = path.find_last_of(L'\\');
        CreateDirectoryW(path.substr(0, folderEnd).c_str(), nullptr);
        ASSERT_TRUE(e2e::WriteFileBytes(path, bytes));
        program_ =
            e2e::ChildProcess::Start(L"\"" + e2e::Wide(BuiltProgram()) + L"\" \"" + path + L"\"");
        ASSERT_TRUE(program_.has_value());
        viewer_ = viewerName.empty()
                      ? e2e::WaitForTopWindow("Photo_Lightweight_Viewer", "", kViewerMs)
                      : WaitForViewer(viewerName, kViewerMs);
        ASSERT_NE(viewer_, nullptr) << "no viewer for " << viewerName;
        docked_ = WaitForDockedWindow(viewer_, kViewerMs);
        ASSERT_NE(docked_, nullptr) << e2e::FormatWindowTree(viewer_);
    }
    void OpenDocked(const std::string& fileName, const std::string& bytes) {
        OpenDocked(e2e::Wide(fileName), bytes, fileName);
    }

    void RepairAndReopen(const std::wstring& fileName, const std::string& bitmapName,
                         const std::string& bytes, const std::string& viewerName);
    void RepairAndReopen(const std::string& fileName, const std::string& bytes) {
        RepairAndReopen(e2e::Wide(fileName), fileName + ".bmp", bytes, fileName);
    }

    void ExpectDockedAtHostOffset() {
        const e2e::WindowInfo window = e2e::DescribeWindow(docked_);
        SCOPED_TRACE(e2e::FormatWindowTree(viewer_));
        EXPECT_EQ(window.parent, e2e::FindChild(viewer_, "Photos_NavigationPane", "导航窗格"));
        EXPECT_EQ(window.rectInParent.left, 10);
        EXPECT_EQ(window.rectInParent.top, 10);
    }

    std::optional<e2e::ChildProcess> program_;
    HWND viewer_ = nullptr;
    HWND docked_ = nullptr;
};

TEST_F(ProgramViewerHostingTest, TheWindowDocksIntoTheViewerFollowsItAndGoesWithIt) {
    OpenDocked("照片 一.bmp", e2e::MakeBmp24(320, 200));
    EXPECT_FALSE(e2e::FindMessageBox(program_->id()).has_value());

    const e2e::WindowInfo window = e2e::DescribeWindow(docked_);
    EXPECT_EQ(window.processId, program_->id());
    EXPECT_TRUE(window.visible);
    EXPECT_EQ(window.style & (WS_CAPTION | WS_THICKFRAME | WS_DLGFRAME | WS_BORDER), 0);
    EXPECT_EQ(window.screenRect.right - window.screenRect.left, 104);
    EXPECT_EQ(window.screenRect.bottom - window.screenRect.top, 41);
    ExpectDockedAtHostOffset();
    const HWND button = e2e::FindChild(docked_, "Button", "修复");
    ASSERT_NE(button, nullptr) << e2e::FormatWindowTree(docked_);
    EXPECT_TRUE(e2e::DescribeWindow(button).visible);

    // Moved away, the window comes back once the viewer's layout changes.
    ASSERT_TRUE(e2e::MoveWindowTo(docked_, 60, 30));
    ASSERT_TRUE(e2e::ResizeWindow(viewer_, 700, 500));
    EXPECT_TRUE(e2e::WaitUntil(5000, [&] {
        const POINT at = e2e::PositionInParent(docked_);
        return at.x == 10 && at.y == 10;
    })) << e2e::FormatWindowTree(viewer_);
    ExpectDockedAtHostOffset();

    // Closing the viewer takes the docked window with it; the staging folder goes too.
    ASSERT_TRUE(CreateDirectoryA(kInstallFolder.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(kStagingFolder.c_str(), nullptr));
    ASSERT_TRUE(e2e::WriteFileBytes(kStagingFolder + "\\left over.bmp", "x"));
    ASSERT_TRUE(e2e::PostClose(viewer_));
    const std::optional<DWORD> exitCode = program_->WaitForExit(kExitMs);
    ASSERT_TRUE(exitCode.has_value()) << "the program outlived its viewer";
    EXPECT_EQ(*exitCode, 0u);
    EXPECT_FALSE(e2e::DirectoryExists(kStagingFolder));
}

TEST_F(ProgramViewerHostingTest, WithoutAViewerWindowTheWindowStaysTopLevelAtTheScreenCorner) {
    // An empty path: the viewer opens no window for it.
    program_ = StartProgram(BuiltProgram(), "\"\"");
    ASSERT_TRUE(program_.has_value());
    HWND window = nullptr;
    ASSERT_TRUE(e2e::WaitUntil(kSearchGivesUpMs, [&] {
        for (HWND top : e2e::TopWindowsOfProcess(program_->id())) {
            if (e2e::ClassNameOf(top) == "ZorWindow" && IsWindowVisible(top)) window = top;
        }
        return window != nullptr;
    }));
    // The window is shown first and placed right after; give the placement its moment.
    e2e::WaitUntil(5000, [&] {
        const POINT at = e2e::PositionInParent(window);
        return at.x == 10 && at.y == 10;
    });
    const e2e::WindowInfo info = e2e::DescribeWindow(window);
    EXPECT_EQ(info.parent, nullptr);
    EXPECT_EQ(info.screenRect.left, 10);
    EXPECT_EQ(info.screenRect.top, 10);
    EXPECT_EQ(info.style & (WS_CAPTION | WS_THICKFRAME), 0);
    EXPECT_FALSE(e2e::FindMessageBox(program_->id()).has_value());
    EXPECT_TRUE(program_->IsRunning());
}

// "修复" on the image named fileName: the program converts it to bitmapName and ends, and
// the installed copy, started on the bitmap, docks into the bitmap's viewer; closing that
// viewer ends the copy, which removes the staging folder.
void ProgramViewerHostingTest::RepairAndReopen(const std::wstring& fileName,
                                               const std::string& bitmapName,
                                               const std::string& bytes,
                                               const std::string& viewerName) {
    ASSERT_TRUE(e2e::RemoveTree(kInstallFolder));
    ASSERT_TRUE(CreateDirectoryA(kInstallFolder.c_str(), nullptr));
    ASSERT_TRUE(CopyFileA(BuiltProgram().c_str(), kInstalledProgram.c_str(), FALSE));
    OpenDocked(fileName, bytes, viewerName);
    EXPECT_EQ(e2e::TitleOf(viewer_).find('?'), std::string::npos) << e2e::TitleOf(viewer_);

    const HWND button = e2e::FindChild(docked_, "Button", "修复");
    ASSERT_NE(button, nullptr) << e2e::FormatWindowTree(docked_);
    ASSERT_TRUE(e2e::ClickButton(button));

    const std::optional<DWORD> exitCode = program_->WaitForExit(kExitMs);
    ASSERT_TRUE(exitCode.has_value()) << "the program did not end after the click";
    EXPECT_EQ(*exitCode, 0u);
    EXPECT_TRUE(e2e::FileExists(kStagingFolder + "\\" + bitmapName));
    EXPECT_TRUE(e2e::WaitUntil(kExitMs, [&] { return !IsWindow(viewer_); }))
        << "the old viewer is still open";

    viewer_ = WaitForViewer(bitmapName, kViewerMs);
    ASSERT_NE(viewer_, nullptr) << "no viewer for the converted bitmap";
    docked_ = WaitForDockedWindow(viewer_, kViewerMs);
    ASSERT_NE(docked_, nullptr) << e2e::FormatWindowTree(viewer_);
    EXPECT_NE(e2e::DescribeWindow(docked_).processId, program_->id());
    ExpectDockedAtHostOffset();
    EXPECT_FALSE(e2e::FindMessageBox(e2e::DescribeWindow(docked_).processId).has_value());

    HANDLE copy = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE,
                              e2e::DescribeWindow(docked_).processId);
    ASSERT_NE(copy, nullptr);
    ASSERT_TRUE(e2e::PostClose(viewer_));
    EXPECT_EQ(WaitForSingleObject(copy, kExitMs), WAIT_OBJECT_0);
    DWORD copyExit = 1;
    EXPECT_TRUE(GetExitCodeProcess(copy, &copyExit));
    EXPECT_EQ(copyExit, 0u);
    CloseHandle(copy);
    EXPECT_FALSE(e2e::DirectoryExists(kStagingFolder));
    EXPECT_TRUE(e2e::WaitUntil(kExitMs, [&] { return !IsWindow(viewer_); }));
}

TEST_F(ProgramViewerHostingTest, RepairConvertsTheImageAndTheInstalledCopyShowsTheBitmap) {
    RepairAndReopen("旧 照片.pcx", MakePcx24(64, 48));
}

// Names with characters the code page lacks, as the shell passes them: the program reaches
// the file under a name the code page carries, and names the bitmap after the original with
// those characters replaced.
TEST_F(ProgramViewerHostingTest, NamesOutsideTheCodePageOpenDockAndConvert) {
    const struct {
        std::wstring name;
        std::string bitmapName;
        std::string viewerName;  // empty: whatever name reaches the file
    } cases[] = {
        {L"사진 2024.pcx", "__ 2024.pcx.bmp", ""},  // Korean
        {L"照片😀.pcx", "照片_.pcx.bmp", ""},        // an emoji
        {L"𠮷野家.pcx", "_野家.pcx.bmp", ""},       // an extension-B ideograph
        // Only the folder lost characters: the viewer shows the file's own name.
        {L"相册 사진\\旧 照片.pcx", "旧 照片.pcx.bmp", "旧 照片.pcx"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bitmapName);
        RepairAndReopen(c.name, c.bitmapName, MakePcx24(64, 48), c.viewerName);
    }
}

TEST_F(ProgramViewerHostingTest, RepairConvertsAWebpImage) {
    RepairAndReopen("网页 图片.webp", e2e::ReadFileBytes(e2e::TestImage("test.webp")).value_or(""));
}

TEST_F(ProgramViewerHostingTest, RepairConvertsAPhoneHeicPhoto) {
    RepairAndReopen("手机 照片.heic",
                    e2e::ReadFileBytes(e2e::TestImage("example.heic")).value_or(""));
}

// Files no reader takes, and hostile ones that declare one size and would make a library
// decode another: "修复" says so and changes nothing; viewer and program stay.
TEST_F(ProgramViewerHostingTest, AnImageNoReaderTakesKeepsTheViewerAndSaysSo) {
    ASSERT_TRUE(CreateDirectoryA(kInstallFolder.c_str(), nullptr));
    ASSERT_TRUE(CopyFileA(BuiltProgram().c_str(), kInstalledProgram.c_str(), FALSE));
    // 1.5 MB of random bytes: no reader takes them, whatever formats it learns.
    std::mt19937 random(12);
    std::vector<uint8_t> noise(1536 * 1024);
    for (uint8_t& byte : noise) byte = uint8_t(random());
    const std::vector<uint8_t> photo = imageconv::test::ReadFile(e2e::TestImage("example.heic"));
    const struct {
        std::string name;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"x.heic", noise},
        {"网格.heic", imageconv::test::DerivedHeic(photo, "grid", 14000, 14000)},
        {"编码.heic", imageconv::test::CodedSizeHeic(photo, 26880, 26880)},
        {"动画.webp", imageconv::test::AnimatedWebp(16384, 32767)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_FALSE(c.bytes.empty());
        OpenDocked(c.name, std::string(c.bytes.begin(), c.bytes.end()));
        const int backingFiles = BackingFiles();

        const HWND button = e2e::FindChild(docked_, "Button", "修复");
        ASSERT_NE(button, nullptr) << e2e::FormatWindowTree(docked_);
        ASSERT_TRUE(e2e::ClickButton(button));
        AcknowledgeMessage(program_->id(), "图片转换失败！", true);

        // The viewer stays with the window docked in it; nothing was relaunched or written.
        EXPECT_TRUE(program_->IsRunning());
        ASSERT_TRUE(IsWindow(viewer_));
        ExpectDockedAtHostOffset();
        EXPECT_EQ(OtherInstancesRunning(program_->id()), 0);
        EXPECT_EQ(WaitForViewer(c.name + ".bmp", 2000), nullptr);
        EXPECT_FALSE(e2e::FileExists(kStagingFolder + "\\" + c.name + ".bmp"));
        EXPECT_EQ(BackingFiles(), backingFiles);

        // Closing the viewer ends the program, ready for the next file.
        ASSERT_TRUE(e2e::PostClose(viewer_));
        ASSERT_TRUE(program_->WaitForExit(kExitMs).has_value());
    }
}

}  // namespace
}  // namespace kv::test
