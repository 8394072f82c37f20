// The program's path, folder, window and wait helpers on the real runtime, with the
// program's own native declarations.
#include <windows.h>
// The shell headers need the base Windows types first.
#include <shellapi.h>
#include <shlobj.h>

#include <chrono>
#include <string>
#include <vector>

#include "app/native_declarations.h"
#include "app/path_helpers.h"
#include "app/wait_with_events.h"
#include "app/wide_arguments.h"
#include "app/window_helpers.h"
#include "corelib/command_line.h"
#include "tests/win/app/test_program.h"

extern "C" const char* const* const kvTestDllNames = kv::app::kNativeDllNames;
extern "C" const char* const* const kvTestFunctionNames = kv::app::kNativeFunctionNames;

namespace kv::test {
namespace {

using app::Text;

const ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new ProgramInformationEnvironment);

std::string TempFolder() {
    char path[MAX_PATH];
    GetTempPathA(MAX_PATH, path);
    return path;
}

bool DirectoryExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void RemoveTree(const std::string& path) {
    SHFILEOPSTRUCTA operation = {};
    const std::string from = path + '\0';
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_NO_UI;
    SHFileOperationA(&operation);
}

std::string InCodePage(const std::wstring& text) {
    char converted[512];
    const int length = WideCharToMultiByte(CP_ACP, 0, text.c_str(), int(text.size()), converted,
                                           sizeof converted, nullptr, nullptr);
    return std::string(converted, size_t(length > 0 ? length : 0));
}

// The program takes its argument from the wide command line where the ANSI one lost
// characters: both must split a line into the same arguments.
TEST(ProgramArgumentsTest, TheWideLineSplitsLikeTheAnsiOne) {
    for (const wchar_t* line :
         {L"a.exe", L"a.exe ", L"a.exe\tx", L"\"a.exe\"x", L"\"a.exe\"  x",
          L"\"C:\\Program Files\\a.exe\" x \"y z\" \"\" w\"v", L"\"a.exe\"\ta\t\tb\r\n",
          L"a.exe   a    b   ", L"a.exe \"C:\\my pics\\1.jpg", L"a.exe \"",
          L"\"D:\\Tavi图片查看器\\Tavi图片查看器.exe\" \"D:\\图片 库\\사진 2024.pcx\"",
          L"a.exe D:\\照片😀.pcx \"𠮷野家\"x", L"\"사진.exe\" 여행\u3000가족 \"\""}) {
        const std::string ansiLine = InCodePage(line);
        std::vector<std::string> ansi;
        for (std::string_view argument : core::SplitCommandLine(ansiLine.c_str()))
            ansi.emplace_back(argument);
        std::vector<std::string> wide;
        for (const std::wstring& argument : app::WideArguments(line))
            wide.push_back(InCodePage(argument));
        EXPECT_EQ(wide, ansi) << ansiLine;
    }
}

TEST(ProgramPathPartsTest, FileNameWithAndWithoutItsExtension) {
    EXPECT_STREQ(app::GetFileNamePart("D:\\pics\\photo.heic", true).c_str(), "photo.heic");
    EXPECT_STREQ(app::GetFileNamePart("D:\\pics\\photo.heic", false).c_str(), "photo");
    EXPECT_STREQ(app::GetFileNamePart("C:\\a.b.jpg", false).c_str(), "a.b");
    EXPECT_STREQ(app::GetFileNamePart("C:\\照片\\归档", false).c_str(), "归档");
    EXPECT_STREQ(app::GetExtensionPart("a.b.jpg").c_str(), ".jpg");
    EXPECT_TRUE(app::GetExtensionPart("archive").Empty());
}

TEST(ProgramPathPartsTest, DirectoryTest) {
    EXPECT_NE(app::IsDirectory(TempFolder().c_str()), 0);
    EXPECT_EQ(app::IsDirectory((TempFolder() + "no such folder").c_str()), 0);
}

TEST(ProgramFolderPathTest, WellKnownFoldersEndInOneSeparator) {
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    EXPECT_EQ(std::string(app::GetFolderPath(9).c_str()), std::string(windows) + "\\");
    char system[MAX_PATH];
    GetSystemDirectoryA(system, MAX_PATH);
    EXPECT_EQ(std::string(app::GetFolderPath(10).c_str()), std::string(system) + "\\");
    EXPECT_EQ(std::string(app::GetFolderPath(11).c_str()), TempFolder());
    char desktop[MAX_PATH];
    ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, desktop, CSIDL_DESKTOPDIRECTORY, FALSE));
    EXPECT_EQ(std::string(app::GetFolderPath(0).c_str()), std::string(desktop) + "\\");
    EXPECT_TRUE(app::GetFolderPath(13).Empty());
    EXPECT_TRUE(app::GetFolderPath(-1).Empty());
}

class ProgramMakeDirectoryPathTest : public ::testing::Test {
  protected:
    void SetUp() override {
        RemoveTree(base_);
        ASSERT_TRUE(CreateDirectoryA(base_.c_str(), nullptr));
    }
    void TearDown() override { RemoveTree(base_); }

    // A folder of each case's own: CTest runs the cases of this program side by side.
    const std::string base_ =
        TempFolder() + "kv 目录 " + ::testing::UnitTest::GetInstance()->current_test_info()->name();
};

TEST_F(ProgramMakeDirectoryPathTest, CreatesTheMissingLevelAndEndsInASeparator) {
    Text path = Text::Copy((base_ + "\\temp").c_str());
    EXPECT_EQ(app::MakeDirectoryPath(path), 1);
    EXPECT_EQ(std::string(path.c_str()), base_ + "\\temp\\");
    EXPECT_TRUE(DirectoryExists(base_ + "\\temp"));
}

TEST_F(ProgramMakeDirectoryPathTest, CreatesEveryMissingLevel) {
    Text path = Text::Copy((base_ + "\\a\\b\\c").c_str());
    EXPECT_EQ(app::MakeDirectoryPath(path), 1);
    EXPECT_TRUE(DirectoryExists(base_ + "\\a\\b\\c"));
}

TEST_F(ProgramMakeDirectoryPathTest, AnExistingDirectoryKeepsOneSeparator) {
    Text path = Text::Copy((base_ + "\\").c_str());
    EXPECT_EQ(app::MakeDirectoryPath(path), 0);
    EXPECT_EQ(std::string(path.c_str()), base_ + "\\");
    Text bare = Text::Copy(base_.c_str());
    EXPECT_EQ(app::MakeDirectoryPath(bare), 0);
    EXPECT_EQ(std::string(bare.c_str()), base_ + "\\");
}

TEST_F(ProgramMakeDirectoryPathTest, ABlankPathIsRefusedUnchanged) {
    Text path = Text::Copy("   ");
    EXPECT_EQ(app::MakeDirectoryPath(path), -1);
    EXPECT_STREQ(path.c_str(), "   ");
}

TEST_F(ProgramMakeDirectoryPathTest, AFailedLevelRemovesTheLevelsThisCallCreated) {
    // "|" is not allowed in names: the third new level cannot be made.
    Text path = Text::Copy((base_ + "\\a\\b\\bad|name").c_str());
    EXPECT_EQ(app::MakeDirectoryPath(path), -1);
    EXPECT_FALSE(DirectoryExists(base_ + "\\a"));
    EXPECT_TRUE(DirectoryExists(base_));
}

// Another instance making a level between this call's test and its own create: the kernel's
// CreateDirectoryA, as the program's MakeDir calls it, is swapped for one that lets the
// other instance win the race on one path first.
#if defined(__x86_64__)
extern "C" decltype(&CreateDirectoryA) importedCreateDirectory asm("__imp_CreateDirectoryA");
#else
extern "C" decltype(&CreateDirectoryA) importedCreateDirectory asm("__imp__CreateDirectoryA@8");
#endif
decltype(&CreateDirectoryA) systemCreateDirectory = nullptr;
std::string racedLevel;

BOOL WINAPI CreateDirectoryLosingTheRace(LPCSTR path, LPSECURITY_ATTRIBUTES security) {
    if (racedLevel == path) {
        systemCreateDirectory(path, security);
        std::string other = std::string(path) + "\\other.bmp";
        CloseHandle(
            CreateFileA(other.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    }
    return systemCreateDirectory(path, security);
}

class RacedCreateDirectory {
  public:
    explicit RacedCreateDirectory(const std::string& level) {
        racedLevel = level;
        systemCreateDirectory = Swap(&CreateDirectoryLosingTheRace);
    }
    ~RacedCreateDirectory() { Swap(systemCreateDirectory); }

  private:
    static decltype(&CreateDirectoryA) Swap(decltype(&CreateDirectoryA) function) {
        DWORD protection = 0;
        VirtualProtect(&importedCreateDirectory, sizeof function, PAGE_READWRITE, &protection);
        const auto previous = importedCreateDirectory;
        importedCreateDirectory = function;
        VirtualProtect(&importedCreateDirectory, sizeof function, protection, &protection);
        return previous;
    }
};

TEST_F(ProgramMakeDirectoryPathTest, ALevelAnotherInstanceMadeMeanwhileCountsAndStays) {
    const std::string temp = base_ + "\\temp";
    RacedCreateDirectory race(temp);
    Text path = Text::Copy(temp.c_str());
    EXPECT_EQ(app::MakeDirectoryPath(path), 1);
    EXPECT_NE(GetFileAttributesA((temp + "\\other.bmp").c_str()), INVALID_FILE_ATTRIBUTES);

    // A deeper level that fails leaves the other instance's level and its file alone.
    RemoveTree(temp);
    Text deeper = Text::Copy((temp + "\\bad|name").c_str());
    EXPECT_EQ(app::MakeDirectoryPath(deeper), -1);
    EXPECT_NE(GetFileAttributesA((temp + "\\other.bmp").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(ProgramMakeDirectoryPathTest, LevelsRightBelowTheDriveStayAfterAFailure) {
    const std::string top = "C:\\kv fresh level";
    RemoveTree(top);
    Text path = Text::Copy((top + "\\x\\bad|name").c_str());
    EXPECT_EQ(app::MakeDirectoryPath(path), -1);
    EXPECT_TRUE(DirectoryExists(top + "\\x"));
    RemoveTree(top);
}

TEST(ProgramWindowHelpersTest, PlaceKeepsTheSizeAndClientSizeReadsZeroForNoWindow) {
    const HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 50, 60, 104, 41, nullptr,
                                        nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    const app::WindowHandle handle = app::WindowHandle(window);
    EXPECT_NE(app::PlaceWindow(handle, 10, 20, std::nullopt, std::nullopt), 0);
    RECT rect;
    GetWindowRect(window, &rect);
    EXPECT_EQ(rect.left, 20);
    EXPECT_EQ(rect.top, 10);
    EXPECT_EQ(rect.right - rect.left, 104);
    EXPECT_EQ(rect.bottom - rect.top, 41);

    int32_t width = -1, height = -1;
    EXPECT_NE(app::GetClientSize(handle, &width, &height), 0);
    EXPECT_EQ(width, 104);
    EXPECT_EQ(height, 41);
    EXPECT_EQ(app::GetClientSize(0, &width, &height), 0);
    EXPECT_EQ(width, 0);
    EXPECT_EQ(height, 0);
    DestroyWindow(window);
}

TEST(ProgramWindowHelpersTest, FindChildWindowMatchesClassAndTitleOrAny) {
    const HWND parent = CreateWindowExA(0, "STATIC", "父窗口 kv", WS_POPUP, 0, 0, 50, 50, nullptr,
                                        nullptr, nullptr, nullptr);
    const HWND child = CreateWindowExA(0, "BUTTON", "导航窗格", WS_CHILD, 0, 0, 10, 10, parent,
                                       nullptr, nullptr, nullptr);
    ASSERT_NE(child, nullptr);
    const app::WindowHandle found =
        app::FindChildWindow(app::kFindWindowExForCanvas, 0, 0, "Static", "父窗口 kv");
    EXPECT_EQ(found, app::WindowHandle(parent));
    EXPECT_EQ(app::FindChildWindow(app::kFindWindowExForPane, found, 0, "Button", ""),
              app::WindowHandle(child));
    EXPECT_EQ(app::FindChildWindow(app::kFindWindowExForPane, found, 0, "Button", "其他"), 0);
    EXPECT_EQ(app::GetParentWindow(app::WindowHandle(child)), app::WindowHandle(parent));
    DestroyWindow(parent);
}

TEST(ProgramWaitWithEventsTest, ReturnsAfterTheTimeWhileMessagesAreServed) {
    MessageCounter counter;
    counter.Post();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(app::WaitWithEvents(300, app::kMilliseconds));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::milliseconds(280));
    EXPECT_LT(elapsed, std::chrono::milliseconds(5000));
    EXPECT_EQ(counter.Received(), 1);
}

}  // namespace
}  // namespace kv::test
