// Kernel services for the forms layer and the statically linked libraries' internals.
// (Support libraries proper reach the kernel only through SystemNotify.)
#pragma once

#include <windows.h>

#include <cstdint>

#include "runtime/library.h"
#include "runtime/values.h"

namespace kv {

// The kernel's SystemNotify entry (handed to every library with notification 1). Its answer
// fills both result words, so that 2001 delivers a whole 64-bit integer on the 32-bit build
// too; every other answer fits the pointer-sized word that libraries read.
int64_t KV_STDCALL SystemNotifyEntry(int32_t code, intptr_t p1, intptr_t p2);
// The same service for the kernel's own callers.
inline intptr_t SystemNotify(int32_t code, intptr_t p1, intptr_t p2) {
    return intptr_t(SystemNotifyEntry(code, p1, p2));
}

// Fatal errors: one box, then the end sequence with -1. Never return.
[[noreturn]] void ReportRuntimeError(const char* text, int32_t code);
[[noreturn]] void EndProgram(int32_t code);

// Events are delivered only while the count is 0.
int32_t& EventBlockCount();

// ProgramInfo word 0.
uint32_t BuildKind();
// Set once RunMessageLoop has been entered; the last window's teardown posts the quit
// message only then.
bool MessageLoopEntered();
// The hidden owner window ("_Kiva_HideOwner").
HWND HiddenOwnerWindow();
// The program's module and the kernel's directory / file-name texts.
HMODULE ProgramModule();
const char* ProgramDirectory();
const char* ProgramFileName();
// Runs the kernel's message loop in modal mode until `modalFlag` is cleared.
void RunModalLoop(volatile bool* modalFlag);

// SystemNotify 1012 receives the address of one of these: an idle routine is called with
// its parameter whenever the message queue is empty, while its window exists.
using IdleRoutine = void(KV_STDCALL*)(intptr_t parameter);
struct IdleRoutineRecord {
    HWND window;
    IdleRoutine routine;
    intptr_t parameter;
};

// The registered libraries in ProgramInfo order (SystemNotify 1002 looks type records up
// in them); `count` receives their number.
const LibraryInfo* const* Libraries(int* count);

// Calls a program subroutine with EventArg arguments (pushed last to first); stores the
// 64-bit result when `result` is not null. False when `address` is null.
bool CallSubroutine(const void* address, const EventArg* args, int count, int64_t* result);
// The simpler form: plain 32-bit argument words, 32-bit result.
bool CallSubroutineWords(const void* address, const uint32_t* words, int count, int32_t* result);

}  // namespace kv
