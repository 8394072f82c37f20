#include "app/repair_install.h"

#include "app/constants.h"
#include "app/native_declarations.h"
#include "app/path_helpers.h"
#include "app/program_state.h"
#include "corelib/commands.h"

namespace kv::app {
namespace {

constexpr int32_t kPlainStyle = 0;
constexpr int32_t kInformationStyle = 64;

Text ViewerLibraryPath() {
    return Text::Join({GetFolderPath(9).c_str(), kTexts.libraryPathTail});
}

bool FileExists(const char* path) {
    return CoreCommand(core::kFileExists, {TextArg(path)}).value.i32 != 0;
}

}  // namespace

bool ViewerLibraryPresent() {
    return FileExists(ViewerLibraryPath().c_str());
}

void RepairViewerLibrary() {
    ShowMessage(kTexts.repairAnnouncement, kErrorStyle);
    const Text target = ViewerLibraryPath();
    const ArgValue written = CoreCommand(
        core::kWriteBytesToFile, {TextArg(target.c_str()), BytesArg(kvEmbeddedViewerLibrary)});
    if (written.value.i32 == 1) {
        ShowMessage(kTexts.repairDone, kPlainStyle);
        return;
    }
    // A library cut short would be found at every later start and never repaired again.
    CallNative<int32_t>(kDeleteFile, NativeText(target.c_str()));
    ShowMessage(kTexts.repairFailed, kErrorStyle);
    EndProgram(0);
}

void InstallProgram() {
    if (!IsDirectory(kTexts.installFolder)) {
        Text folder = Text::Constant(kTexts.installFolder);
        MakeDirectoryPath(folder);
    }
    const Text runDirectory = Text::Adopt(CoreCommand(core::kGetRunDirectory, {}).value.text);
    const Text fileName = Text::Adopt(CoreCommand(core::kGetProgramFileName, {}).value.text);
    const Text source = Text::Join({runDirectory.c_str(), kTexts.pathSeparator, fileName.c_str()});
    CoreCommand(core::kCopyFileTo, {TextArg(source.c_str()), TextArg(kTexts.installedProgram)});
    // The copy's own result is not telling: copying the installed program onto itself fails
    // and is fine. What counts is whether the installed program is there now.
    if (FileExists(kTexts.installedProgram))
        ShowMessage(kTexts.installMessage, kInformationStyle);
    else
        ShowMessage(kTexts.installFailedMessage, kErrorStyle);
    EndProgram(0);
}

}  // namespace kv::app
