#include "runtime/numeric.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kv {
namespace {

ArgValue Value(TypeTag type, uint64_t bits) {
    ArgValue value{};
    value.value.i64 = int64_t(bits);
    value.type = type;
    return value;
}

int64_t Convert(const ArgValue& value) {
    int64_t result = 0x5555;
    EXPECT_TRUE(NumberAsInteger(value, &result));
    return result;
}

TEST(NumberAsInteger, IntegerTypes) {
    EXPECT_EQ(Convert(Value(tag::kByte, 0xFFFFFFFFFFFFFF80)), 0x80);
    EXPECT_EQ(Convert(Value(tag::kShort, 0xFFFFFFFF0000FFFE)), -2);
    EXPECT_EQ(Convert(Value(tag::kInt, 0x12345678FFFFFFF0)), -16);
    EXPECT_EQ(Convert(Value(tag::kLong, 0x0000000700000009)), 9);
}

TEST(NumberAsInteger, FloatingTypesTruncateTowardZero) {
    ArgValue single = Value(tag::kFloat, 0);
    single.value.f32 = -2.75f;
    EXPECT_EQ(Convert(single), -2);
    ArgValue number = Value(tag::kDouble, 0);
    number.value.f64 = 6e9 + 0.9;
    EXPECT_EQ(Convert(number), 6000000000);
    number.value.f64 = std::nan("");
    EXPECT_EQ(Convert(number), INT64_MIN);
    number.value.f64 = 1e300;
    EXPECT_EQ(Convert(number), INT64_MIN);
}

TEST(NumberAsInteger, OtherTypesAreRefused) {
    int64_t result = 0;
    for (TypeTag type : {tag::kText, tag::kBool, tag::kDateTime, tag::kBytes, tag::kOmitted,
                         TypeTag(0x10001), tag::kInt | tag::kArrayBit}) {
        EXPECT_FALSE(NumberAsInteger(Value(type, 1), &result)) << std::hex << type;
    }
}

}  // namespace
}  // namespace kv
