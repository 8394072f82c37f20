// The one value representation shared by program code, kernel and libraries.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kv {

// 32-bit data-type code. Top bits 10: a basic type; bit 0x20000000 marks an array (or an
// argument passed by address); high/low 16 bits otherwise: library number and type number.
using TypeTag = uint32_t;

namespace tag {
constexpr TypeTag kOmitted = 0;
constexpr TypeTag kByte = 0x80000101;
constexpr TypeTag kShort = 0x80000201;
constexpr TypeTag kInt = 0x80000301;
constexpr TypeTag kLong = 0x80000401;
constexpr TypeTag kFloat = 0x80000501;
constexpr TypeTag kDouble = 0x80000601;
constexpr TypeTag kBool = 0x80000002;
constexpr TypeTag kDateTime = 0x80000003;
constexpr TypeTag kText = 0x80000004;
constexpr TypeTag kBytes = 0x80000005;
constexpr TypeTag kArrayBit = 0x20000000;
constexpr TypeTag kWindowType = 0x00010001;  // the core library's window data type

constexpr bool IsLibraryType(TypeTag t) {
    return t != 0 && (t & 0xC0000000u) != 0x80000000u && (t & 0xC0000000u) != 0x40000000u;
}
constexpr uint32_t LibraryNumber(TypeTag t) {
    return t >> 16;
}
constexpr uint32_t TypeNumber(TypeTag t) {
    return t & 0xFFFFu;
}
}  // namespace tag

#pragma pack(push, 4)
// An argument or result of a library command: 8-byte value then its TypeTag. Values
// narrower than 8 bytes sit in the low bytes; an address fills the field as far as it needs.
struct ArgValue {
    union {
        uint8_t u8;
        int16_t i16;
        int32_t i32;
        int64_t i64;
        float f32;
        double f64;
        uint32_t words[2];
        char* text;      // TextValue: NUL-terminated GBK, null = empty text
        uint8_t* bytes;  // ByteSet block, null = empty
        void* ptr;
    } value;
    TypeTag type;
};
#pragma pack(pop)
static_assert(sizeof(ArgValue) == 12, "ArgValue is exactly 12 bytes");

// Argument record used when the runtime calls a program subroutine with arguments.
struct EventArg {
    union {
        int32_t i32;
        int64_t i64;
        double f64;
        uint32_t words[2];
        void* ptr;
    } value;
    TypeTag type;
    uint32_t flags;  // bit 0: pass the first word unchanged; bit 1: pass both words
};
static_assert(sizeof(EventArg) == 16, "EventArg is exactly 16 bytes");

// ByteSet block: dimension count (always 1), byte length, then the bytes.
constexpr size_t kByteSetHeader = 8;
// ArrayValue block: dimension count d, d dimension sizes, then the elements in row order.
inline size_t ArrayHeaderSize(uint32_t dims) {
    return 4 + 4 * size_t(dims);
}

}  // namespace kv
