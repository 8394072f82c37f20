// How the kernel finds the compiled program: the program defines one ProgramInfo record and
// its ProgramEntry with C linkage under the names below, and links the runtime (plus the
// process entry object `kv_runtime_entry`). Test programs do the same with their own blocks.
#pragma once

#include <cstdint>

#include "runtime/library.h"

namespace kv {

// Where the program's parts are. Words that hold addresses are pointer-sized.
struct ProgramInfo {
    uint32_t buildKind;  // returned to libraries by SystemNotify 2030
    uint32_t word1;      // stored only
    uint32_t word2;      // stored plus one only
    uintptr_t codeBase;  // event-handler offsets in the templates are relative to it
    const void* constantBlock;
    uint32_t constantLength;
    const void* formTemplateBlock;
    uint32_t formTemplateLength;
    uint32_t libraryCount;
    const LibraryInfo* const* libraries;  // libraryCount entries, null entries allowed
    uint32_t nativeCount;
    const char* const* nativeDllNames;       // nativeCount entries ("" = search the list)
    const char* const* nativeFunctionNames;  // nativeCount entries ("#123" = ordinal)
};

// A routine registered with RuntimeService 3; run once at the program's normal end.
using ExitRoutine = void (*)();

}  // namespace kv

// Defined by the program. The process entry calls kvProgramEntry from the application's
// start hook; it must, in order: RuntimeService 6 (load program information), register its
// exit routines (RuntimeService 3), LoadStartWindow, RunMessageLoop, and return 0.
extern "C" const kv::ProgramInfo kvProgramInfo;
extern "C" int kvProgramEntry();
