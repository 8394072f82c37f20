#include "runtime/numeric.h"

namespace kv {
namespace {
// Truncation toward zero; a value outside the 64-bit range (or NaN) gives the x86
// "integer indefinite" value, as the processor's own conversion does.
int64_t Truncate(double value) {
    if (!(value > -9223372036854775808.0 && value < 9223372036854775808.0)) return INT64_MIN;
    return static_cast<int64_t>(value);
}
}  // namespace

bool NumberAsInteger(const ArgValue& value, int64_t* result) {
    switch (value.type) {
        case tag::kByte:
            *result = value.value.u8;
            return true;
        case tag::kShort:
            *result = value.value.i16;
            return true;
        case tag::kInt:
        case tag::kLong:
            *result = value.value.i32;
            return true;
        case tag::kFloat:
            *result = Truncate(value.value.f32);
            return true;
        case tag::kDouble:
            *result = Truncate(value.value.f64);
            return true;
        default:
            return false;
    }
}

}  // namespace kv
