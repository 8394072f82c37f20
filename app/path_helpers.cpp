#include "app/path_helpers.h"

#include "app/constants.h"
#include "app/native_declarations.h"
#include "app/text_commands.h"
#include "corelib/commands.h"

namespace kv::app {
namespace {

constexpr int32_t kFolderBufferSize = 260;
constexpr int32_t kDirectoryAttribute = 0x10;

// The shell's folder number (CSIDL) of folder numbers 1-8 and 12; -1 for the others.
int32_t ShellFolderId(int32_t number) {
    switch (number) {
        case 1:
            return 0x05;  // documents
        case 2:
            return 0x06;  // favorites
        case 3:
            return 0x10;  // desktop directory
        case 4:
            return 0x14;  // fonts
        case 5:
            return 0x0B;  // start menu
        case 6:
            return 0x02;  // programs
        case 7:
            return 0x07;  // startup
        case 8:
            return 0x1A;  // application data
        case 12:
            return 0x20;  // internet cache
        default:
            return -1;
    }
}

// The runtime's find-file service keeps one search handle per caller; it is closed when the
// caller is done.
class DirectorySearch {
  public:
    DirectorySearch() = default;
    DirectorySearch(const DirectorySearch&) = delete;
    DirectorySearch& operator=(const DirectorySearch&) = delete;
    ~DirectorySearch() { RuntimeService(kCloseFind, handle_); }

    // True when the first entry matching `path` carries the directory attribute.
    bool Exists(const char* path) {
        Text found = Text::Adopt(reinterpret_cast<char*>(
            intptr_t(RuntimeService(kFindNextFile, path, kDirectoryAttribute, 0, &handle_))));
        return !found.Empty();
    }

  private:
    intptr_t handle_ = 0;
};

void EnsureTrailingSeparator(Text& path) {
    if (!path.EndsWith('\\')) path.Append(kTexts.pathSeparator);
}

}  // namespace

int32_t IsDirectory(const char* path) {
    return CallNative<int32_t>(kPathIsDirectory, NativeText(path));
}

Text GetExtensionPart(const char* fileName) {
    return Text::Copy(CallNative<const char*>(kPathFindExtension, NativeText(fileName)));
}

Text GetFileNamePart(const char* path, bool keepExtension) {
    Text name = Text::Copy(CallNative<const char*>(kPathFindFileName, NativeText(path)));
    if (keepExtension) return name;
    Text extension = GetExtensionPart(name.c_str());
    return LeftText(name.c_str(), TextLength(name.c_str()) - TextLength(extension.c_str()));
}

Text GetFolderPath(int32_t number) {
    if (number == 0) number = 3;
    Text buffer = SpaceText(kFolderBufferSize);
    bool found = false;
    const int32_t shellFolder = ShellFolderId(number);
    if (shellFolder >= 0) {
        found = CallNative<int32_t>(kShGetSpecialFolderPath, WindowHandle(0), buffer.Raw(),
                                    shellFolder, int32_t(0)) != 0;
    } else if (number >= 9 && number <= 11) {
        // A folder too long for the buffer answers the size it needs and writes nothing.
        uint32_t length = 0;
        if (number == 9) {
            length = CallNative<uint32_t>(kGetWindowsDirectory, buffer.Raw(),
                                          uint32_t(kFolderBufferSize));
        } else if (number == 10) {
            length = CallNative<uint32_t>(kGetSystemDirectory, buffer.Raw(),
                                          uint32_t(kFolderBufferSize));
        } else {
            length = CallNative<uint32_t>(kGetTempPath, uint32_t(kFolderBufferSize), buffer.Raw());
        }
        found = length > 0 && length < uint32_t(kFolderBufferSize);
    }
    if (!found) return Text();
    // The call wrote a terminated path over the blanks; keep just that path.
    Text path = Text::Copy(buffer.c_str());
    EnsureTrailingSeparator(path);
    return path;
}

int32_t MakeDirectoryPath(Text& path) {
    if (TrimBlanks(path.c_str()).Empty()) return -1;
    if (path.EndsWith('\\')) path = LeftText(path.c_str(), path.Length() - 1);

    DirectorySearch search;
    if (search.Exists(path.c_str())) {
        EnsureTrailingSeparator(path);
        return 0;
    }

    TextArray parts;
    SplitText(path.c_str(), kTexts.pathSeparator, &parts);
    const int32_t count = parts.Count();
    // parts.At(0) is the drive, which is never tested or created.
    Text current = Text::Copy(count > 0 ? parts.At(0) : "");
    // The first level this call may create below a level that already existed: the one
    // to remove again when a deeper level fails, but only if this call made it.
    Text remembered;
    int32_t rememberedLevel = 0;
    bool madeRemembered = false;
    for (int32_t i = 1; i < count; ++i) {
        current = Text::Join({current.c_str(), kTexts.pathSeparator, parts.At(i)});
        if (!search.Exists(current.c_str())) {
            if (CoreCommand(core::kMakeDir, {TextArg(current.c_str())}).value.i32 != 0) {
                madeRemembered = madeRemembered || i == rememberedLevel;
                continue;
            }
            // Another instance may have made the level meanwhile; it counts as made, and
            // neither it nor what that instance puts into it is ours to remove.
            if (!search.Exists(current.c_str())) {
                if (madeRemembered)
                    CoreCommand(core::kRemoveDirTree, {TextArg(remembered.c_str())});
                return -1;
            }
        }
        // An existing last level has no level below it; nothing is left to create.
        if (i + 1 < count) {
            remembered = Text::Join({current.c_str(), kTexts.pathSeparator, parts.At(i + 1)});
            rememberedLevel = i + 1;
            madeRemembered = false;
        }
    }
    EnsureTrailingSeparator(path);
    return 1;
}

}  // namespace kv::app
