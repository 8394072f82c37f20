#include "app/code_page_path.h"

#include <cstdio>
#include <string>
#include <vector>

#include "app/constants.h"
#include "app/native_declarations.h"
#include "app/program_state.h"
#include "app/staging.h"
#include "app/wide_arguments.h"

namespace kv::app {
namespace {

constexpr uint32_t kAnsiCodePage = 0;
// Characters the code page lacks become its default character instead of a look-alike, so
// that a lost character is always noticed.
constexpr uint32_t kNoBestFitCharacters = 0x400;
// What a lost character of the name becomes in the names the program makes.
constexpr char kLostCharacter = '_';
constexpr uint32_t kReadOnlyAttribute = 0x1;
constexpr uint32_t kNormalAttribute = 0x80;
constexpr uint32_t kNoAttributes = 0xFFFFFFFF;
// The largest photo "修复" copies into the staging folder: about 6 s from a slow memory card
// (20 MB/s), and more than any camera's photo but a 16-bit TIFF of 20 megapixels or more.
constexpr uint64_t kLargestCopiedPhoto = 128ull << 20;
// Test builds take the route of volumes without short names (Wine makes a short name for
// every file), so that the link and copy route runs under the tests.
#ifdef KV_WITHOUT_SHORT_NAMES
constexpr bool kUseShortNames = false;
#else
constexpr bool kUseShortNames = true;
#endif

// What GetFileAttributesExW answers for a file.
struct FileAttributeData {
    uint32_t attributes;
    uint32_t times[6];
    uint32_t sizeHigh;
    uint32_t sizeLow;
};

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

// The recognisable name made unique to the photo: a short hash of the whole wide path goes
// before the extension, so that photos whose names read alike never share a stand-in.
std::string UniqueName(const std::string& name, const std::wstring& path) {
    uint32_t hash = 2166136261u;  // 32-bit FNV-1a over the UTF-16 units
    for (const wchar_t unit : path) {
        hash ^= uint16_t(unit);
        hash *= 16777619u;
    }
    char tag[16];
    snprintf(tag, sizeof tag, "~%08X", unsigned(hash));
    const size_t dot = name.find_last_of('.');
    if (dot == std::string::npos) return name + tag;
    return name.substr(0, dot) + tag + name.substr(dot);
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

// A hard link to the photo at the staged path. A read-only photo is never linked: the
// folder delete could not remove the link, and its name could never be freed again.
bool MakeStagedLink() {
    // A name that cannot be freed (held by another instance) makes the link fail: nothing is
    // ever written through an existing name.
    CallNative<int32_t>(kDeleteFile, globals.stagedPath.c_str());
    const uint32_t attributes =
        CallNative<uint32_t>(kGetFileAttributesW, globals.photoPath.c_str());
    if (attributes == kNoAttributes || (attributes & kReadOnlyAttribute)) return false;
    const std::wstring target = FromCodePage(globals.stagedPath.c_str());
    return CallNative<int32_t>(kCreateHardLinkW, target.c_str(), globals.photoPath.c_str(),
                               static_cast<void*>(nullptr)) != 0;
}

// A copy of the photo at the staged path, writable so that the folder delete removes it; a
// photo above kLargestCopiedPhoto is not copied.
bool MakeStagedCopy() {
    FileAttributeData data{};
    if (!CallNative<int32_t>(kGetFileAttributesExW, globals.photoPath.c_str(), int32_t(0), &data))
        return false;
    if ((uint64_t(data.sizeHigh) << 32 | data.sizeLow) > kLargestCopiedPhoto) return false;
    const std::wstring target = FromCodePage(globals.stagedPath.c_str());
    CallNative<int32_t>(kDeleteFile, globals.stagedPath.c_str());
    const int32_t failIfExists = 1;
    return CallNative<int32_t>(kCopyFileW, globals.photoPath.c_str(), target.c_str(),
                               failIfExists) != 0 &&
           CallNative<int32_t>(kSetFileAttributesW, target.c_str(), kNormalAttribute) != 0;
}

bool StagedPathExists() {
    return CallNative<uint32_t>(kGetFileAttributes, globals.stagedPath.c_str()) != kNoAttributes;
}

}  // namespace

void TakeImageArgument(const char* ansiArgument) {
    globals.imagePath = Text::Copy(ansiArgument);
    const std::vector<std::wstring> wide =
        WideArguments(CallNative<const wchar_t*>(kGetCommandLineW));
    bool lost = false;
    if (wide.size() == 1) ToCodePage(wide[0].c_str(), int32_t(wide[0].size()), &lost);
    if (!lost) {
        // A bitmap this program made stays while this instance shows it.
        HoldStagedFile(ansiArgument);
        return;
    }

    bool nameLost = false;
    const std::string name = RecognisableName(wide[0], &nameLost);
    const std::string standIn = UniqueName(name, wide[0]);
    if (kUseShortNames) {
        std::string reachable;
        // Only the folders lost characters: their short names lead to the file's own name,
        // which the viewer then shows.
        const size_t separator = wide[0].find_last_of(L"\\/");
        if (!nameLost && separator != std::wstring::npos) {
            const std::string folder = ShortPath(wide[0].substr(0, separator));
            if (!folder.empty()) reachable = folder + "\\" + name;
        }
        if (reachable.empty()) reachable = ShortPath(wide[0]);
        if (!reachable.empty()) {
            globals.imagePath = Text::Copy(reachable.c_str());
            globals.imageName = Text::Copy(nameLost ? standIn.c_str() : name.c_str());
            return;
        }
    }

    // Through the staging folder: linked now when the photo can be linked (a copy waits for
    // "修复"). A stand-in another instance holds is the same photo's, since its name is.
    EnsureStagingFolder();
    globals.photoPath = wide[0];
    globals.stagedPath = Text::Join({kTexts.stagingPrefix, standIn.c_str()});
    globals.imageName = Text::Copy(standIn.c_str());
    if (MakeStagedLink() || StagedPathExists()) {
        globals.imagePath = Text::Copy(globals.stagedPath.c_str());
        HoldStagedFile(globals.stagedPath.c_str());
    }
}

Text ConversionSource() {
    if (globals.photoPath.empty()) return Text::Copy(globals.imagePath.c_str());
    // The link made at the start is gone when another instance's clean-up came first.
    if (!StagedPathExists()) {
        EnsureStagingFolder();
        if (!MakeStagedLink() && !MakeStagedCopy()) return Text();
    }
    HoldStagedFile(globals.stagedPath.c_str());
    return Text::Copy(globals.stagedPath.c_str());
}

}  // namespace kv::app
