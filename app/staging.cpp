#include "app/staging.h"

#include <algorithm>
#include <cstring>

#include "app/code_page_path.h"
#include "app/constants.h"
#include "app/folder_links.h"
#include "app/hand_over.h"
#include "app/native_declarations.h"
#include "app/path_helpers.h"
#include "app/program_state.h"
#include "app/timing_trace.h"
#include "app/wait_with_events.h"
#include "app/window_helpers.h"
#include "corelib/com/object_value.h"
#include "corelib/commands.h"

namespace kv::app {
namespace {

constexpr int32_t kNormalActivated = 2;
constexpr int32_t kConvertToBmpEntry = 0;
constexpr int32_t kConverted = 1;
constexpr uint32_t kGenericRead = 0x80000000;
constexpr uint32_t kOpenExisting = 3;
constexpr uint32_t kNormalAttribute = 0x80;
constexpr uint32_t kNoAttributes = 0xFFFFFFFF;
// A shown file's hold is tried this often, this far apart (see HoldShownFile).
constexpr int32_t kShownHoldAttempts = 3;
constexpr double kShownHoldRetryMs = 20;
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

bool IsStaged(const char* path) {
    return strncmp(path, kTexts.stagingPrefix, sizeof kTexts.stagingPrefix - 1) == 0;
}

// The photo's first staged name variant no other instance holds, as a bitmap path; empty
// when every variant is taken.
Text FreeBitmapPath() {
    for (int32_t variant = FirstStagedVariant(); variant < kStagedNameVariants; ++variant) {
        Text path =
            Text::Join({kTexts.stagingPrefix, StagedName(variant).c_str(), kTexts.convertedSuffix});
        if (FreeStagedName(path.c_str())) return path;
    }
    return Text();
}

}  // namespace

void EnsureStagingFolder() {
    if (IsDirectory(kTexts.tempFolder)) return;
    Text folder = Text::Constant(kTexts.tempFolder);
    MakeDirectoryPath(folder);
}

void* HoldStagedFile(const char* path, HoldSharing sharing) {
    if (!IsStaged(path)) return nullptr;
    // Others may never delete or rename a held file.
    void* const file = CallNative<void*>(kCreateFile, path, kGenericRead, uint32_t(sharing),
                                         static_cast<void*>(nullptr), kOpenExisting,
                                         kNormalAttribute, static_cast<void*>(nullptr));
    if (file == kInvalidHandle) return nullptr;
    globals.heldFiles.push_back(file);
    return file;
}

void HoldShownFile(const char* path) {
    // The instance handing the file on looks for this hold by opening the file for writing
    // for a moment; a hold that meets that moment is tried again.
    for (int32_t attempt = 0; attempt < kShownHoldAttempts; ++attempt) {
        if (!IsStaged(path) || HoldStagedFile(path, kOthersRead)) return;
        WaitWithEvents(kShownHoldRetryMs, kMilliseconds);
    }
}

void ReleaseHeldFile(void* file) {
    auto& held = globals.heldFiles;
    const auto found = std::find(held.begin(), held.end(), file);
    if (found == held.end()) return;
    CallNative<int32_t>(kCloseHandle, file);
    held.erase(found);
}

void ReleaseHeldFiles() {
    for (void* file : globals.heldFiles) CallNative<int32_t>(kCloseHandle, file);
    globals.heldFiles.clear();
}

bool FreeStagedName(const char* path) {
    CallNative<int32_t>(kDeleteFile, path);
    return CallNative<uint32_t>(kGetFileAttributes, path) == kNoAttributes;
}

void ConvertAndRelaunch() {
    // A click while the bitmap is being handed on starts nothing more.
    if (globals.handingOver) return;
    EnsureStagingFolder();
    const Text source = ConversionSource();
    // A name another viewer still shows (a photo of the same name from another folder) is
    // passed over for one that carries the photo's hash.
    const Text bmpPath = source.Empty() ? Text() : FreeBitmapPath();
    TraceStep("conversion start");
    const bool converted =
        !bmpPath.Empty() && SupportCommand(kImageLibrary, kConvertToBmpEntry,
                                           {TextArg(source.c_str()), TextArg(bmpPath.c_str())})
                                    .value.i32 == kConverted;
    TraceStep("conversion end");
    // Held until the relaunched program holds it.
    void* const held = converted ? HoldStagedFile(bmpPath.c_str(), kOthersReadAndWrite) : nullptr;
    // Without a BMP the relaunch would open nothing and the working viewer would be lost.
    if (!held) {
        ShowMessage(kTexts.conversionFailed, kErrorStyle);
        return;
    }
    // The BMP path is quoted so that the relaunched program sees it as its one argument
    // even when it holds blanks.
    const Text commandLine = Text::Join({kTexts.relaunchPrefix, bmpPath.c_str(), kTexts.quote});
    int32_t copyProcess = 0;
    TraceStep("copy starting");
    const bool started = CoreCommand(core::kRunProgram, {TextArg(commandLine.c_str()),
                                                         BoolArg(false), IntArg(kNormalActivated),
                                                         ByAddressArg(&copyProcess, tag::kInt)})
                             .value.i32 != 0;
    TraceStep("copy started");
    // An installed copy that is missing, cannot start or ends before it shows the BMP: the
    // working viewer stays, as after a failed conversion, and the BMP goes.
    if (!started || !HandedOver(bmpPath.c_str(), copyProcess)) {
        ReleaseHeldFile(held);
        CallNative<int32_t>(kDeleteFile, bmpPath.c_str());
        ShowMessage(kTexts.conversionFailed, kErrorStyle);
        return;
    }
    TraceStep("handed over");
    PostClose(globals.viewerWindow);
    EndProgram(0);
}

void CleanUpStaging() {
    // The viewer closed while the bitmap is handed on: what this instance holds stays for
    // the relaunched program, whose own close cleans up.
    if (globals.handingOver) return;
    ReleaseHeldFiles();
    // The folder delete may follow links: they go first, as links, and while one stays
    // the folder stays too.
    if (IsLink(kTexts.tempFolder))
        RemoveLink(kTexts.tempFolder);
    else if (RemoveLinksInside(kTexts.stagingPrefix))
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
