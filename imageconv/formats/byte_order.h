// Little- and big-endian fields of file headers, independent of the host's byte order.
#pragma once

#include <cstdint>

namespace kv::imageconv {

// The pixel loops that move whole 32-bit words assume little-endian words, as on every
// target this library is built for.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "pixel loops assume little-endian words");

inline uint16_t Le16(const uint8_t* p) {
    return uint16_t(p[0] | (p[1] << 8));
}
inline uint16_t Be16(const uint8_t* p) {
    return uint16_t(p[0] << 8 | p[1]);
}
inline uint32_t Le32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline void PutLe16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline void PutLe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

}  // namespace kv::imageconv
