// The library's other entries and inputs: missing files, quoted paths, the ANSI entry,
// content that is no bitmap, printing and the COM entries.
#include <gtest/gtest.h>
#include <windows.h>

#include "tests/e2e/driver/files.h"
#include "tests/e2e/driver/process.h"
#include "tests/e2e/driver/window_actions.h"
#include "tests/e2e/driver/window_query.h"
#include "tests/win/viewer/scratch_folder.h"

namespace kv::test {
namespace {

constexpr DWORD kAppearMs = 15000;
constexpr DWORD kExitMs = 10000;
const char kFrameClass[] = "Photo_Lightweight_Viewer";

class ViewerEntriesTest : public ::testing::Test {
  protected:
    // Runs "rundll32 <library>,<entry> <arguments>".
    e2e::ChildProcess Launch(const std::string& entry, const std::string& arguments) {
        std::optional<e2e::ChildProcess> process = e2e::ChildProcess::Start(
            "rundll32.exe " + BuiltViewerLibrary() + "," + entry + " " + arguments);
        EXPECT_TRUE(process.has_value());
        return std::move(*process);
    }

    // Expects a frame titled for fileName, closes it and expects the launcher to end.
    void ExpectFrameFor(e2e::ChildProcess& viewer, const std::string& fileName) {
        HWND frame = e2e::WaitForTopWindow(kFrameClass, ViewerTitle(fileName), kAppearMs);
        ASSERT_NE(frame, nullptr) << "no viewer window for " << fileName;
        EXPECT_NE(e2e::FindChild(frame, "Photos_PhotoCanvas"), nullptr);
        EXPECT_NE(e2e::FindChild(frame, "Photos_NavigationPane", "导航窗格"), nullptr);
        e2e::PostClose(frame);
        EXPECT_EQ(viewer.WaitForExit(kExitMs), std::optional<DWORD>(0));
    }

    // Expects the launcher to end by itself without ever showing a window.
    void ExpectNoWindow(e2e::ChildProcess& viewer) {
        const std::optional<DWORD> exitCode = viewer.WaitForExit(kExitMs);
        ASSERT_TRUE(exitCode.has_value()) << "the launcher kept running";
        EXPECT_EQ(*exitCode, 0u);
        EXPECT_TRUE(e2e::TopWindowsOfProcess(viewer.id()).empty());
    }

    ScratchFolder folder_{"viewer entries"};
};

TEST_F(ViewerEntriesTest, MissingFileShowsNoWindowAndEndsAtOnce) {
    e2e::ChildProcess viewer = Launch("ImageView_Fullscreen", folder_.path() + "不存在 的图片.bmp");
    ExpectNoWindow(viewer);
    EXPECT_EQ(e2e::FindTopWindow(kFrameClass, ViewerTitle("不存在 的图片.bmp")), nullptr);
}

TEST_F(ViewerEntriesTest, FolderInsteadOfFileShowsNoWindow) {
    e2e::ChildProcess viewer = Launch("ImageView_Fullscreen", folder_.path());
    ExpectNoWindow(viewer);
}

TEST_F(ViewerEntriesTest, QuotedPathShowsTheSameTitleAsABarePath) {
    ASSERT_TRUE(e2e::WriteFileBytes(folder_.path() + "引号 图.bmp", e2e::MakeBmp24(16, 16)));
    e2e::ChildProcess viewer =
        Launch("ImageView_Fullscreen", "\"" + folder_.path() + "引号 图.bmp\"");
    ExpectFrameFor(viewer, "引号 图.bmp");
}

TEST_F(ViewerEntriesTest, AnsiEntryReadsGbkPath) {
    ASSERT_TRUE(e2e::WriteFileBytes(folder_.path() + "窄 字符.bmp", e2e::MakeBmp24(16, 16)));
    e2e::ChildProcess viewer = Launch("ImageView_FullscreenA", folder_.path() + "窄 字符.bmp");
    ExpectFrameFor(viewer, "窄 字符.bmp");
}

TEST_F(ViewerEntriesTest, LowerCaseEntryNameReachesTheLowerCaseWideForm) {
    // The launcher looks for the name with "W" appended first, which is the lower-case
    // wide export here.
    ASSERT_TRUE(e2e::WriteFileBytes(folder_.path() + "小写 图.bmp", e2e::MakeBmp24(16, 16)));
    e2e::ChildProcess viewer = Launch("imageview_fullscreen", folder_.path() + "小写 图.bmp");
    ExpectFrameFor(viewer, "小写 图.bmp");
}

TEST_F(ViewerEntriesTest, ContentThatIsNoBitmapStillGetsAWindow) {
    // The viewer cannot show it, says so on the canvas, and can be closed as usual.
    ASSERT_TRUE(e2e::WriteFileBytes(folder_.path() + "相机 照片.pcx", "\x0A\x05\x01\x08junk"));
    e2e::ChildProcess viewer = Launch("ImageView_Fullscreen", folder_.path() + "相机 照片.pcx");
    ExpectFrameFor(viewer, "相机 照片.pcx");
}

TEST_F(ViewerEntriesTest, PrintingToAnUnknownPrinterShowsNothingAndEnds) {
    ASSERT_TRUE(e2e::WriteFileBytes(folder_.path() + "print.bmp", e2e::MakeBmp24(16, 16)));
    e2e::ChildProcess viewer =
        Launch("ImageView_PrintTo", "/pt \"" + folder_.path() + "print.bmp\" \"没有这台打印机\"");
    ExpectNoWindow(viewer);
}

// The COM entries are plain exports; call them in this process.
class ViewerLibraryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        library_ = LoadLibraryA(BuiltViewerLibrary().c_str());
        ASSERT_NE(library_, nullptr);
    }
    void TearDown() override { FreeLibrary(library_); }
    FARPROC Entry(const char* name) { return GetProcAddress(library_, name); }
    template <typename Function>
    Function EntryAs(const char* name) {
        return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(Entry(name)));
    }

    HMODULE library_ = nullptr;
};

TEST_F(ViewerLibraryTest, ExportsEveryEntryTheLauncherAndTheShellUse) {
    for (const char* name :
         {"ImageView_Fullscreen", "ImageView_FullscreenA", "ImageView_FullscreenW",
          "imageview_fullscreenW", "ImageView_PrintTo", "ImageView_PrintToA", "ImageView_PrintToW",
          "DllCanUnloadNow", "DllGetClassObject"}) {
        EXPECT_NE(Entry(name), nullptr) << name;
    }
}

TEST_F(ViewerLibraryTest, ServesNoClassesAndCanAlwaysUnload) {
    using CanUnload = HRESULT(STDAPICALLTYPE*)();
    using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    auto canUnload = EntryAs<CanUnload>("DllCanUnloadNow");
    auto getClassObject = EntryAs<GetClassObject>("DllGetClassObject");
    ASSERT_NE(canUnload, nullptr);
    ASSERT_NE(getClassObject, nullptr);
    EXPECT_EQ(canUnload(), S_OK);
    // Any class and interface: the library answers that it has none.
    const GUID someClass = {0x12345678, 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, 8}};
    const GUID someInterface = {0x00000001, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(getClassObject(someClass, someInterface, &object), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);
}

}  // namespace
}  // namespace kv::test
