// What a program subroutine bound to an event returns. The kernel calls handlers for their
// 64-bit result; the high word tells whether the subroutine returned a value at all, the
// low word is the value. A handler that has nothing to say returns kNoValue.
#pragma once

#include <cstdint>

namespace kv::forms {

using SubroutineResult = uint64_t;

constexpr SubroutineResult kNoValue = 0;
constexpr SubroutineResult Returned(int32_t value) {
    return (uint64_t(1) << 32) | uint32_t(value);
}
constexpr bool HasValue(SubroutineResult r) {
    return (r >> 32) == 1;
}
constexpr int32_t ValueOf(SubroutineResult r) {
    return int32_t(uint32_t(r));
}

}  // namespace kv::forms
