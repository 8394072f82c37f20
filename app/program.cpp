// The program's top level: its globals, the four event handlers of the start window, the
// exit routine, the entry the runtime calls and the ProgramInfo that tells the runtime where
// everything is.
#include <vector>

#include "app/code_page_path.h"
#include "app/constants.h"
#include "app/native_declarations.h"
#include "app/program_state.h"
#include "app/repair_install.h"
#include "app/staging.h"
#include "app/text_commands.h"
#include "app/timing_trace.h"
#include "app/viewer_hosting.h"
#include "corelib/commands.h"
#include "corelib/library_info.h"
#include "imageconv/library_info.h"
#include "oslib/folder_lookup.h"

// From code_base.S: the address that event-handler offsets are relative to.
extern "C" const char kvProgramCodeBase[];

namespace kv::app {

ProgramGlobals globals;

void ShowMessage(const char* text, int32_t style) {
    CoreCommand(core::kShowMessage, {TextArg(text), IntArg(style)});
}

namespace {

// Event handlers return "no value" to the runtime.
constexpr uint64_t kNoValue = 0;

uint64_t OnStartWindowCreated() {
    if (!ViewerLibraryPresent()) RepairViewerLibrary();
    TraceStep("library checked");
    TextArray arguments;
    CoreCommand(core::kGetArguments, {ByAddressArg(arguments.Address(), tag::kText)});
    if (arguments.Count() != 1) InstallProgram();
    TakeImageArgument(arguments.At(0));
    TraceStep("bitmap held");
    OpenInViewer(globals.imagePath.c_str());
    return kNoValue;
}

uint64_t OnStartWindowDestroy() {
    CleanUpStaging();
    return kNoValue;
}

uint64_t OnRepairButtonClick() {
    TraceStep("click handled");
    ConvertAndRelaunch();
    return kNoValue;
}

uint64_t OnHostTimerTick() {
    CheckHostLayout();
    return kNoValue;
}

// Registered with the runtime: the image path and names are the globals that own runtime
// memory.
void ReleaseImagePath() {
    globals.imagePath = Text();
    globals.imageName = Text();
    globals.stagedPath = Text();
}

uintptr_t CodeBase() {
    return reinterpret_cast<uintptr_t>(kvProgramCodeBase);
}

// The form-template block: the handlers are bound by their offsets from the code base.
const std::vector<uint8_t> formTemplateBlock =
    BuildStartWindowBlock(CodeBase(), {reinterpret_cast<const void*>(&OnStartWindowCreated),
                                       reinterpret_cast<const void*>(&OnStartWindowDestroy),
                                       reinterpret_cast<const void*>(&OnRepairButtonClick),
                                       reinterpret_cast<const void*>(&OnHostTimerTick)});

// The support libraries in registration order: core, OS interface, image conversion.
const LibraryInfo* const libraries[] = {&core::kCoreLibraryInfo, &os::kOsLibraryInfo,
                                        &imageconv::ImageConvLibraryInfo()};

constexpr uint32_t kBuildKind = 3;
constexpr uint32_t kStoredWord1 = 0;
constexpr uint32_t kStoredWord2 = 85147;

}  // namespace
}  // namespace kv::app

extern "C" const kv::ProgramInfo kvProgramInfo = {
    kv::app::kBuildKind,
    kv::app::kStoredWord1,
    kv::app::kStoredWord2,
    kv::app::CodeBase(),
    kvConstantBlockStart,
    uint32_t(kvConstantBlockEnd - kvConstantBlockStart),
    kv::app::formTemplateBlock.data(),
    uint32_t(kv::app::formTemplateBlock.size()),
    uint32_t(sizeof kv::app::libraries / sizeof kv::app::libraries[0]),
    kv::app::libraries,
    kv::app::kNativeDeclarationCount,
    kv::app::kNativeDllNames,
    kv::app::kNativeFunctionNames,
};

// The runtime's start hook calls this; the order of the steps is fixed.
extern "C" int kvProgramEntry() {
    using namespace kv;
    app::TraceStep("program entry");
    RuntimeService(kLoadProgramInfo);
    // A clean direction flag and floating-point unit for the program's code.
    asm volatile("cld\n\tfninit" ::: "memory");
    // The program's globals start zeroed; there is nothing further to initialise.
    RuntimeService(kRegisterExitRoutine, &app::ReleaseImagePath);
    kvHelperTable.loadStartWindow(app::kStartWindowFormId);
    kvHelperTable.runMessageLoop();
    return 0;
}
