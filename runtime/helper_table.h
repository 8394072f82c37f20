// The program's whole interface to the runtime: the thirteen entries of the HelperTable, and
// the typed helpers the program code uses around them. The only runtime header the program
// includes.
#pragma once

#include <cstdint>
#include <type_traits>

#include "runtime/library.h"
#include "runtime/program.h"
#include "runtime/values.h"

namespace kv {

// Slot order is fixed. Selectors travel as the first argument. Every slot but the native
// call (slot 1) is an ordinary function whose arguments the caller removes.
struct HelperTable {
    // 0: error n (1-11) from the runtime-error table, shown with code n. Never returns.
    void (*reportRuntimeError)(int32_t number);
    // 1: the address of native declaration `index`, bound on first use; every failure is
    // fatal. Program code calls it through CallNative below, which checks the stack.
    const void* (*bindNativeCommand)(int32_t index);
    // 2 and 3: calls a library command with a zeroed result; returns value and TypeTag.
    ArgValue (*callSupportCommand)(LibraryCommand command, int32_t count, ArgValue* args);
    ArgValue (*callCoreCommand)(LibraryCommand command, int32_t count, ArgValue* args);
    // 4 and 5: unit property access by (form, unit, property number, sub-property). The
    // written value is the 8-byte value field of an ArgValue (an address fills it as far as
    // it needs).
    int64_t (*readUnitProperty)(uint32_t formId, uint32_t unitId, int32_t property,
                                int32_t subProperty);
    void (*writeUnitProperty)(uint32_t formId, uint32_t unitId, int32_t property,
                              int32_t subProperty, int64_t value);
    // 6 to 8: the runtime heap. Allocation failure is fatal; the constant block is never
    // freed and is copied out on reallocation.
    void* (*allocate)(intptr_t size);
    void* (*reallocate)(void* block, intptr_t size);
    void (*release)(void* block);
    // 9: end sequence, then the process ends with `code`. Never returns.
    void (*endProgram)(int32_t code);
    // 10: runs the message loop while a loaded window exists.
    void (*runMessageLoop)();
    // 11: loads the start window; failure is fatal.
    void (*loadStartWindow)(uint32_t formId);
    // 12: runtime service `service` (see RuntimeServiceNumber) with its arguments, one
    // 64-bit word each (addresses and values fill a word).
    int64_t (*runtimeService)(int32_t service, const int64_t* args);
};

enum RuntimeServiceNumber : int32_t {
    kFindNextFile = 0,         // pattern, attribute mask, all-files flag, intptr_t* handle
    kCloseFind = 1,            // handle
    kMakeArrayWritable = 2,    // element size, void** array
    kRegisterExitRoutine = 3,  // ExitRoutine
    kReadTypeProperty = 4,     // TypeTag, object, property, conversion word
    kWriteTypeProperty = 5,    // TypeTag, object, property, value TypeTag, value field
    kLoadProgramInfo = 6,      // none
};

namespace program_detail {

template <class T>
int64_t ServiceWord(T value) {
    if constexpr (std::is_pointer_v<T>)
        return int64_t(reinterpret_cast<intptr_t>(value));
    else
        return int64_t(value);
}

template <class T>
uint32_t NativeWord(T value) {
    static_assert(sizeof(T) <= 4, "native arguments are 32-bit words");
    if constexpr (std::is_pointer_v<T>)
        return uint32_t(reinterpret_cast<uintptr_t>(value));
    else if constexpr (std::is_null_pointer_v<T>)
        return 0;
    else
        return static_cast<uint32_t>(value);
}

template <class R>
R FromNativeWord(uint32_t word) {
    if constexpr (std::is_pointer_v<R>)
        return reinterpret_cast<R>(uintptr_t(word));
    else
        return static_cast<R>(word);
}

}  // namespace program_detail
}  // namespace kv

extern "C" const kv::HelperTable kvHelperTable;

namespace kv {

// RuntimeService with typed arguments.
template <class... A>
int64_t RuntimeService(RuntimeServiceNumber service, A... args) {
    const int64_t words[sizeof...(A) + 1] = {program_detail::ServiceWord(args)..., 0};
    return kvHelperTable.runtimeService(service, words);
}

// Calls native declaration `index` with the function's own arguments. On 32-bit x86 the
// function removes its arguments itself (stdcall): the stack pointer is saved before the
// arguments are pushed and compared after the call; a difference (wrong argument count or
// convention in the declaration) is runtime error 6. On x86-64 the caller owns the argument
// area and the callee never moves the stack pointer, so there is nothing to check and the
// function is called directly with its declared signature.
template <class R, class... A>
R CallNative(int32_t index, A... args) {
    const void* function = kvHelperTable.bindNativeCommand(index);
#if defined(__i386__)
    uint32_t words[sizeof...(A) + 1] = {program_detail::NativeWord(args)..., 0};
    uint32_t result;
    uint32_t unbalanced;
    // edi keeps the stack pointer across the call (callee-saved in stdcall); the arguments
    // are pushed last first, so the first lies at the lowest address.
    asm volatile(
        "movl %%esp, %%edi\n\t"
        "movl %[count], %%ecx\n"
        "1:\n\t"
        "testl %%ecx, %%ecx\n\t"
        "jz 2f\n\t"
        "pushl -4(%%esi,%%ecx,4)\n\t"
        "decl %%ecx\n\t"
        "jmp 1b\n"
        "2:\n\t"
        "call *%%ebx\n\t"
        "xorl %%ecx, %%ecx\n\t"
        "cmpl %%esp, %%edi\n\t"
        "setne %%cl\n\t"
        "movl %%edi, %%esp\n\t"
        : "=a"(result), "=&c"(unbalanced)
        : "b"(function), "S"(words), [count] "i"(sizeof...(A))
        : "edx", "edi", "memory", "cc", "st", "st(1)", "st(2)", "st(3)", "st(4)", "st(5)", "st(6)",
          "st(7)");
    if (unbalanced) kvHelperTable.reportRuntimeError(6);
    if constexpr (std::is_void_v<R>) {
        (void)result;
    } else {
        return program_detail::FromNativeWord<R>(result);
    }
#else
    using Function = R (*)(A...);
    return reinterpret_cast<Function>(const_cast<void*>(function))(args...);
#endif
}

}  // namespace kv
