// RuntimeApp: the one application object of the process and the kernel state it keeps.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "framework/application.h"
#include "runtime/kernel.h"
#include "runtime/program.h"

namespace kv {

// Sent to the hidden owner window by another thread that ends the program: the end sequence
// then runs on the main thread (wParam = exit code).
constexpr UINT kEndRequest = 0x83E7;

// One entry per native declaration, sized and zeroed at program loading.
struct NativeDeclarations {
    std::vector<const char*> dllNames;
    std::vector<const char*> functionNames;
    std::vector<HMODULE> modules;        // zero until bound
    std::vector<const void*> addresses;  // zero until bound

    void Resize(size_t count);
    void Clear();
};

class RuntimeApp : public fw::Application {
  public:
    // Records the module directory and runs the program's entry.
    int InitInstance() override;
    // The end sequence with code 0, then the framework's exit.
    int ExitInstance() override;
    // Idle counts 0 and 1 run the framework's idle work; from 2 on, the windows' idle events.
    bool OnIdle(long count) override;
    // Offers the message to the window objects of the window's parent chain.
    bool PreTranslateMessage(MSG* message) override;

    // The kernel's message loop: main mode when `modalFlag` is null, else runs while the
    // flag is set.
    void RunLoop(volatile bool* modalFlag);

    std::string programDirectory;  // no trailing separator
    std::string programFileName;
    std::string moduleDirectory;  // with trailing separator
    uint32_t buildKind = 0, word1 = 0, word2 = 0;

    std::vector<const LibraryInfo*> libraries;
    std::vector<intptr_t> libraryData;  // handed back with notification 6
    NativeDeclarations natives;
    std::vector<IdleRoutineRecord> idleRoutines;
    std::vector<ExitRoutine> exitRoutines;

    DWORD mainThread = 0;
    HWND hiddenOwner = nullptr;
    bool ending = false;
    bool oleInitialized = false;
    bool loopEntered = false;
    HICON largeIcon = nullptr, smallIcon = nullptr;
    bool iconsLoaded = false;

  private:
    void RunIdleRoutines();
    bool frameworkIdlePending_ = false;
    DWORD idleStart_ = 0;
};

RuntimeApp& App();
// The full path of a loaded module's file (null: the program's own), however long.
std::string ModuleFileName(HMODULE module);
// The framework's main routine on the runtime's application object (the process entry).
int RunRuntimeApp();

// Kernel operations behind the HelperTable, RuntimeService and SystemNotify.
void LoadProgramInformation();
void EndSequence(int32_t code);
void RunMessageLoop();
void LoadStartWindow(uint32_t formId);
void ProcessPendingMessages();
void RegisterIdleRoutine(const IdleRoutineRecord& record);
void RemoveIdleRoutine(HWND window);
const void* BindNativeCommand(int32_t index);
void ReleaseNativeModules();
void RegisterLibraries(const ProgramInfo& info);
void EndLibraries();
ArgValue CallLibraryCommand(LibraryCommand command, int32_t count, ArgValue* args);
int64_t RuntimeServiceEntry(int32_t service, const int64_t* args);

}  // namespace kv
