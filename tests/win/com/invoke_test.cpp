// Member calls: binding, argument passing, by-reference write-back, results and failures.

#include "corelib/com/commands.h"
#include "tests/win/com/com_fixture.h"

namespace kv::test {
namespace {

using com::ObjectBlock;
using com::comtag::kObject;

class ComInvokeTest : public ComTest {};

TEST_F(ComInvokeTest, TrailingOmittedArgumentIsNotPassed) {
    TestThing* thing = MakeThing();
    ArgValue given = Invoke(&thing_, tag::kInt, "Pair", {IntArg(1), OmittedArg()});
    EXPECT_EQ(given.value.i32, 1);
    ASSERT_EQ(LastCallOf(thing).arguments.size(), 1u);
    EXPECT_EQ(LastCallOf(thing).arguments[0].type, VT_I4);
}

TEST_F(ComInvokeTest, OmittedArgumentBeforeAGivenOneIsPassedAsParamNotFound) {
    TestThing* thing = MakeThing();
    ArgValue given = Invoke(&thing_, tag::kInt, "Pair", {OmittedArg(), IntArg(2)});
    EXPECT_EQ(given.value.i32, 1);
    const auto& seen = LastCallOf(thing).arguments;
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].type, VT_ERROR);
    EXPECT_EQ(seen[0].value, DISP_E_PARAMNOTFOUND);
    EXPECT_EQ(seen[1].type, VT_I4);
    EXPECT_EQ(seen[1].value, 2);
}

TEST_F(ComInvokeTest, DefaultValueStandsInForALeftOutArgument) {
    MakeThing();
    EXPECT_EQ(Invoke(&thing_, tag::kInt, "Scaled", {IntArg(4)}).value.i32, 40);
    EXPECT_EQ(Invoke(&thing_, tag::kInt, "Scaled", {IntArg(4), IntArg(3)}).value.i32, 12);
    EXPECT_EQ(Invoke(&thing_, tag::kInt, "Scaled", {IntArg(4), OmittedArg()}).value.i32, 40);
}

TEST_F(ComInvokeTest, VariableArgumentListTakesAnyNumberOfArguments) {
    TestThing* thing = MakeThing();
    Invoke(&thing_, tag::kOmitted, "Sum", {IntArg(1), IntArg(2), TextArg("3"), LongArg(4)});
    EXPECT_EQ(LastCallOf(thing).arguments.size(), 4u);
    EXPECT_EQ(Invoke(&thing_, tag::kInt, "Total").value.i32, 10);
    Invoke(&thing_, tag::kOmitted, "Sum", {IntArg(7)});
    EXPECT_EQ(Invoke(&thing_, tag::kInt, "Total").value.i32, 7);
}

TEST_F(ComInvokeTest, PropertyIsReadButAnArgumentTooManyWritesNothing) {
    TestThing* thing = MakeThing();
    EXPECT_EQ(TakeText(Invoke(&thing_, tag::kText, "Name")), "thing");

    Invoke(&thing_, tag::kOmitted, "Name", {TextArg("新名字")});
    EXPECT_EQ(LastCallOf(thing).flags, DISPATCH_PROPERTYGET) << "the call fails before Invoke";
    EXPECT_EQ(TakeText(Invoke(&thing_, tag::kText, "name")), "thing");
}

TEST_F(ComInvokeTest, ObjectResultIsUsableForAFurtherCall) {
    TestThing* parent = MakeThing();
    ArgValue args[] = {ObjectArg(&thing_), TextArg("Child")};
    ArgValue child{};
    com::ComCallObjectMethod(&child, 2, args);
    EXPECT_EQ(child.type, kObject);
    auto* block = static_cast<ObjectBlock*>(child.value.ptr);
    ASSERT_NE(block, nullptr);
    ASSERT_NE(block->held, nullptr);
    TestThing* made = LastTestThing();
    EXPECT_NE(made, parent);
    EXPECT_EQ(ReferencesOf(made), 1u) << "the result block holds the only reference";

    EXPECT_EQ(TakeText(Invoke(block, tag::kText, "Echo", {TextArg("again")})), "again");
    EXPECT_EQ(ReferencesOf(made), 1u);
    EXPECT_EQ(ReferencesOf(parent), 1u);
    Dispose(child);
    EXPECT_EQ(LiveTestThings(), 1);
}

TEST_F(ComInvokeTest, FailingMemberGivesTheEmptyValueOfTheExpectedType) {
    TestThing* thing = MakeThing();
    EXPECT_EQ(Invoke(&thing_, tag::kText, "Fail").value.text, nullptr);
    EXPECT_EQ(Invoke(&thing_, tag::kInt, "Fail").value.i64, 0);
    EXPECT_EQ(Invoke(&thing_, tag::kDouble, "Fail").value.f64, 0.0);
    ArgValue object = Invoke(&thing_, kObject, "Fail");
    ASSERT_NE(object.value.ptr, nullptr);
    EXPECT_EQ(static_cast<ObjectBlock*>(object.value.ptr)->held, nullptr);
    Dispose(object);
    EXPECT_EQ(ReferencesOf(thing), 1u);
}

TEST_F(ComInvokeTest, UnboundNameOrTooManyArgumentsFailWithoutACall) {
    TestThing* thing = MakeThing();
    EXPECT_EQ(Invoke(&thing_, tag::kText, "NoSuchMember", {IntArg(1)}).value.text, nullptr);
    EXPECT_EQ(LastCallOf(thing).flags, 0) << "nothing was invoked";
    EXPECT_EQ(Invoke(&thing_, tag::kText, "Echo", {TextArg("a"), TextArg("b")}).value.text,
              nullptr);
    EXPECT_EQ(LastCallOf(thing).flags, 0);
}

TEST_F(ComInvokeTest, ArgumentOfATypeOutsideTheTableFailsTheCall) {
    TestThing* thing = MakeThing();
    ArgValue bytes = TextArg(nullptr);
    bytes.type = tag::kBytes;
    EXPECT_EQ(Invoke(&thing_, tag::kInt, "Kind", {bytes}).value.i32, 0);
    EXPECT_EQ(LastCallOf(thing).flags, 0);
}

TEST_F(ComInvokeTest, CallOnAnEmptyObjectDoesNothingAndAnswersAnEmptyObject) {
    ObjectBlock empty{};
    ArgValue args[] = {ObjectArg(&empty), TextArg("Child")};
    ArgValue result{};
    com::ComCallObjectMethod(&result, 2, args);
    auto* block = static_cast<ObjectBlock*>(result.value.ptr);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block->held, nullptr);
    EXPECT_EQ(block->record, nullptr);
    Dispose(result);

    ArgValue none{};
    com::ComCallMethod(&none, 2, args);
    EXPECT_EQ(none.type, tag::kOmitted);
    EXPECT_EQ(none.value.i64, 0);
    EXPECT_EQ(LiveTestThings(), 0);
}

TEST_F(ComInvokeTest, ByReferenceOutputsAreWrittenBackIntoVariablesPassedByAddress) {
    TestThing* thing = MakeThing();
    char* text =
        static_cast<char*>(reinterpret_cast<void*>(FakeSystemNotify(sysnotify::kAllocate, 4, 0)));
    strcpy(text, "abc");
    int32_t number = 41;
    Invoke(&thing_, tag::kOmitted, "Swap",
           {ByAddressArg(&text, tag::kText), ByAddressArg(&number, tag::kInt)});
    const auto& seen = LastCallOf(thing).arguments;
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].type, VT_BYREF | VT_BSTR);
    EXPECT_EQ(seen[1].type, VT_BYREF | VT_I4);
    EXPECT_STREQ(text, "abc!");
    EXPECT_EQ(number, 42);
    ReleaseRuntimeBlock(text);  // the old text was released when the new one came in
}

TEST_F(ComInvokeTest, ByReferenceParametersGivenValuesLeaveNothingBehind) {
    TestThing* thing = MakeThing();
    Invoke(&thing_, tag::kOmitted, "Swap", {TextArg("abc"), IntArg(5)});
    const auto& seen = LastCallOf(thing).arguments;
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1].type, VT_BYREF | VT_I4);
    EXPECT_EQ(seen[1].value, 5);
}

TEST_F(ComInvokeTest, DeclaredIntAndEnumerationParametersTakeIntegersByReference) {
    MakeThing();
    int32_t value = 21;
    Invoke(&thing_, tag::kOmitted, "Double", {ByAddressArg(&value, tag::kInt)});
    EXPECT_EQ(value, 42);
    int32_t shade = 1;
    Invoke(&thing_, tag::kOmitted, "Darken", {ByAddressArg(&shade, tag::kInt)});
    EXPECT_EQ(shade, 2);
}

TEST_F(ComInvokeTest, ObjectsGoAsDispatchOrUnknownByTheDeclaredType) {
    MakeThing();
    ObjectBlock other{};
    ASSERT_TRUE(Create(&other, kTestThingClassText));
    TestThing* otherThing = LastTestThing();
    EXPECT_EQ(Invoke(&thing_, tag::kInt, "TakeDispatch", {ObjectArg(&other)}).value.i32, 1);
    EXPECT_EQ(Invoke(&thing_, tag::kInt, "TakeUnknown", {ObjectArg(&other)}).value.i32, 1);
    EXPECT_EQ(Invoke(&thing_, tag::kInt, "Kind", {ObjectArg(&other)}).value.i32, VT_DISPATCH)
        << "a VARIANT parameter receives the object itself";
    ObjectBlock empty{};
    EXPECT_EQ(Invoke(&thing_, tag::kInt, "TakeDispatch", {ObjectArg(&empty)}).value.i32, 0);
    EXPECT_EQ(ReferencesOf(otherThing), 1u) << "every reference the call took was given back";
    Clear(&other);
}

TEST_F(ComInvokeTest, HeldRecordIsPassedAsARecordAndStaysTheObjects) {
    MakeThing();
    ITypeInfo* pointType = TestTypeInfo(kTestPointRecord);
    ASSERT_NE(pointType, nullptr);
    IRecordInfo* recordInfo = nullptr;
    ASSERT_TRUE(SUCCEEDED(GetRecordInfoFromTypeInfo(pointType, &recordInfo)));
    pointType->Release();
    // Wine's IRecordInfo does not find fields by name: the record is filled by its layout.
    auto* data = static_cast<TestPoint*>(recordInfo->RecordCreate());
    ASSERT_NE(data, nullptr);
    data->x = 30;
    data->y = 12;
    ObjectBlock point{recordInfo, data};  // the block now owns the record and its info

    EXPECT_EQ(Invoke(&thing_, tag::kInt, "PointSum", {ObjectArg(&point)}).value.i32, 42);
    EXPECT_EQ(data->x, 30) << "the call left the object's record intact";
    EXPECT_EQ(data->y, 12);
    EXPECT_EQ(Invoke(&thing_, tag::kText, "Child", {}).value.text, nullptr);

    Clear(&point);
    EXPECT_EQ(point.held, nullptr);
    EXPECT_EQ(point.record, nullptr);
}

}  // namespace
}  // namespace kv::test
