// Creating and clearing COM objects, and the scripting runtime's file-system object.

#include "corelib/com/commands.h"
#include "runtime/com_link.h"
#include "tests/win/com/com_fixture.h"

namespace kv::test {
namespace {

using com::ObjectBlock;

class ComCreateTest : public ComTest {};

TEST_F(ComCreateTest, ClassIdentifierInBracesCreatesTheObject) {
    TestThing* made = MakeThing();
    ASSERT_NE(made, nullptr);
    EXPECT_NE(thing_.held, nullptr);
    EXPECT_EQ(thing_.record, nullptr);
    EXPECT_EQ(LiveTestThings(), 1);
    EXPECT_EQ(ReferencesOf(made), 1u) << "the variable holds the only reference";
}

TEST_F(ComCreateTest, ClassNamedInTypeLibraryIsCreatedAndTheLibraryRegistered) {
    const std::string library = TestTypeLibraryPath();
    ASSERT_TRUE(Create(&thing_, "TestThing", library.c_str()));
    EXPECT_EQ(LiveTestThings(), 1);
    EXPECT_EQ(ReferencesOf(LastTestThing()), 1u);

    const GUID libraryId = {
        0x6f1a7b52, 0x3c1d, 0x4e8a, {0x9b, 0x2f, 0x1d, 0x2c, 0x3e, 0x4f, 0x5a, 0x60}};
    ITypeLib* registered = nullptr;
    EXPECT_TRUE(SUCCEEDED(LoadRegTypeLib(libraryId, 1, 0, 0, &registered)))
        << "a library named by full path is registered";
    if (registered) registered->Release();
}

TEST_F(ComCreateTest, UnknownNameInTypeLibraryFallsBackToTheClassName) {
    const std::string library = TestTypeLibraryPath();
    EXPECT_TRUE(Create(&thing_, kTestThingClassText, library.c_str()));
    EXPECT_FALSE(Create(&thing_, "NoSuchClass", library.c_str()));
    EXPECT_EQ(LiveTestThings(), 1);
}

TEST_F(ComCreateTest, MisspeltProgIdFailsAndLeavesTheVariableAsItWas) {
    MakeThing();
    void* before = thing_.held;
    EXPECT_FALSE(Create(&thing_, "scripting.FileSystemObjekt"));
    EXPECT_FALSE(Create(&thing_, "{00000000-1111-2222-3333-444444444444}"));
    EXPECT_FALSE(Create(&thing_, "{not a class identifier"));
    EXPECT_EQ(thing_.held, before);
    EXPECT_EQ(ReferencesOf(LastTestThing()), 1u);
}

TEST_F(ComCreateTest, CreatingIntoAHeldVariableReleasesTheOldObject) {
    TestThing* first = MakeThing();
    ASSERT_TRUE(Create(&thing_, kTestThingClassText));
    EXPECT_NE(LastTestThing(), first);
    EXPECT_EQ(LiveTestThings(), 1) << "the first object was released";
}

TEST_F(ComCreateTest, ClearingTwiceIsHarmless) {
    MakeThing();
    Clear(&thing_);
    EXPECT_EQ(thing_.held, nullptr);
    EXPECT_EQ(LiveTestThings(), 0);
    Clear(&thing_);
    EXPECT_EQ(thing_.held, nullptr);
    EXPECT_EQ(thing_.record, nullptr);
}

TEST_F(ComCreateTest, ClearingFreesStrayRecordDataOnTheRuntimeHeap) {
    ObjectBlock stray{};
    stray.record = reinterpret_cast<void*>(FakeSystemNotify(sysnotify::kAllocate, 16, 0));
    Clear(&stray);
    EXPECT_EQ(stray.record, nullptr);
}

TEST_F(ComCreateTest, KernelReleaseOfAnObjectValueClearsBothWords) {
    MakeThing();
    com::ReleaseObjectValue(reinterpret_cast<void**>(&thing_));
    EXPECT_EQ(thing_.held, nullptr);
    EXPECT_EQ(thing_.record, nullptr);
    EXPECT_EQ(LiveTestThings(), 0);
}

// The calls the program makes to delete its staging folder, against Wine's scripting runtime.
class ScriptingObjectTest : public ComTest {
  protected:
    ArgValue CallObject(ObjectBlock* object, const char* member, ArgValue argument) {
        ArgValue args[] = {ObjectArg(object), TextArg(member), argument};
        ArgValue result{};
        com::ComCallObjectMethod(&result, 3, args);
        return result;
    }
    void CallMethod(ObjectBlock* object, const char* member, ArgValue argument) {
        ArgValue args[] = {ObjectArg(object), TextArg(member), argument};
        ArgValue result{};
        com::ComCallMethod(&result, 3, args);
        EXPECT_EQ(result.type, tag::kOmitted);
    }
};

TEST_F(ScriptingObjectTest, FileSystemObjectIsCreatedByItsProgId) {
    ObjectBlock fileSystem{};
    ASSERT_TRUE(Create(&fileSystem, "scripting.FileSystemObject"));
    EXPECT_NE(fileSystem.held, nullptr);
    Clear(&fileSystem);
}

TEST_F(ScriptingObjectTest, GetFolderAnswersAnObjectForAnExistingFolder) {
    ObjectBlock fileSystem{};
    ASSERT_TRUE(Create(&fileSystem, "scripting.FileSystemObject"));
    char* path = const_cast<char*>("C:\\windows");
    ArgValue folder = CallObject(&fileSystem, "GetFolder", ByAddressArg(&path, tag::kText));
    EXPECT_EQ(folder.type, com::comtag::kObject);
    ASSERT_NE(folder.value.ptr, nullptr);
    EXPECT_NE(static_cast<ObjectBlock*>(folder.value.ptr)->held, nullptr);
    Dispose(folder);
    Clear(&fileSystem);
}

TEST_F(ScriptingObjectTest, MissingFolderGivesAnEmptyObjectOnWhichDeleteDoesNothing) {
    ObjectBlock fileSystem{};
    ASSERT_TRUE(Create(&fileSystem, "scripting.FileSystemObject"));
    char* path = const_cast<char*>("C:\\no such folder\\at all\\");
    ArgValue folder = CallObject(&fileSystem, "GetFolder", ByAddressArg(&path, tag::kText));
    auto* block = static_cast<ObjectBlock*>(folder.value.ptr);
    ASSERT_NE(block, nullptr) << "an empty object, never a null pointer";
    EXPECT_EQ(block->held, nullptr);
    EXPECT_EQ(block->record, nullptr);

    CallMethod(block, "Delete", OmittedArg());
    ArgValue again = CallObject(block, "GetFolder", TextArg("C:\\windows"));
    ASSERT_NE(again.value.ptr, nullptr);
    EXPECT_EQ(static_cast<ObjectBlock*>(again.value.ptr)->held, nullptr);
    Dispose(again);
    Dispose(folder);
    Clear(&fileSystem);
}

}  // namespace
}  // namespace kv::test
