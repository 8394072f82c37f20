// Double-byte stepping in the GBK code page: a byte of 0x80 or above leads a two-byte
// character and takes the next byte with it.
#pragma once

namespace kv::core {

inline bool IsLeadByte(char c) {
    return static_cast<unsigned char>(c) >= 0x80;
}

// The GBK ideographic (full-width) blank is the byte pair A1 A1.
inline bool IsFullWidthBlankAt(const char* p, const char* end) {
    return end - p >= 2 && static_cast<unsigned char>(p[0]) == 0xA1 &&
           static_cast<unsigned char>(p[1]) == 0xA1;
}

}  // namespace kv::core
