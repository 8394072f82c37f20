#include "app/staging.h"

#include <cstring>

#include "app/code_page_path.h"
#include "app/constants.h"
#include "app/native_declarations.h"
#include "app/path_helpers.h"
#include "app/program_state.h"
#include "app/window_helpers.h"
#include "corelib/com/object_value.h"
#include "corelib/commands.h"

namespace kv::app {
namespace {

constexpr int32_t kNormalActivated = 2;
constexpr int32_t kConvertToBmpEntry = 0;
constexpr int32_t kConverted = 1;
constexpr uint32_t kGenericRead = 0x80000000;
// Others may read and write a held file, but not delete or rename it.
constexpr uint32_t kShareReadWrite = 0x3;
constexpr uint32_t kOpenExisting = 3;
constexpr uint32_t kNormalAttribute = 0x80;
void* const kInvalidHandle = reinterpret_cast<void*>(intptr_t(-1));

// A ComObject variable: the program owns the value block, the COM commands fill it.
class ComObjectVariable {
  public:
    ComObjectVariable() : block_(NewBlock()) {}
    ComObjectVariable(const ComObjectVariable&) = delete;
    ComObjectVariable& operator=(const ComObjectVariable&) = delete;
    ~ComObjectVariable() {
        Clear();
        kvHelperTable.release(block_);
    }

    ArgValue Arg() const {
        ArgValue a{};
        a.type = com::comtag::kObject;
        a.value.ptr = block_;
        return a;
    }
    void Clear() { CoreCommand(core::kComClear, {Arg()}); }
    // Clears what the variable holds and takes over the object block of a command's result.
    void Assign(const ArgValue& result) {
        Clear();
        kvHelperTable.release(block_);
        block_ = result.value.ptr ? result.value.ptr : NewBlock();
    }

  private:
    static void* NewBlock() {
        void* block = kvHelperTable.allocate(sizeof(com::ObjectBlock));
        std::memset(block, 0, sizeof(com::ObjectBlock));
        return block;
    }
    void* block_;
};

}  // namespace

void EnsureStagingFolder() {
    if (IsDirectory(kTexts.tempFolder)) return;
    Text folder = Text::Constant(kTexts.tempFolder);
    MakeDirectoryPath(folder);
}

void HoldStagedFile(const char* path) {
    const size_t prefixLength = sizeof kTexts.stagingPrefix - 1;
    if (strncmp(path, kTexts.stagingPrefix, prefixLength) != 0) return;
    void* const file = CallNative<void*>(kCreateFile, path, kGenericRead, kShareReadWrite,
                                         static_cast<void*>(nullptr), kOpenExisting,
                                         kNormalAttribute, static_cast<void*>(nullptr));
    if (file != kInvalidHandle) globals.heldFiles.push_back(file);
}

void ReleaseHeldFiles() {
    for (void* file : globals.heldFiles) CallNative<int32_t>(kCloseHandle, file);
    globals.heldFiles.clear();
}

void ConvertAndRelaunch() {
    EnsureStagingFolder();
    // A name outside the code page has a recognisable stand-in the bitmap is named after.
    const Text name = globals.imageName.Empty() ? GetFileNamePart(globals.imagePath.c_str(), true)
                                                : Text::Copy(globals.imageName.c_str());
    const Text bmpPath = Text::Join({kTexts.stagingPrefix, name.c_str(), kTexts.convertedSuffix});
    const Text source = ConversionSource();
    const bool converted =
        !source.Empty() && SupportCommand(kImageLibrary, kConvertToBmpEntry,
                                          {TextArg(source.c_str()), TextArg(bmpPath.c_str())})
                                   .value.i32 == kConverted;
    // Without a BMP the relaunch would open nothing and the working viewer would be lost.
    if (!converted) {
        ShowMessage(kTexts.conversionFailed, kErrorStyle);
        return;
    }
    // Held until this instance ends, by when the relaunched one holds it.
    HoldStagedFile(bmpPath.c_str());
    // The BMP path is quoted so that the relaunched program sees it as its one argument
    // even when it holds blanks.
    const Text commandLine = Text::Join({kTexts.relaunchPrefix, bmpPath.c_str(), kTexts.quote});
    CoreCommand(core::kRunProgram,
                {TextArg(commandLine.c_str()), BoolArg(false), IntArg(kNormalActivated)});
    PostClose(globals.viewerWindow);
    EndProgram(0);
}

void CleanUpStaging() {
    ReleaseHeldFiles();
    DeleteFolderByScripting(kTexts.stagingPrefix);
    PostClose(globals.viewerWindow);
}

void DeleteFolderByScripting(const char* folder) {
    ComObjectVariable fileSystem;
    ComObjectVariable folderObject;
    const bool created =
        CoreCommand(core::kComCreate, {fileSystem.Arg(), TextArg(kTexts.scriptingObject)})
            .value.i32 != 0;
    if (created) {
        Text path = Text::Copy(folder);
        folderObject.Assign(CoreCommand(core::kComCallObjectMethod,
                                        {fileSystem.Arg(), TextArg(kTexts.getFolderMember),
                                         ByAddressArg(path.Address(), tag::kText)}));
        CoreCommand(core::kComCallMethod,
                    {folderObject.Arg(), TextArg(kTexts.deleteMember), OmittedArg()});
    }
    folderObject.Clear();
    fileSystem.Clear();
}

}  // namespace kv::app
