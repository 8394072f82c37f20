// The program started on one image, as the system starts the installed copy for an image
// file: it opens the viewer, docks its window into the viewer's navigation pane, keeps it
// there, converts on "修复", and cleans up when the viewer is closed.
#include <gtest/gtest.h>
#include <windows.h>
// The process snapshot needs the base Windows types first.
#include <tlhelp32.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <utility>

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

// The program's window once it has given up searching for a viewer: top-level, shown and
// placed at the screen corner; nullptr when it does not come.
HWND WaitForCornerWindow(DWORD processId) {
    HWND window = nullptr;
    e2e::WaitUntil(kSearchGivesUpMs, [&] {
        for (HWND top : e2e::TopWindowsOfProcess(processId)) {
            if (e2e::ClassNameOf(top) == "ZorWindow" && IsWindowVisible(top)) window = top;
        }
        return window != nullptr;
    });
    // The window is shown first and placed right after; give the placement its moment.
    if (window) {
        e2e::WaitUntil(5000, [&] {
            const POINT at = e2e::PositionInParent(window);
            return at.x == 10 && at.y == 10;
        });
    }
    return window;
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
    // waits until its window is docked in the viewer titled with viewerName (empty: the
    // viewer that opens, whatever its title), or when the viewer has nothing to show, until
    // the window waits at the screen corner.
    void OpenDocked(const std::wstring& fileName, const std::string& bytes,
                    const std::string& viewerName, bool viewerShows = true) {
        const std::wstring path = e2e::Wide(kPictures) + fileName;
        const size_t folderEnd = path.find_last_of(L'\\');
        CreateDirectoryW(path.substr(0, folderEnd).c_str(), nullptr);
        ASSERT_TRUE(e2e::WriteFileBytes(path, bytes));
        ASSERT_TRUE(SetFileAttributesW(path.c_str(), photoAttributes_));
        const std::vector<HWND> viewersBefore = Viewers();
        program_ =
            e2e::ChildProcess::Start(L"\"" + e2e::Wide(programFile_) + L"\" \"" + path + L"\"");
        ASSERT_TRUE(program_.has_value());
        if (!viewerShows) {
            viewer_ = nullptr;
            docked_ = WaitForCornerWindow(program_->id());
            ASSERT_NE(docked_, nullptr);
            return;
        }
        viewer_ = viewerName.empty() ? WaitForNewViewer(viewersBefore)
                                     : WaitForViewer(viewerName, kViewerMs);
        ASSERT_NE(viewer_, nullptr) << "no viewer for " << viewerName;
        docked_ = WaitForDockedWindow(viewer_, kViewerMs);
        ASSERT_NE(docked_, nullptr) << e2e::FormatWindowTree(viewer_);
        EXPECT_EQ(e2e::DescribeWindow(docked_).processId, program_->id());
    }
    void OpenDocked(const std::string& fileName, const std::string& bytes) {
        OpenDocked(e2e::Wide(fileName), bytes, fileName);
    }

    static std::vector<HWND> Viewers() {
        std::vector<HWND> viewers;
        for (HWND top : e2e::ChildWindows(nullptr)) {
            if (e2e::ClassNameOf(top) == "Photo_Lightweight_Viewer") viewers.push_back(top);
        }
        return viewers;
    }
    static HWND WaitForNewViewer(const std::vector<HWND>& known) {
        HWND found = nullptr;
        e2e::WaitUntil(kViewerMs, [&] {
            for (HWND viewer : Viewers()) {
                if (std::find(known.begin(), known.end(), viewer) == known.end()) found = viewer;
            }
            return found != nullptr;
        });
        return found;
    }

    // The installed copy the relaunch starts is the program under test.
    void Install() {
        CreateDirectoryA(kInstallFolder.c_str(), nullptr);
        ASSERT_TRUE(CopyFileA(programFile_.c_str(), kInstalledProgram.c_str(), FALSE));
    }

    std::string Repair(const std::string& bitmapPattern);
    void CloseBitmapViewer();
    std::string RepairAndReopen(const std::wstring& fileName, const std::string& bitmapPattern,
                                const std::string& bytes, const std::string& viewerName,
                                bool reachedAtOpen = true);
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

    std::string programFile_ = BuiltProgram();
    DWORD photoAttributes_ = FILE_ATTRIBUTE_NORMAL;
    std::optional<e2e::ChildProcess> program_;
    HWND viewer_ = nullptr;
    HWND docked_ = nullptr;
};

// The staging folder's file whose name matches pattern ('*' stands for a photo's hash);
// empty when there is none.
std::string StagedFile(const std::string& pattern) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((kStagingFolder + "\\" + pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return "";
    FindClose(search);
    return found.cFileName;
}

// The bytes of a photo in the pictures folder, named with characters the code page may lack.
std::string PhotoBytes(const std::wstring& name) {
    return e2e::ReadFileBytes(e2e::Wide(kPictures) + name).value_or("<missing>");
}

// The width and height a BMP file's header declares; (0, 0) when there is none.
std::pair<int32_t, int32_t> BitmapSize(const std::string& path) {
    const std::string bytes = e2e::ReadFileBytes(path).value_or("");
    if (bytes.size() < 26 || bytes.compare(0, 2, "BM") != 0) return {0, 0};
    int32_t width = 0, height = 0;
    memcpy(&width, bytes.data() + 18, 4);
    memcpy(&height, bytes.data() + 22, 4);
    return {width, height};
}

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
    const HWND window = WaitForCornerWindow(program_->id());
    ASSERT_NE(window, nullptr);
    const e2e::WindowInfo info = e2e::DescribeWindow(window);
    EXPECT_EQ(info.parent, nullptr);
    EXPECT_EQ(info.screenRect.left, 10);
    EXPECT_EQ(info.screenRect.top, 10);
    EXPECT_EQ(info.style & (WS_CAPTION | WS_THICKFRAME), 0);
    EXPECT_FALSE(e2e::FindMessageBox(program_->id()).has_value());
    EXPECT_TRUE(program_->IsRunning());
}

// "修复" in the docked window: the program converts its image to the bitmap matching
// bitmapPattern and ends, and the installed copy, started on the bitmap, docks into the
// bitmap's viewer, which becomes viewer_. Answers the bitmap's name.
std::string ProgramViewerHostingTest::Repair(const std::string& bitmapPattern) {
    const HWND button = e2e::FindChild(docked_, "Button", "修复");
    EXPECT_NE(button, nullptr) << e2e::FormatWindowTree(docked_);
    if (!button || !e2e::ClickButton(button)) return "";

    const std::optional<DWORD> exitCode = program_->WaitForExit(kExitMs);
    EXPECT_TRUE(exitCode.has_value()) << "the program did not end after the click";
    EXPECT_EQ(exitCode.value_or(1), 0u);
    const std::string bitmapName = StagedFile(bitmapPattern);
    EXPECT_FALSE(bitmapName.empty()) << "no bitmap " << bitmapPattern;
    EXPECT_TRUE(e2e::WaitUntil(kExitMs, [&] { return !IsWindow(viewer_); }))
        << "the old viewer is still open";

    viewer_ = WaitForViewer(bitmapName, kViewerMs);
    EXPECT_NE(viewer_, nullptr) << "no viewer for the converted bitmap";
    if (!viewer_) return "";
    docked_ = WaitForDockedWindow(viewer_, kViewerMs);
    EXPECT_NE(docked_, nullptr) << e2e::FormatWindowTree(viewer_);
    EXPECT_NE(e2e::DescribeWindow(docked_).processId, program_->id());
    ExpectDockedAtHostOffset();
    EXPECT_FALSE(e2e::FindMessageBox(e2e::DescribeWindow(docked_).processId).has_value());
    return bitmapName;
}

// Closing the bitmap's viewer ends the installed copy docked in it.
void ProgramViewerHostingTest::CloseBitmapViewer() {
    HANDLE copy = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE,
                              e2e::DescribeWindow(docked_).processId);
    ASSERT_NE(copy, nullptr);
    ASSERT_TRUE(e2e::PostClose(viewer_));
    EXPECT_EQ(WaitForSingleObject(copy, kExitMs), WAIT_OBJECT_0);
    DWORD copyExit = 1;
    EXPECT_TRUE(GetExitCodeProcess(copy, &copyExit));
    EXPECT_EQ(copyExit, 0u);
    CloseHandle(copy);
    EXPECT_TRUE(e2e::WaitUntil(kExitMs, [&] { return !IsWindow(viewer_); }));
}

// "修复" on the image named fileName, then the bitmap's viewer closed: that ends the copy,
// which removes the staging folder. A photo that is copied only at "修复" has no name the
// viewer can show before: nothing is staged, and the window waits at the screen corner.
// Answers the bitmap's name.
std::string ProgramViewerHostingTest::RepairAndReopen(const std::wstring& fileName,
                                                      const std::string& bitmapPattern,
                                                      const std::string& bytes,
                                                      const std::string& viewerName,
                                                      bool reachedAtOpen) {
    Install();
    OpenDocked(fileName, bytes, viewerName, reachedAtOpen);
    if (reachedAtOpen) {
        EXPECT_EQ(e2e::TitleOf(viewer_).find('?'), std::string::npos) << e2e::TitleOf(viewer_);
    } else {
        EXPECT_EQ(e2e::ListFiles(kStagingFolder), std::vector<std::string>{});
    }
    const std::string bitmapName = Repair(bitmapPattern);
    if (bitmapName.empty()) return "";
    CloseBitmapViewer();
    EXPECT_FALSE(e2e::DirectoryExists(kStagingFolder));
    return bitmapName;
}

TEST_F(ProgramViewerHostingTest, RepairConvertsTheImageAndTheInstalledCopyShowsTheBitmap) {
    // A link under the bitmap's name (as another instance's stand-in may be) leads to a
    // user's file: the conversion never writes through it.
    const std::string keep = kPictures + "keep.jpg";
    ASSERT_TRUE(e2e::WriteFileBytes(keep, "the user's own photo"));
    ASSERT_TRUE(CreateDirectoryA(kInstallFolder.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(kStagingFolder.c_str(), nullptr));
    ASSERT_TRUE(
        CreateHardLinkA((kStagingFolder + "\\旧 照片.pcx.bmp").c_str(), keep.c_str(), nullptr));
    RepairAndReopen("旧 照片.pcx", MakePcx24(64, 48));
    EXPECT_EQ(e2e::ReadFileBytes(keep), "the user's own photo");
}

// Names with characters the code page lacks, as the shell passes them: the program reaches
// the file under a name the code page carries, and names the bitmap after the original with
// those characters replaced and a hash that makes it the photo's own. Without short names
// (on many volumes) that name is a stand-in in the staging folder: a hard link, or for a
// read-only photo a writable copy made only at "修复". The photos keep their bytes.
TEST_F(ProgramViewerHostingTest, NamesOutsideTheCodePageOpenDockAndConvert) {
    const struct {
        std::wstring name;
        std::string bitmapPattern;  // '*': the hash
        std::string viewerName;     // empty: whatever name reaches the file
        bool withoutShortNames;
        DWORD attributes;
    } cases[] = {
        {L"사진 2024.pcx", "__ 2024~*.pcx.bmp", "", false, FILE_ATTRIBUTE_NORMAL},  // Korean
        {L"照片😀.pcx", "照片_~*.pcx.bmp", "", false, FILE_ATTRIBUTE_NORMAL},        // an emoji
        {L"𠮷野家.pcx", "_野家~*.pcx.bmp", "", false, FILE_ATTRIBUTE_NORMAL},       // extension B
        // Only the folder lost characters: the viewer shows the file's own name.
        {L"相册 사진\\旧 照片.pcx", "旧 照片.pcx.bmp", "旧 照片.pcx", false, FILE_ATTRIBUTE_NORMAL},
        {L"사진 2024.pcx", "__ 2024~*.pcx.bmp", "", true, FILE_ATTRIBUTE_NORMAL},
        {L"가족.pcx", "__~*.pcx.bmp", "", true, FILE_ATTRIBUTE_READONLY},
        // Two photos of one name in folders the code page cannot name: each its own.
        {L"사진 앨범\\IMG_0001.pcx", "IMG_0001~*.pcx.bmp", "", true, FILE_ATTRIBUTE_NORMAL},
        {L"여행 앨범\\IMG_0001.pcx", "IMG_0001~*.pcx.bmp", "", true, FILE_ATTRIBUTE_NORMAL},
    };
    std::vector<std::string> bitmaps;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bitmapPattern);
        programFile_ = c.withoutShortNames ? ProgramWithoutShortNames() : BuiltProgram();
        photoAttributes_ = c.attributes;
        const std::string bytes = MakePcx24(64 + int(bitmaps.size()), 48);
        const bool copied = c.withoutShortNames && (c.attributes & FILE_ATTRIBUTE_READONLY);
        bitmaps.push_back(RepairAndReopen(c.name, c.bitmapPattern, bytes, c.viewerName, !copied));
        EXPECT_EQ(PhotoBytes(c.name), bytes);
        const DWORD attributes = GetFileAttributesW((e2e::Wide(kPictures) + c.name).c_str());
        EXPECT_EQ(attributes & FILE_ATTRIBUTE_READONLY, c.attributes & FILE_ATTRIBUTE_READONLY);
    }
    EXPECT_NE(bitmaps[6], bitmaps[7]);
}

// The newer formats, each repaired and reopened: a WebP image, RAW photos' embedded previews
// turned upright, a JPEG XL photo named with characters the code page lacks, a phone's HEIC.
TEST_F(ProgramViewerHostingTest, RepairConvertsTheNewerFormats) {
    RepairAndReopen("网页 图片.webp", e2e::ReadFileBytes(e2e::TestImage("test.webp")).value_or(""));
    imageconv::test::DngParts raw;
    raw.thumbnail = imageconv::test::Pattern(160, 120, 3);
    raw.orientation = 6;
    const std::vector<uint8_t> dng = imageconv::test::Dng(raw);
    RepairAndReopen("相机 照片.dng", std::string(dng.begin(), dng.end()));
    char temp[MAX_PATH];
    ASSERT_NE(GetTempPathA(MAX_PATH, temp), 0u);
    const std::string jpeg = std::string(temp) + "raf-preview.jpg";
    ASSERT_TRUE(imageconv::test::WriteJpeg(jpeg, imageconv::test::Pattern(160, 120, 3)));
    const std::vector<uint8_t> raf = imageconv::test::Raf(imageconv::test::ReadFile(jpeg), 8);
    DeleteFileA(jpeg.c_str());
    RepairAndReopen("相机 照片.raf", std::string(raf.begin(), raf.end()));
    RepairAndReopen(L"사진 여행.jxl", "__ __~*.jxl.bmp",
                    e2e::ReadFileBytes(e2e::TestImage("turned.jxl")).value_or(""), "");
    RepairAndReopen("手机 照片.heic",
                    e2e::ReadFileBytes(e2e::TestImage("example.heic")).value_or(""));
}

// Files no reader takes, hostile ones that declare one size and would make a library
// decode another, and a good one when the installed copy to relaunch is missing: "修复"
// says so and changes nothing; viewer and program stay.
TEST_F(ProgramViewerHostingTest, AFailedRepairKeepsTheViewerAndSaysSo) {
    // 1.5 MB of random bytes: no reader takes them, whatever formats it learns.
    std::mt19937 random(12);
    std::vector<uint8_t> noise(1536 * 1024);
    for (uint8_t& byte : noise) byte = uint8_t(random());
    const std::vector<uint8_t> photo = imageconv::test::ReadFile(e2e::TestImage("example.heic"));
    const std::string pcx = MakePcx24(64, 48);
    const struct {
        std::string name;
        std::vector<uint8_t> bytes;
        bool installed = true;
    } cases[] = {
        {"未安装.pcx", std::vector<uint8_t>(pcx.begin(), pcx.end()), false},
        {"x.heic", noise},
        {"网格.heic", imageconv::test::DerivedHeic(photo, "grid", 14000, 14000)},
        {"编码.heic", imageconv::test::CodedSizeHeic(photo, 26880, 26880)},
        {"动画.webp", imageconv::test::AnimatedWebp(16384, 32767)},
        {"巨大.jxl", imageconv::test::JxlHeaderOnly(100000, 100000)},
        {"透明.webp", imageconv::test::WithLosslessAlpha(imageconv::test::Gunzip(
                          imageconv::test::ReadFile(e2e::TestImage("grey-8000.webp.gz"))))},
        {"无预览.dng", imageconv::test::Dng({})},  // a RAW photo without a preview
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_FALSE(c.bytes.empty());
        if (c.installed) {
            Install();
        } else {
            ASSERT_TRUE(e2e::RemoveTree(kInstalledProgram));
        }
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

// Two instances at once, on photos whose names read alike: each docks into its own viewer
// and keeps its own stand-in (on volumes without short names) and bitmap; closing either
// viewer (another photo's, or the relaunched bitmap's) leaves the other's "修复" working,
// and no user file changes.
TEST_F(ProgramViewerHostingTest, TwoInstancesNeitherCrossNorStrandEachOther) {
    programFile_ = ProgramWithoutShortNames();
    Install();
    const std::wstring familyName = L"가족.pcx", travelName = L"여행.pcx";
    const std::string family = MakePcx24(64, 48);
    const std::string travel = MakePcx24(40, 30);
    struct Session {
        std::optional<e2e::ChildProcess> program;
        HWND viewer;
        HWND docked;
    };
    const auto take = [&] { return Session{std::move(program_), viewer_, docked_}; };
    const auto resume = [&](Session& session) {
        program_ = std::move(session.program);
        viewer_ = session.viewer;
        docked_ = session.docked;
    };

    OpenDocked(familyName, family, "");
    Session first = take();
    OpenDocked(travelName, travel, "");
    EXPECT_NE(e2e::TitleOf(viewer_), e2e::TitleOf(first.viewer));

    // Another instance is closed first.
    ASSERT_TRUE(e2e::PostClose(first.viewer));
    ASSERT_TRUE(first.program->WaitForExit(kExitMs).has_value());
    EXPECT_EQ(e2e::ListFiles(kStagingFolder).size(), 1u);  // the other's stand-in stays
    const std::string travelBitmap = Repair("__~*.pcx.bmp");
    ASSERT_FALSE(travelBitmap.empty());
    EXPECT_EQ(BitmapSize(kStagingFolder + "\\" + travelBitmap), std::make_pair(40, 30));

    // The relaunched bitmap instance is closed first.
    Session bitmapSession = take();
    OpenDocked(familyName, family, "");
    Session second = take();
    resume(bitmapSession);
    CloseBitmapViewer();
    EXPECT_EQ(e2e::ListFiles(kStagingFolder).size(), 1u);
    resume(second);
    const std::string familyBitmap = Repair("__~*.pcx.bmp");
    ASSERT_FALSE(familyBitmap.empty());
    EXPECT_NE(familyBitmap, travelBitmap);
    EXPECT_EQ(BitmapSize(kStagingFolder + "\\" + familyBitmap), std::make_pair(64, 48));

    // The last instance to close removes the rest.
    CloseBitmapViewer();
    EXPECT_FALSE(e2e::DirectoryExists(kStagingFolder));
    EXPECT_EQ(PhotoBytes(familyName), family);
    EXPECT_EQ(PhotoBytes(travelName), travel);

    // The album's folder is renamed and refilled while the first photo is shown: the path
    // now names another photo, whose stand-in and bitmap are its own.
    const std::wstring album = L"앨범", oldAlbum = L"앨범 옛";
    const std::wstring albumPhoto = album + L"\\IMG_0001.pcx";
    OpenDocked(albumPhoto, family, "");
    Session old = take();
    const std::wstring pictures = e2e::Wide(kPictures);
    ASSERT_TRUE(MoveFileW((pictures + album).c_str(), (pictures + oldAlbum).c_str()));
    OpenDocked(albumPhoto, travel, "");
    EXPECT_NE(e2e::TitleOf(viewer_), e2e::TitleOf(old.viewer));
    const std::string albumBitmap = Repair("IMG_0001~*.pcx.bmp");
    EXPECT_EQ(BitmapSize(kStagingFolder + "\\" + albumBitmap), std::make_pair(40, 30));
    CloseBitmapViewer();
    resume(old);
    ASSERT_TRUE(e2e::PostClose(viewer_));
    ASSERT_TRUE(program_->WaitForExit(kExitMs).has_value());
    EXPECT_FALSE(e2e::DirectoryExists(kStagingFolder));
    EXPECT_EQ(PhotoBytes(oldAlbum + L"\\IMG_0001.pcx"), family);
    EXPECT_EQ(PhotoBytes(albumPhoto), travel);

    // Two photos of one file name from two cameras' folders, open at once: each "修复" shows
    // its own picture in a viewer of its own, and both stay until closed.
    programFile_ = BuiltProgram();
    Install();
    const std::wstring cameraA = L"相机 A\\IMG_0001.HEIC", cameraB = L"相机 B\\IMG_0001.HEIC";
    const std::string photoA = e2e::ReadFileBytes(e2e::TestImage("example.heic")).value_or("");
    const std::string photoB = e2e::ReadFileBytes(e2e::TestImage("seed.heic")).value_or("");
    OpenDocked(cameraA, photoA, "");
    Session a = take();
    // The first viewer stays above the second (as when the user brings it forward while the
    // second starts), so a search by class and title meets it first.
    ASSERT_TRUE(
        SetWindowPos(a.viewer, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE));
    OpenDocked(cameraB, photoB, "");
    EXPECT_EQ(e2e::TitleOf(viewer_), e2e::TitleOf(a.viewer));
    Session b = take();
    resume(a);
    const std::string bitmapA = Repair("IMG_0001.HEIC.bmp");
    a = take();
    resume(b);
    const std::string bitmapB = Repair("IMG_0001~*.HEIC.bmp");
    EXPECT_EQ(BitmapSize(kStagingFolder + "\\" + bitmapA), std::make_pair(1280, 854));
    EXPECT_EQ(BitmapSize(kStagingFolder + "\\" + bitmapB), std::make_pair(16, 12));
    EXPECT_TRUE(IsWindow(a.viewer));
    CloseBitmapViewer();
    resume(a);
    CloseBitmapViewer();
    EXPECT_FALSE(e2e::DirectoryExists(kStagingFolder));
    EXPECT_EQ(PhotoBytes(cameraA), photoA);
    EXPECT_EQ(PhotoBytes(cameraB), photoB);
}

}  // namespace
}  // namespace kv::test
