#include "app/code_page_path.h"

#include <string>
#include <vector>

#include "app/constants.h"
#include "app/native_declarations.h"
#include "app/program_state.h"
#include "app/staging.h"

namespace kv::app {
namespace {

constexpr uint32_t kAnsiCodePage = 0;
// Characters the code page lacks become its default character instead of a look-alike, so
// that a lost character is always noticed.
constexpr uint32_t kNoBestFitCharacters = 0x400;
// What a lost character of the name becomes in the names the program makes.
constexpr char kLostCharacter = '_';

// The wide command line's arguments, split by the same rules as the ANSI one (program name
// skipped; blanks and control characters separate; a double-quoted stretch is one argument).
std::vector<std::wstring> WideArguments(const wchar_t* p) {
    std::vector<std::wstring> arguments;
    if (*p == L'"') {
        for (++p; *p && *p != L'"'; ++p) {
        }
        if (*p == L'"') ++p;
    } else {
        while (*p && *p != L' ') ++p;
    }
    if (*p == L' ') ++p;
    while (*p) {
        if (*p <= L' ') {
            ++p;
            continue;
        }
        const bool quoted = *p == L'"';
        if (quoted) ++p;
        const wchar_t* start = p;
        while (*p && (quoted ? *p != L'"' : *p > L' ' && *p != L'"')) ++p;
        arguments.emplace_back(start, p);
        if (quoted && *p == L'"') ++p;
    }
    return arguments;
}

// The text in the code page; `lost` tells whether any character had no equivalent there.
std::string ToCodePage(const wchar_t* wide, int32_t length, bool* lost) {
    int32_t usedDefault = 0;
    const int32_t size = CallNative<int32_t>(
        kWideCharToMultiByte, kAnsiCodePage, kNoBestFitCharacters, wide, length,
        static_cast<char*>(nullptr), int32_t(0), static_cast<const char*>(nullptr), &usedDefault);
    std::string text(size_t(size > 0 ? size : 0), '\0');
    CallNative<int32_t>(kWideCharToMultiByte, kAnsiCodePage, kNoBestFitCharacters, wide, length,
                        text.data(), size, static_cast<const char*>(nullptr), &usedDefault);
    *lost = usedDefault != 0 || (length > 0 && size <= 0);
    return text;
}

std::wstring FromCodePage(const char* text) {
    const int32_t size =
        CallNative<int32_t>(kMultiByteToWideChar, kAnsiCodePage, uint32_t(0), text, int32_t(-1),
                            static_cast<wchar_t*>(nullptr), int32_t(0));
    std::wstring wide(size_t(size > 0 ? size : 1), L'\0');
    CallNative<int32_t>(kMultiByteToWideChar, kAnsiCodePage, uint32_t(0), text, int32_t(-1),
                        wide.data(), size);
    return wide;  // NUL-terminated within its size
}

bool IsHighSurrogate(wchar_t c) {
    return c >= 0xD800 && c < 0xDC00;
}

// The file name of `path` in the code page, each lost character replaced, so that a person
// still recognises it; `anyLost` tells whether a character was replaced.
std::string RecognisableName(const std::wstring& path, bool* anyLost) {
    const size_t separator = path.find_last_of(L"\\/");
    const std::wstring name = separator == std::wstring::npos ? path : path.substr(separator + 1);
    std::string result;
    *anyLost = false;
    for (size_t at = 0; at < name.size();) {
        const int32_t units = IsHighSurrogate(name[at]) && at + 1 < name.size() ? 2 : 1;
        bool lost = false;
        const std::string character = ToCodePage(name.c_str() + at, units, &lost);
        result += lost ? std::string(1, kLostCharacter) : character;
        *anyLost = *anyLost || lost;
        at += size_t(units);
    }
    return result;
}

// The path's short form in the code page, empty when the volume has none free of lost
// characters.
std::string ShortPath(const std::wstring& path) {
    const uint32_t size = CallNative<uint32_t>(kGetShortPathNameW, path.c_str(),
                                               static_cast<wchar_t*>(nullptr), uint32_t(0));
    if (size == 0) return {};
    std::wstring shortPath(size, L'\0');
    const uint32_t length =
        CallNative<uint32_t>(kGetShortPathNameW, path.c_str(), shortPath.data(), size);
    if (length == 0 || length >= size) return {};
    bool lost = false;
    const std::string converted = ToCodePage(shortPath.c_str(), int32_t(length), &lost);
    return lost ? std::string() : converted;
}

// A hard link to the file (a copy when the staging folder is on another volume) in the
// staging folder under `name`; empty when neither could be made.
std::string StagedLink(const std::wstring& source, const std::string& name) {
    EnsureStagingFolder();
    const Text target = Text::Join({kTexts.stagingPrefix, name.c_str()});
    // An earlier start's link goes first: writing over it would write into the file it
    // links to.
    CallNative<int32_t>(kDeleteFile, target.c_str());
    const std::wstring wideTarget = FromCodePage(target.c_str());
    const bool made =
        CallNative<int32_t>(kCreateHardLinkW, wideTarget.c_str(), source.c_str(),
                            static_cast<void*>(nullptr)) != 0 ||
        CallNative<int32_t>(kCopyFileW, source.c_str(), wideTarget.c_str(), int32_t(1)) != 0;
    return made ? std::string(target.c_str()) : std::string();
}

}  // namespace

void TakeImageArgument(const char* ansiArgument) {
    globals.imagePath = Text::Copy(ansiArgument);
    const std::vector<std::wstring> wide =
        WideArguments(CallNative<const wchar_t*>(kGetCommandLineW));
    if (wide.size() != 1) return;
    bool lost = false;
    ToCodePage(wide[0].c_str(), int32_t(wide[0].size()), &lost);
    if (!lost) return;

    bool nameLost = false;
    const std::string name = RecognisableName(wide[0], &nameLost);
    std::string reachable;
    // Only the folders lost characters: their short names lead to the file's own name, which
    // the viewer then shows.
    const size_t separator = wide[0].find_last_of(L"\\/");
    if (!nameLost && separator != std::wstring::npos) {
        const std::string folder = ShortPath(wide[0].substr(0, separator));
        if (!folder.empty()) reachable = folder + "\\" + name;
    }
    if (reachable.empty()) reachable = ShortPath(wide[0]);
    if (reachable.empty()) reachable = StagedLink(wide[0], name);
    if (reachable.empty()) return;
    globals.imagePath = Text::Copy(reachable.c_str());
    globals.imageName = Text::Copy(name.c_str());
}

}  // namespace kv::app
