// The pixel rows of 24-bit BMP files: padded to four bytes, blue first.
#pragma once

#include <cstdint>

namespace kv::imageconv {

// Bytes of one stored 24-bit row: three per pixel, padded to a multiple of 4.
inline uint64_t BmpRowSize(int32_t width) {
    return (uint64_t(width) * 3 + 3) & ~uint64_t(3);
}

// Copies `width` 3-byte pixels with their first and third bytes exchanged: red, green, blue
// becomes blue, green, red and back.
void SwapRedAndBlue(const uint8_t* in, uint8_t* out, int32_t width);

}  // namespace kv::imageconv
