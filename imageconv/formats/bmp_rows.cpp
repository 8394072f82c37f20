#include "imageconv/formats/bmp_rows.h"

#include <cstring>

#include "imageconv/formats/byte_order.h"

#if defined(__i386__) || defined(__x86_64__)
#include <tmmintrin.h>
#endif

namespace kv::imageconv {
namespace {
#if defined(__i386__) || defined(__x86_64__)
// Five pixels (15 bytes) per byte shuffle, where the processor has one. Each step loads and
// stores 16 bytes, so it stops while a sixth pixel still follows: the 16th byte stays
// inside both rows, and the next step or the tail rewrites it. Returns the pixels done.
__attribute__((target("ssse3"))) int32_t SwapByShuffle(const uint8_t* in, uint8_t* out,
                                                       int32_t width) {
    const __m128i order = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, 15);
    int32_t x = 0;
    for (; x + 6 <= width; x += 5, in += 15, out += 15) {
        const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_shuffle_epi8(pixels, order));
    }
    return x;
}
const bool kHasShuffle = __builtin_cpu_supports("ssse3");
#endif
}  // namespace

// Four pixels (three 32-bit words) per step: R0 G0 B0 R1 | G1 B1 R2 G2 | B2 R3 G3 B3 become
// B0 G0 R0 B1 | G1 R1 B2 G2 | R2 B3 G3 R3.
void SwapRedAndBlue(const uint8_t* in, uint8_t* out, int32_t width) {
    int32_t x = 0;
#if defined(__i386__) || defined(__x86_64__)
    if (kHasShuffle) {
        x = SwapByShuffle(in, out, width);
        in += 3 * size_t(x);
        out += 3 * size_t(x);
    }
#endif
    for (; x + 4 <= width; x += 4, in += 12, out += 12) {
        uint32_t w0, w1, w2;
        memcpy(&w0, in, 4);
        memcpy(&w1, in + 4, 4);
        memcpy(&w2, in + 8, 4);
        const uint32_t o0 =
            ((w0 >> 16) & 0xFF) | (w0 & 0xFF00) | ((w0 & 0xFF) << 16) | ((w1 & 0xFF00) << 16);
        const uint32_t o1 =
            (w1 & 0xFF) | ((w0 >> 16) & 0xFF00) | ((w2 & 0xFF) << 16) | (w1 & 0xFF000000u);
        const uint32_t o2 =
            ((w1 >> 16) & 0xFF) | ((w2 >> 16) & 0xFF00) | (w2 & 0xFF0000) | ((w2 & 0xFF00) << 16);
        memcpy(out, &o0, 4);
        memcpy(out + 4, &o1, 4);
        memcpy(out + 8, &o2, 4);
    }
    for (; x < width; ++x, in += 3, out += 3) {
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
    }
}

}  // namespace kv::imageconv
