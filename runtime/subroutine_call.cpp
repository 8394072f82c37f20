// Calling program subroutines with arguments (event handlers). The arguments are laid out
// as the machine expects them and the call goes through a small assembly routine, so any
// argument count works and the stack is restored whatever the subroutine removes itself.
#include <algorithm>

#include "runtime/argument_words.h"
#include "runtime/kernel.h"

#if defined(__i386__)
// int64 kvCallWithWords(fn, words, count): pushes words[count-1] .. words[0], calls fn and
// restores the stack pointer from the frame (the subroutine may or may not have removed its
// arguments); the 64-bit result comes back in edx:eax.
asm(R"(
    .text
    .globl _kvCallWithWords
    .def _kvCallWithWords; .scl 2; .type 32; .endef
_kvCallWithWords:
    pushl %ebp
    movl %esp, %ebp
    pushl %esi
    movl 12(%ebp), %esi
    movl 16(%ebp), %ecx
1:  testl %ecx, %ecx
    jz 2f
    pushl -4(%esi,%ecx,4)
    decl %ecx
    jmp 1b
2:  call *8(%ebp)
    leal -4(%ebp), %esp
    popl %esi
    popl %ebp
    ret
)");
extern "C" int64_t kvCallWithWords(const void* function, const uint32_t* words, uint32_t count);
#elif defined(__x86_64__)
// int64 kvCallWithSlots(fn, slots, count), slots holding at least four entries: the first
// four go to both the integer and the floating-point argument registers (as for an
// unprototyped call, so either kind of parameter receives them), the rest to the stack above
// the 32-byte home area.
asm(R"(
    .text
    .globl kvCallWithSlots
    .def kvCallWithSlots; .scl 2; .type 32; .endef
    .seh_proc kvCallWithSlots
kvCallWithSlots:
    pushq %rbp
    .seh_pushreg %rbp
    movq %rsp, %rbp
    .seh_setframe %rbp, 0
    .seh_endprologue
    movq %rcx, %r11
    movq %rdx, %r10
    movq %r8, %rax
    cmpq $4, %rax
    jae 1f
    movq $4, %rax
1:  leaq 15(,%rax,8), %rax
    andq $-16, %rax
    subq %rax, %rsp
    movq $4, %rcx
2:  cmpq %r8, %rcx
    jae 3f
    movq (%r10,%rcx,8), %rax
    movq %rax, (%rsp,%rcx,8)
    incq %rcx
    jmp 2b
3:  movq (%r10), %rcx
    movq 8(%r10), %rdx
    movq 16(%r10), %r8
    movq 24(%r10), %r9
    movq %rcx, %xmm0
    movq %rdx, %xmm1
    movq %r8, %xmm2
    movq %r9, %xmm3
    callq *%r11
    movq %rbp, %rsp
    popq %rbp
    retq
    .seh_endproc
)");
extern "C" int64_t kvCallWithSlots(const void* function, const uint64_t* slots, uint64_t count);
#endif

namespace kv {
namespace {
#if defined(__x86_64__)
int64_t CallWithSlots(const void* address, std::vector<uint64_t> slots) {
    uint64_t count = slots.size();
    slots.resize(std::max<size_t>(slots.size(), 4));
    return kvCallWithSlots(address, slots.data(), count);
}
#endif
}  // namespace

bool CallSubroutine(const void* address, const EventArg* args, int count, int64_t* result) {
    if (!address) return false;
#if defined(__i386__)
    std::vector<uint32_t> words = ArgumentWords(args, count);
    int64_t answer = kvCallWithWords(address, words.data(), uint32_t(words.size()));
#else
    int64_t answer = CallWithSlots(address, ArgumentSlots(args, count));
#endif
    if (result) *result = answer;
    return true;
}

bool CallSubroutineWords(const void* address, const uint32_t* words, int count, int32_t* result) {
    if (!address) return false;
#if defined(__i386__)
    int64_t answer = kvCallWithWords(address, words, uint32_t(count));
#else
    std::vector<uint64_t> slots(words, words + count);
    int64_t answer = CallWithSlots(address, std::move(slots));
#endif
    if (result) *result = int32_t(answer);
    return true;
}

}  // namespace kv
