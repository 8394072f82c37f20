// Value rules of the common properties and of choice properties.
#pragma once

#include <cstdint>

namespace kv::forms {

// Positions are kept within this range on write.
constexpr int32_t kCoordinateLimit = 32627;

inline int32_t ClampPosition(int32_t v) {
    return v > kCoordinateLimit ? kCoordinateLimit : v < -kCoordinateLimit ? -kCoordinateLimit : v;
}
inline int32_t ClampExtent(int32_t v) {
    return v > kCoordinateLimit ? kCoordinateLimit : v < 0 ? 0 : v;
}
inline int32_t ClampRange(int32_t v, int32_t low, int32_t high) {
    return v < low ? low : v > high ? high : v;
}

}  // namespace kv::forms
