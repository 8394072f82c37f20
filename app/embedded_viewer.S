/* The constant block's frame and its byte set: the viewer library built for the program's
   own architecture (KV_VIEWER_LIBRARY, a quoted path), stored as a ByteSet: dimension count
   1, byte length, then the bytes. The .rdata$kv_const_N sections are placed in name order, so
   the texts (section kv_const_1) and the byte set (kv_const_2) lie between the two markers. */
#if defined(__i386__)
#define SYMBOL(name) _##name
#else
#define SYMBOL(name) name
#endif

    .section .rdata$kv_const_0, "dr"
    .globl SYMBOL(kvConstantBlockStart)
SYMBOL(kvConstantBlockStart):

    .section .rdata$kv_const_2, "dr"
    .p2align 2
    .globl SYMBOL(kvEmbeddedViewerLibrary)
SYMBOL(kvEmbeddedViewerLibrary):
    .long 1
    .long viewer_end - viewer_start
viewer_start:
    .incbin KV_VIEWER_LIBRARY
viewer_end:

    .section .rdata$kv_const_3, "dr"
    .globl SYMBOL(kvConstantBlockEnd)
SYMBOL(kvConstantBlockEnd):
