#include "imageconv/bmp_rows.h"

#include <cstring>

#include "imageconv/byte_order.h"

namespace kv::imageconv {

// Four pixels (three 32-bit words) per step: R0 G0 B0 R1 | G1 B1 R2 G2 | B2 R3 G3 B3 become
// B0 G0 R0 B1 | G1 R1 B2 G2 | R2 B3 G3 R3.
void SwapRedAndBlue(const uint8_t* in, uint8_t* out, int32_t width) {
    int32_t x = 0;
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
