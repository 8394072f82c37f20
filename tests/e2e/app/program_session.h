// The program under test, started as the system starts it, and what a user sees of it:
// message boxes, the viewer it opens, the window it docks into the viewer. Paths are GBK.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "tests/e2e/driver/process.h"

namespace kv::test {

// Fixed places of the program.
inline const std::string kInstallFolder = "D:\\Tavi图片查看器";
inline const std::string kInstalledProgram = "D:\\Tavi图片查看器\\Tavi图片查看器.exe";
inline const std::string kStagingFolder = "D:\\Tavi图片查看器\\temp";
inline const std::string kInstallMessage = "安装完毕，请自己修改图片打开方式\r\nD:\\Tavi图片查看器";

// The built program and viewer library as Windows paths (Wine shows the build tree on Z:).
// TAVI_WIN32_PROGRAM (TAVI_WIN64_PROGRAM in the win64 tree) replaces the program.
std::string BuiltProgram();
// The program built as it runs on volumes without short names, so that photos named outside
// the code page are linked or copied into the staging folder.
std::string ProgramWithoutShortNames();
std::string BuiltViewerLibrary();
// The system's viewer library path, System32\shimgvw.dll under the Windows directory.
std::string SystemViewerLibrary();

// Starts `program` with the given argument text after its quoted name.
std::optional<e2e::ChildProcess> StartProgram(const std::string& program,
                                              const std::string& arguments);

// Waits for the process's next message box, checks its caption, text and icon, presses OK
// and waits until it is gone. Reports failures through GoogleTest.
void AcknowledgeMessage(DWORD processId, const std::string& text, bool withIcon);

// Places the viewer library into the system folder (true) or removes it (false).
void SetSystemViewerLibrary(bool present);

// The viewer's title for a file name, and its frame once shown (nullptr when not).
std::string ViewerTitle(const std::string& fileName);
HWND WaitForViewer(const std::string& fileName, DWORD timeoutMs);

// The program's start window docked in the viewer's navigation pane, once it is shown at
// (10, 10) there; after the time-out, whatever was found.
HWND WaitForDockedWindow(HWND viewer, DWORD timeoutMs);

// A small 24-bit PCX image (RLE-encoded), which the viewer cannot show.
std::string MakePcx24(int width, int height);

}  // namespace kv::test
