#include "app/code_page_path.h"

#include <cstdio>
#include <string>
#include <vector>

#include "app/constants.h"
#include "app/native_declarations.h"
#include "app/path_helpers.h"
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
constexpr uint32_t kReadAttributes = 0x80;
constexpr uint32_t kShareAll = 0x7;
constexpr uint32_t kOpenExisting = 3;
void* const kInvalidHandle = reinterpret_cast<void*>(intptr_t(-1));
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

// What GetFileInformationByHandle answers for a file.
struct FileInformation {
    uint32_t attributes;
    uint32_t creationTime[2];
    uint32_t accessTime[2];
    uint32_t writeTime[2];
    uint32_t volumeSerial;
    uint32_t sizeHigh;
    uint32_t sizeLow;
    uint32_t links;
    uint32_t indexHigh;
    uint32_t indexLow;
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

// A short hash of the photo's whole path: 32-bit FNV-1a over its UTF-16 units.
uint32_t PathHash(const std::wstring& path) {
    uint32_t hash = 2166136261u;
    for (const wchar_t unit : path) {
        hash ^= uint16_t(unit);
        hash *= 16777619u;
    }
    return hash;
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

bool ReadInformation(void* file, FileInformation* information) {
    return CallNative<int32_t>(kGetFileInformationByHandle, file, information) != 0;
}

bool PhotoInformation(FileInformation* information) {
    void* const file = CallNative<void*>(kCreateFileW, globals.photoPath.c_str(), kReadAttributes,
                                         kShareAll, static_cast<void*>(nullptr), kOpenExisting,
                                         uint32_t(0), static_cast<void*>(nullptr));
    if (file == kInvalidHandle) return false;
    const bool read = ReadInformation(file, information);
    CallNative<int32_t>(kCloseHandle, file);
    return read;
}

// Whether a staged file is provably the photo: the same file (a link to it), or a file of
// no other name with the photo's size and last-write time (a copy, which takes the photo's
// time only once it is complete).
bool IsThePhoto(const FileInformation& staged, const FileInformation& photo) {
    if (staged.volumeSerial == photo.volumeSerial && staged.indexHigh == photo.indexHigh &&
        staged.indexLow == photo.indexLow)
        return true;
    return staged.links == 1 && staged.sizeHigh == photo.sizeHigh &&
           staged.sizeLow == photo.sizeLow && staged.writeTime[0] == photo.writeTime[0] &&
           staged.writeTime[1] == photo.writeTime[1];
}

// A hard link to the photo at the free name `path`. A read-only photo is never linked: the
// folder delete could not remove the link, and its name could never be freed again.
bool MakeStagedLink(const char* path, const FileInformation& photo) {
    if (photo.attributes & kReadOnlyAttribute) return false;
    return CallNative<int32_t>(kCreateHardLinkW, FromCodePage(path).c_str(),
                               globals.photoPath.c_str(), static_cast<void*>(nullptr)) != 0;
}

// A copy of the photo at the free name `path`, writable so that the folder delete removes
// it; a photo above kLargestCopiedPhoto is not copied.
bool MakeStagedCopy(const char* path, const FileInformation& photo) {
    if ((uint64_t(photo.sizeHigh) << 32 | photo.sizeLow) > kLargestCopiedPhoto) return false;
    const std::wstring target = FromCodePage(path);
    const int32_t failIfExists = 1;
    return CallNative<int32_t>(kCopyFileW, globals.photoPath.c_str(), target.c_str(),
                               failIfExists) != 0 &&
           CallNative<int32_t>(kSetFileAttributesW, target.c_str(), kNormalAttribute) != 0;
}

// Holds the file at `path` and makes it the staged path when it is provably the photo.
bool TakeIfThePhoto(const char* path, const FileInformation& photo) {
    void* const held = HoldStagedFile(path, kOthersReadAndWrite);
    if (!held) return false;
    FileInformation staged{};
    if (ReadInformation(held, &staged) && IsThePhoto(staged, photo)) {
        globals.stagedPath = Text::Copy(path);
        return true;
    }
    ReleaseHeldFile(held);
    return false;
}

// Holds a stand-in for the photo in the staging folder and makes it the staged path. A
// stand-in already there is shared when it is provably the photo (another instance's link
// or finished copy); otherwise (the path now names another photo, or a copy is still being
// written) its name is freed, or passed over when another instance holds it. A free name
// gets a fresh link or, when `mayCopy`, a fresh copy, taken only once it is held and still
// the photo (another instance may have freed the name meanwhile for its own).
bool TakeStandIn(bool mayCopy) {
    FileInformation photo{};
    if (!PhotoInformation(&photo)) return false;
    for (int32_t variant = FirstStagedVariant(); variant < kStagedNameVariants; ++variant) {
        const Text path = Text::Join({kTexts.stagingPrefix, StagedName(variant).c_str()});
        if (TakeIfThePhoto(path.c_str(), photo)) return true;
        if (!FreeStagedName(path.c_str())) continue;
        // The name is free: what fails now is the photo's to link or copy, under any name.
        if (!MakeStagedLink(path.c_str(), photo) &&
            !(mayCopy && MakeStagedCopy(path.c_str(), photo)))
            return false;
        if (TakeIfThePhoto(path.c_str(), photo)) return true;
    }
    return false;
}

}  // namespace

void TakeImageArgument(const char* ansiArgument) {
    globals.imagePath = Text::Copy(ansiArgument);
    const std::vector<std::wstring> wide =
        WideArguments(CallNative<const wchar_t*>(kGetCommandLineW));
    bool lost = false;
    if (wide.size() == 1) ToCodePage(wide[0].c_str(), int32_t(wide[0].size()), &lost);
    if (!lost) {
        globals.photoPath = wide.size() == 1 ? wide[0] : FromCodePage(ansiArgument).c_str();
        globals.imageName = GetFileNamePart(ansiArgument, true);
        // A bitmap this program made stays while this instance shows it.
        HoldShownFile(ansiArgument);
        return;
    }

    globals.photoPath = wide[0];
    bool nameLost = false;
    globals.imageName = Text::Copy(RecognisableName(wide[0], &nameLost).c_str());
    globals.hashedNames = nameLost;
    if (kUseShortNames) {
        std::string reachable;
        // Only the folders lost characters: their short names lead to the file's own name,
        // which the viewer then shows.
        const size_t separator = wide[0].find_last_of(L"\\/");
        if (!nameLost && separator != std::wstring::npos) {
            const std::string folder = ShortPath(wide[0].substr(0, separator));
            if (!folder.empty()) reachable = folder + "\\" + globals.imageName.c_str();
        }
        if (reachable.empty()) reachable = ShortPath(wide[0]);
        if (!reachable.empty()) {
            globals.imagePath = Text::Copy(reachable.c_str());
            return;
        }
    }

    // Through the staging folder: a stand-in now when the photo can be linked (or another
    // instance's stand-in is the photo); a copy waits for "修复".
    globals.hashedNames = true;
    globals.throughStagingFolder = true;
    EnsureStagingFolder();
    if (TakeStandIn(false)) globals.imagePath = Text::Copy(globals.stagedPath.c_str());
}

Text ConversionSource() {
    if (!globals.throughStagingFolder) return Text::Copy(globals.imagePath.c_str());
    if (globals.stagedPath.Empty() && !TakeStandIn(true)) return Text();
    return Text::Copy(globals.stagedPath.c_str());
}

std::string StagedName(int32_t variant) {
    const std::string name = globals.imageName.c_str();
    if (variant == 0) return name;
    char tag[24];
    if (variant == 1)
        snprintf(tag, sizeof tag, "~%08X", unsigned(PathHash(globals.photoPath)));
    else
        snprintf(tag, sizeof tag, "~%08X-%d", unsigned(PathHash(globals.photoPath)), int(variant));
    const size_t dot = name.find_last_of('.');
    if (dot == std::string::npos) return name + tag;
    return name.substr(0, dot) + tag + name.substr(dot);
}

int32_t FirstStagedVariant() {
    return globals.hashedNames ? 1 : 0;
}

}  // namespace kv::app
