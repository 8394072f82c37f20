// Argument records for library commands, made as compiled program code makes them: the
// value in the low bytes of a zeroed field, then its TypeTag.
#pragma once

#include <cstdint>

#include "runtime/values.h"

namespace kv {

inline ArgValue TypedArg(TypeTag type) {
    ArgValue arg{};
    arg.type = type;
    return arg;
}

inline ArgValue TextArg(const char* text) {
    ArgValue arg = TypedArg(tag::kText);
    arg.value.text = const_cast<char*>(text);
    return arg;
}

inline ArgValue IntArg(int32_t value) {
    ArgValue arg = TypedArg(tag::kInt);
    arg.value.i32 = value;
    return arg;
}

inline ArgValue LongArg(int64_t value) {
    ArgValue arg = TypedArg(tag::kLong);
    arg.value.i64 = value;
    return arg;
}

inline ArgValue BoolArg(bool value) {
    ArgValue arg = TypedArg(tag::kBool);
    arg.value.i32 = value ? 1 : 0;
    return arg;
}

inline ArgValue DoubleArg(double value, TypeTag type = tag::kDouble) {
    ArgValue arg = TypedArg(type);
    arg.value.f64 = value;
    return arg;
}

inline ArgValue FloatArg(float value) {
    ArgValue arg = TypedArg(tag::kFloat);
    arg.value.f32 = value;
    return arg;
}

inline ArgValue ShortArg(int16_t value) {
    ArgValue arg = TypedArg(tag::kShort);
    arg.value.i16 = value;
    return arg;
}

inline ArgValue ByteArg(uint8_t value) {
    ArgValue arg = TypedArg(tag::kByte);
    arg.value.u8 = value;
    return arg;
}

inline ArgValue BytesArg(const void* byteSet) {
    ArgValue arg = TypedArg(tag::kBytes);
    arg.value.ptr = const_cast<void*>(byteSet);
    return arg;
}

// An argument left out by the caller.
inline ArgValue OmittedArg() {
    return TypedArg(tag::kOmitted);
}

// A program variable passed by address: the command may replace what it holds. `type` is
// the variable's own type.
inline ArgValue ByAddressArg(void* variable, TypeTag type) {
    ArgValue arg = TypedArg(type | tag::kArrayBit);
    arg.value.ptr = variable;
    return arg;
}

}  // namespace kv
