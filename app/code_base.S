/* The start of the program's code: a four-byte prologue of two do-nothing routines (the
   first returns 0, the second is the first's return instruction), then the CodeBase that
   event-handler offsets in the form templates are relative to. */
#if defined(__i386__)
#define SYMBOL(name) _##name
#else
#define SYMBOL(name) name
#endif

    .text
    .globl SYMBOL(kvProgramCodeStart)
SYMBOL(kvProgramCodeStart):
    xorl %eax, %eax
    ret
    nop
    .globl SYMBOL(kvProgramCodeBase)
SYMBOL(kvProgramCodeBase):
