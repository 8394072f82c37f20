// The core library's LibraryInfo: its fields, the data-type array with the unit types at
// their type numbers, the command array in entry order (COM object commands included) and
// the LibraryNotify answers.
#include "corelib/library_info.h"

#include <gtest/gtest.h>
#include <objbase.h>
#include <windows.h>

#include <cstring>

#include "corelib/com/object_value.h"
#include "corelib/commands.h"
#include "tests/host/corelib/command_calls.h"
#include "tests/support/fake_kernel.h"

namespace kv::test {
namespace {

using core::kCoreDataTypes;
using core::kCoreLibraryInfo;

bool IsAllZero(const UnitTypeRecord& record) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(&record);
    for (size_t i = 0; i < sizeof(record); ++i) {
        if (bytes[i]) return false;
    }
    return true;
}

bool SameRecord(const UnitTypeRecord& a, const UnitTypeRecord& b) {
    return memcmp(&a, &b, sizeof(a)) == 0;
}

TEST(CoreLibraryInfoTest, PointsAtItsDataTypesAndCommands) {
    EXPECT_EQ(kCoreLibraryInfo.dataTypeCount, 51u);
    EXPECT_EQ(kCoreLibraryInfo.dataTypes, kCoreDataTypes);
    EXPECT_EQ(kCoreLibraryInfo.commandCount, uint32_t(core::kCoreCommandCount));
    EXPECT_EQ(kCoreLibraryInfo.commands, core::kCoreCommands);
}

TEST(CoreLibraryInfoTest, UnitTypesSitAtTheirTypeNumbers) {
    EXPECT_TRUE(SameRecord(kCoreDataTypes[0], forms::kWindowUnitType));
    EXPECT_TRUE(SameRecord(kCoreDataTypes[10], forms::kButtonUnitType));
    EXPECT_TRUE(SameRecord(kCoreDataTypes[31], forms::kTimerUnitType));
    const UnitTypeRecord& object = kCoreDataTypes[47];
    EXPECT_STREQ(object.name, "对象");
    EXPECT_STREQ(object.englishName, "ComObject");
    EXPECT_EQ(object.flags, 0x80000000u);
    EXPECT_EQ(object.propertyCount, 0u);
    EXPECT_EQ(object.properties, nullptr);
    EXPECT_EQ(object.interfaceFunction, nullptr);
    for (uint32_t number = 1; number <= 51; ++number) {
        if (number == 1 || number == 11 || number == 32 || number == 48) continue;
        EXPECT_TRUE(IsAllZero(kCoreDataTypes[number - 1])) << "type " << number;
    }
}

TEST(CoreLibraryInfoTest, EveryCommandEntryIsSet) {
    for (int32_t entry = 0; entry < core::kCoreCommandCount; ++entry) {
        EXPECT_NE(kCoreLibraryInfo.commands[entry], nullptr) << "entry " << entry;
    }
}

int allocations = 0;
intptr_t KV_STDCALL CountingNotify(int32_t code, intptr_t p1, intptr_t p2) {
    if (code == sysnotify::kAllocate) ++allocations;
    return FakeSystemNotify(code, p1, p2);
}

TEST(CoreLibraryNotifyTest, KeepsSystemNotifyAndAnswersMinusOneOtherwise) {
    ASSERT_EQ(
        kCoreLibraryInfo.notify(libnotify::kStart, reinterpret_cast<intptr_t>(CountingNotify), 0),
        0);
    ArgValue count = IntArg(3);
    ArgValue result{};
    kCoreLibraryInfo.commands[core::kSpaceText](&result, 1, &count);
    EXPECT_EQ(allocations, 1);
    ASSERT_NE(result.value.text, nullptr);
    EXPECT_STREQ(result.value.text, "   ");
    FakeSystemNotify(sysnotify::kRelease, reinterpret_cast<intptr_t>(result.value.text), 0);
    for (int32_t code : {2, 6, 10, 11, 12, 13, 99}) {
        EXPECT_EQ(kCoreLibraryInfo.notify(code, 0, 0), -1) << code;
    }
}

TEST(CoreLibraryCommandsTest, ComObjectCommandsAreReachedThroughTheirEntries) {
    ASSERT_EQ(
        kCoreLibraryInfo.notify(libnotify::kStart, reinterpret_cast<intptr_t>(FakeSystemNotify), 0),
        0);
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    {
        com::ObjectBlock block = {};
        ArgValue object{};
        object.value.ptr = &block;
        object.type = com::comtag::kObject;
        ArgValue result = Call(kCoreLibraryInfo.commands[core::kComCreate],
                               {object, TextArg("Scripting.FileSystemObject")});
        EXPECT_NE(result.value.i32, 0);
        EXPECT_NE(block.held, nullptr);
        Call(kCoreLibraryInfo.commands[core::kComClear], {object});
        EXPECT_EQ(block.held, nullptr);
        result =
            Call(kCoreLibraryInfo.commands[core::kComCreate], {object, TextArg("No.Such.ProgId")});
        EXPECT_EQ(result.value.i32, 0);
        EXPECT_EQ(block.held, nullptr);
    }
    CoUninitialize();
}

}  // namespace
}  // namespace kv::test
