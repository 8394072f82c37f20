// The text ShowMessage shows for each value type.
#include "corelib/value_text.h"

#include <gtest/gtest.h>

namespace kv::core {
namespace {

ArgValue Value(TypeTag type) {
    ArgValue value{};
    value.type = type;
    return value;
}
ArgValue Float(float f) {
    ArgValue v = Value(tag::kFloat);
    v.value.f32 = f;
    return v;
}
ArgValue Double(double d, TypeTag type = tag::kDouble) {
    ArgValue v = Value(type);
    v.value.f64 = d;
    return v;
}
// An OLE date from its day number and time of day.
ArgValue Date(double day, int hour, int minute, int second) {
    return Double(day + (hour * 3600 + minute * 60 + second) / 86400.0, tag::kDateTime);
}

constexpr double kJan2nd2020 = 43832;

TEST(ValueTextTest, Integers) {
    ArgValue v = Value(tag::kByte);
    v.value.u8 = 200;
    EXPECT_EQ(ValueToText(v), "200");
    v = Value(tag::kShort);
    v.value.i16 = -300;
    EXPECT_EQ(ValueToText(v), "-300");
    v = Value(tag::kInt);
    v.value.i32 = -2147483647 - 1;
    EXPECT_EQ(ValueToText(v), "-2147483648");
    v = Value(tag::kLong);
    v.value.i64 = -9000000000000000000LL;
    EXPECT_EQ(ValueToText(v), "-9000000000000000000");
}

TEST(ValueTextTest, FloatHasSixSignificantDigitsRoundedHalfUp) {
    EXPECT_EQ(ValueToText(Float(0.1f)), "0.1");
    EXPECT_EQ(ValueToText(Float(3.14159274f)), "3.14159");
    EXPECT_EQ(ValueToText(Float(2.5f)), "2.5");
    EXPECT_EQ(ValueToText(Float(0.0f)), "0");
    // Exactly half way between two six-digit values: the magnitude goes up.
    EXPECT_EQ(ValueToText(Float(1234565.0f)), "1.23457e+06");
    EXPECT_EQ(ValueToText(Float(-1234565.0f)), "-1.23457e+06");
    EXPECT_EQ(ValueToText(Float(100000.5f)), "100001");
    EXPECT_EQ(ValueToText(Float(999999.5f)), "1e+06");
    EXPECT_EQ(ValueToText(Float(1000.0f)), "1000");
}

TEST(ValueTextTest, DoubleHasThirteenSignificantDigits) {
    EXPECT_EQ(ValueToText(Double(0.1)), "0.1");
    EXPECT_EQ(ValueToText(Double(1.0 / 3)), "0.3333333333333");
    EXPECT_EQ(ValueToText(Double(-42)), "-42");
}

TEST(ValueTextTest, LogicalAndText) {
    ArgValue v = Value(tag::kBool);
    v.value.i32 = 1;
    EXPECT_EQ(ValueToText(v), "真");
    v.value.i32 = -7;
    EXPECT_EQ(ValueToText(v), "真");
    v.value.i32 = 0;
    EXPECT_EQ(ValueToText(v), "假");
    v = Value(tag::kText);
    v.value.text = const_cast<char*>("修复完毕！");
    EXPECT_EQ(ValueToText(v), "修复完毕！");
    v.value.text = nullptr;
    EXPECT_EQ(ValueToText(v), "");
}

TEST(ValueTextTest, OtherTypesGiveTheEmptyText) {
    EXPECT_EQ(ValueToText(Value(tag::kBytes)), "");
    EXPECT_EQ(ValueToText(Value(tag::kWindowType)), "");
    EXPECT_EQ(ValueToText(Value(tag::kOmitted)), "");
}

TEST(ValueTextTest, DateShowsOnlyTheTimePartsThatAreNotZero) {
    EXPECT_EQ(ValueToText(Date(kJan2nd2020, 0, 0, 0)), "2020年1月2日");
    EXPECT_EQ(ValueToText(Date(kJan2nd2020, 13, 0, 0)), "2020年1月2日13时");
    EXPECT_EQ(ValueToText(Date(kJan2nd2020, 13, 5, 0)), "2020年1月2日13时5分");
    EXPECT_EQ(ValueToText(Date(kJan2nd2020, 13, 0, 7)), "2020年1月2日13时0分7秒");
    EXPECT_EQ(ValueToText(Date(kJan2nd2020, 0, 0, 7)), "2020年1月2日0时0分7秒");
}

TEST(ValueTextTest, DatesAroundTheEpochAndTheRangeEnds) {
    EXPECT_EQ(DateTimeToText(0), "1899年12月30日");
    EXPECT_EQ(DateTimeToText(2), "1900年1月1日");
    EXPECT_EQ(DateTimeToText(60), "1900年2月28日");
    EXPECT_EQ(DateTimeToText(61), "1900年3月1日");
    // Before the epoch the whole part counts days and the fraction is still the time.
    EXPECT_EQ(DateTimeToText(-1.25), "1899年12月29日6时");
    EXPECT_EQ(DateTimeToText(-657434), "100年1月1日");
    EXPECT_EQ(DateTimeToText(-1e9), "100年1月1日");
    EXPECT_EQ(DateTimeToText(2958465), "9999年12月31日");
    EXPECT_EQ(DateTimeToText(1e12), "9999年12月31日");
    // A time within half a second of midnight belongs to the next day.
    EXPECT_EQ(DateTimeToText(kJan2nd2020 + 0.9999999), "2020年1月3日");
}

}  // namespace
}  // namespace kv::core
