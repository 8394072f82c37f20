#include "tests/e2e/app/program_session.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "tests/e2e/driver/files.h"
#include "tests/e2e/driver/message_box.h"
#include "tests/e2e/driver/polling.h"
#include "tests/e2e/driver/window_query.h"

namespace kv::test {
namespace {

constexpr DWORD kMessageBoxMs = 20000;

void AppendLittleEndian(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += char((value >> (8 * i)) & 0xFF);
}

// One plane line, run-length encoded: runs of up to 63 bytes, and single bytes that could
// be mistaken for a run marker written as a run of one.
std::string EncodePcxLine(const std::string& line) {
    std::string out;
    for (size_t at = 0; at < line.size();) {
        size_t run = 1;
        while (at + run < line.size() && run < 63 && line[at + run] == line[at]) ++run;
        const uint8_t value = uint8_t(line[at]);
        if (run > 1 || value >= 0xC0) out += char(0xC0 | run);
        out += char(value);
        at += run;
    }
    return out;
}

}  // namespace

std::string BuiltProgram() {
    // The environment may name another copy of the program, such as one unpacked from a
    // release archive (a Unix path under the repository, which Wine sees). It is read wide:
    // Wine's GetEnvironmentVariableA cuts a value with Chinese characters short.
    const wchar_t* variable = L"" KV_PROGRAM_VARIABLE;
    std::wstring path(GetEnvironmentVariableW(variable, nullptr, 0), L'\0');
    if (path.empty()) return e2e::HostPath(KV_PROGRAM_UNIX_PATH);
    path.resize(GetEnvironmentVariableW(variable, path.data(), DWORD(path.size())));
    std::string narrow(path.size() * 2, '\0');
    narrow.resize(WideCharToMultiByte(CP_ACP, 0, path.data(), int(path.size()), narrow.data(),
                                      int(narrow.size()), nullptr, nullptr));
    return e2e::HostPath(narrow);
}

std::string ProgramWithoutShortNames() {
    return e2e::HostPath(KV_PROGRAM_WITHOUT_SHORT_NAMES_UNIX_PATH);
}

std::string BuiltViewerLibrary() {
    return e2e::HostPath(KV_VIEWER_LIBRARY_UNIX_PATH);
}

std::string SystemViewerLibrary() {
    return e2e::WindowsDirectory() + "System32\\shimgvw.dll";
}

std::optional<e2e::ChildProcess> StartProgram(const std::string& program,
                                              const std::string& arguments) {
    std::string commandLine = "\"" + program + "\"";
    if (!arguments.empty()) commandLine += " " + arguments;
    return e2e::ChildProcess::Start(commandLine);
}

void AcknowledgeMessage(DWORD processId, const std::string& text, bool withIcon) {
    const std::optional<e2e::MessageBoxInfo> box = e2e::WaitForMessageBox(processId, kMessageBoxMs);
    ASSERT_TRUE(box.has_value()) << "no message box \"" << text << "\"";
    EXPECT_EQ(box->caption, "信息：");
    EXPECT_EQ(box->text, text);
    EXPECT_EQ(box->hasIcon, withIcon) << box->text;
    EXPECT_EQ(box->owner, nullptr);
    ASSERT_TRUE(e2e::PressMessageBoxButton(box->dialog, IDOK));
    ASSERT_TRUE(e2e::WaitForWindowGone(box->dialog, kMessageBoxMs));
}

void SetSystemViewerLibrary(bool present) {
    if (present) {
        const std::optional<std::string> library = e2e::ReadFileBytes(BuiltViewerLibrary());
        ASSERT_TRUE(library.has_value());
        ASSERT_TRUE(e2e::WriteFileBytes(SystemViewerLibrary(), *library));
    } else {
        DeleteFileA(SystemViewerLibrary().c_str());
        ASSERT_FALSE(e2e::FileExists(SystemViewerLibrary()));
    }
}

std::string ViewerTitle(const std::string& fileName) {
    return fileName + " - Windows 照片查看器";
}

HWND WaitForViewer(const std::string& fileName, DWORD timeoutMs) {
    return e2e::WaitForTopWindow("Photo_Lightweight_Viewer", ViewerTitle(fileName), timeoutMs);
}

HWND WaitForDockedWindow(HWND viewer, DWORD timeoutMs) {
    HWND docked = nullptr;
    e2e::WaitUntil(timeoutMs, [&] {
        const HWND pane = e2e::FindChild(viewer, "Photos_NavigationPane", "导航窗格");
        docked = pane ? e2e::FindChild(pane, "ZorWindow") : nullptr;
        if (docked == nullptr || !IsWindowVisible(docked)) return false;
        // The window is shown a moment before it is placed; wait for the placement too.
        const POINT at = e2e::PositionInParent(docked);
        return at.x == 10 && at.y == 10;
    });
    return docked;
}

std::string MakePcx24(int width, int height) {
    const int bytesPerLine = (width + 1) & ~1;
    std::string pcx;
    pcx += char(0x0A);  // manufacturer
    pcx += char(5);     // version
    pcx += char(1);     // run-length encoding
    pcx += char(8);     // bits per pixel and plane
    AppendLittleEndian(pcx, 0, 2);
    AppendLittleEndian(pcx, 0, 2);
    AppendLittleEndian(pcx, uint32_t(width - 1), 2);
    AppendLittleEndian(pcx, uint32_t(height - 1), 2);
    AppendLittleEndian(pcx, 72, 2);
    AppendLittleEndian(pcx, 72, 2);
    pcx.append(48, '\0');  // 16-colour palette, unused
    pcx += char(0);        // reserved
    pcx += char(3);        // planes: red, green, blue
    AppendLittleEndian(pcx, uint32_t(bytesPerLine), 2);
    AppendLittleEndian(pcx, 1, 2);  // colour palette
    AppendLittleEndian(pcx, 0, 2);
    AppendLittleEndian(pcx, 0, 2);
    pcx.append(128 - pcx.size(), '\0');
    for (int y = 0; y < height; ++y) {
        for (int plane = 0; plane < 3; ++plane) {
            std::string line(size_t(bytesPerLine), '\0');
            for (int x = 0; x < width; ++x) {
                line[size_t(x)] = char(plane == 0   ? 0xC0
                                       : plane == 1 ? 255 * y / height
                                                    : 255 * x / width);
            }
            pcx += EncodePcxLine(line);
        }
    }
    return pcx;
}

}  // namespace kv::test
