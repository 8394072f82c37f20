// The conversions between runtime values and automation values, both ways.

#include <cstring>

#include "corelib/com/commands.h"
#include "tests/win/com/com_fixture.h"

namespace kv::test {
namespace {

using com::comtag::kVariant;

// Data-type records of 14 pointer-sized words as libraries describe their types; the type
// flags are word 5.
struct TypeRecord {
    const void* words[14];
};
TypeRecord objectTypeRecord{};
TypeRecord windowTypeRecord{};
constexpr TypeTag kOtherObjectType = 0x00010040;

void SetTypeFlags(TypeRecord* record, uint32_t flags) {
    std::memcpy(&record->words[5], &flags, sizeof flags);
}

intptr_t KV_STDCALL NotifyWithTypeRecords(int32_t code, intptr_t p1, intptr_t p2) {
    if (code == sysnotify::kDataTypeRecord) {
        if (TypeTag(p1) == kOtherObjectType) return reinterpret_cast<intptr_t>(&objectTypeRecord);
        if (TypeTag(p1) == tag::kWindowType) return reinterpret_cast<intptr_t>(&windowTypeRecord);
        return 0;
    }
    return FakeSystemNotify(code, p1, p2);
}

class ComConversionTest : public ComTest {};

TEST_F(ComConversionTest, LongIntegerIsPassedAsItsLow32Bits) {
    TestThing* thing = MakeThing();
    EXPECT_EQ(Invoke(&thing_, tag::kInt, "Scaled", {LongArg(0x100000007LL), IntArg(1)}).value.i32,
              7);
    ASSERT_EQ(LastCallOf(thing).arguments.size(), 2u);
    EXPECT_EQ(LastCallOf(thing).arguments[0].type, VT_I4);
    EXPECT_EQ(LastCallOf(thing).arguments[0].value, 7);
    EXPECT_EQ(Invoke(&thing_, tag::kInt, "Scaled", {LongArg(0xFFFFFFFELL), IntArg(1)}).value.i32,
              -2);
}

TEST_F(ComConversionTest, LongIntegerResultIsSignExtended) {
    MakeThing();
    EXPECT_EQ(Invoke(&thing_, tag::kLong, "Scaled", {IntArg(-3), IntArg(1)}).value.i64, -3);
}

TEST_F(ComConversionTest, LogicalGoesOutAsMinusOneOrZeroAndComesBackAsOneOrZero) {
    TestThing* thing = MakeThing();
    ArgValue truth = Invoke(&thing_, tag::kBool, "Same", {BoolArg(true)});
    EXPECT_EQ(LastCallOf(thing).arguments[0].type, VT_BOOL);
    EXPECT_EQ(LastCallOf(thing).arguments[0].value, -1);
    EXPECT_EQ(truth.value.i32, 1);

    ArgValue anyNonZero = IntArg(5);
    anyNonZero.type = tag::kBool;
    Invoke(&thing_, tag::kBool, "Same", {anyNonZero});
    EXPECT_EQ(LastCallOf(thing).arguments[0].value, -1);

    ArgValue falsehood = Invoke(&thing_, tag::kBool, "Same", {BoolArg(false)});
    EXPECT_EQ(LastCallOf(thing).arguments[0].value, 0);
    EXPECT_EQ(falsehood.value.i32, 0);
}

TEST_F(ComConversionTest, EmptyTextResultIsTheNullText) {
    MakeThing();
    EXPECT_EQ(Invoke(&thing_, tag::kText, "Blank").value.text, nullptr);
    EXPECT_EQ(Invoke(&thing_, tag::kText, "Echo", {TextArg("")}).value.text, nullptr);
}

TEST_F(ComConversionTest, TextKeepsItsBytesThroughWideningAndNarrowing) {
    MakeThing();
    EXPECT_EQ(TakeText(Invoke(&thing_, tag::kText, "Echo", {TextArg("D:\\Tavi图片查看器\\temp")})),
              "D:\\Tavi图片查看器\\temp");
}

TEST_F(ComConversionTest, NumbersAndDatesArePassedByTheirOwnTypes) {
    MakeThing();
    ArgValue text = Invoke(&thing_, tag::kText, "Stamp",
                           {DoubleArg(45000.5, tag::kDateTime), DoubleArg(0.25), FloatArg(1.5f),
                            ShortArg(-7), ByteArg(200)});
    EXPECT_EQ(TakeText(text), "45000.5|0.25|1.5|-7|200");
}

TEST_F(ComConversionTest, ResultsConvertToTheExpectedNumericTypes) {
    MakeThing();
    EXPECT_EQ(Invoke(&thing_, tag::kDouble, "Scaled", {IntArg(4)}).value.f64, 40.0);
    EXPECT_EQ(Invoke(&thing_, tag::kFloat, "Scaled", {IntArg(4)}).value.f32, 40.0f);
    EXPECT_EQ(Invoke(&thing_, tag::kShort, "Scaled", {IntArg(-4)}).value.i16, -40);
    EXPECT_EQ(Invoke(&thing_, tag::kByte, "Scaled", {IntArg(20)}).value.u8, 200);
    EXPECT_EQ(Invoke(&thing_, tag::kDateTime, "Scaled", {IntArg(2)}).value.f64, 20.0);
    EXPECT_EQ(TakeText(Invoke(&thing_, tag::kText, "Scaled", {IntArg(2)})), "20");
    EXPECT_EQ(Invoke(&thing_, tag::kByte, "Scaled", {IntArg(30)}).value.u8, 0)
        << "an overflowing conversion fails the call";
}

TEST_F(ComConversionTest, VariantValuesArePassedAndReturnedWhole) {
    MakeThing();
    VARIANT held;
    V_VT(&held) = VT_BSTR;
    V_BSTR(&held) = SysAllocString(L"held");
    EXPECT_EQ(Invoke(&thing_, tag::kInt, "Kind", {VariantArg(&held)}).value.i32, VT_BSTR);
    EXPECT_EQ(V_VT(&held), VT_BSTR) << "the variable's VARIANT was copied, not moved";
    VariantClear(&held);

    ArgValue result = Invoke(&thing_, kVariant, "Echo", {TextArg("back")});
    auto* block = static_cast<VARIANT*>(result.value.ptr);
    ASSERT_NE(block, nullptr);
    ASSERT_EQ(V_VT(block), VT_BSTR);
    EXPECT_STREQ(V_BSTR(block), L"back");
    VariantClear(block);
    ReleaseRuntimeBlock(block);

    ArgValue failed = Invoke(&thing_, kVariant, "Fail");
    ASSERT_NE(failed.value.ptr, nullptr);
    EXPECT_EQ(V_VT(static_cast<VARIANT*>(failed.value.ptr)), VT_EMPTY);
    ReleaseRuntimeBlock(failed.value.ptr);
}

TEST_F(ComConversionTest, LibraryTypeMarkedAsAnObjectIsPassedAsAnObject) {
    SetTypeFlags(&objectTypeRecord, 0x80000000u);
    SetTypeFlags(&windowTypeRecord, 0x800000D0u);
    com::SetSystemNotify(NotifyWithTypeRecords);
    TestThing* thing = MakeThing();
    com::ObjectBlock other{};
    ASSERT_TRUE(Create(&other, kTestThingClassText));

    ArgValue object = ObjectArg(&other);
    object.type = kOtherObjectType;
    EXPECT_EQ(Invoke(&thing_, tag::kInt, "TakeDispatch", {object}).value.i32, 1);

    object.type = tag::kWindowType;
    EXPECT_EQ(Invoke(&thing_, tag::kInt, "Kind", {object}).value.i32, 0);
    EXPECT_EQ(LastCallOf(thing).arguments[0].type, VT_DISPATCH)
        << "a window unit is no automation object: that call never went out";
    Clear(&other);
}

TEST_F(ComConversionTest, EmptyVariantIsPassedAsAnOmittedArgument) {
    TestThing* thing = MakeThing();
    VARIANT empty;
    VariantInit(&empty);
    EXPECT_EQ(Invoke(&thing_, tag::kInt, "Pair", {VariantArg(&empty), IntArg(1)}).value.i32, 1);
    EXPECT_EQ(LastCallOf(thing).arguments[0].type, VT_ERROR);
}

// Arrays reach members only inside variant values.
TEST_F(ComConversionTest, ArrayInAVariantVariableIsPassedByReferenceAndWrittenBack) {
    MakeThing();
    SAFEARRAY* numbers = SafeArrayCreateVector(VT_I4, 0, 3);
    for (LONG i = 0; i < 3; ++i) {
        LONG value = i + 1;
        SafeArrayPutElement(numbers, &i, &value);
    }
    auto* variable = static_cast<VARIANT*>(
        reinterpret_cast<void*>(FakeSystemNotify(sysnotify::kAllocate, sizeof(VARIANT), 0)));
    V_VT(variable) = VT_ARRAY | VT_I4;
    V_ARRAY(variable) = numbers;

    Invoke(&thing_, tag::kOmitted, "Reverse", {VariantArg(variable)});
    LONG first = 0, index = 0;
    SafeArrayGetElement(V_ARRAY(variable), &index, &first);
    EXPECT_EQ(first, 1) << "passed by value: the variable keeps its array";

    Invoke(&thing_, tag::kOmitted, "Reverse", {ByAddressArg(&variable, kVariant)});
    ASSERT_EQ(V_VT(variable), VT_ARRAY | VT_I4);
    std::vector<LONG> after(3);
    for (LONG i = 0; i < 3; ++i) SafeArrayGetElement(V_ARRAY(variable), &i, &after[size_t(i)]);
    EXPECT_EQ(after, (std::vector<LONG>{3, 2, 1}));
    VariantClear(variable);
    ReleaseRuntimeBlock(variable);
}

}  // namespace
}  // namespace kv::test
