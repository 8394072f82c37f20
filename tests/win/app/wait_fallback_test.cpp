// WaitWithEvents when its waitable timer cannot be made or its wait fails: it still returns
// after about the requested time and keeps serving messages. The two functions come from a
// test library whose failure mode the tests choose.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <iterator>

#include "app/native_declarations.h"
#include "app/path_helpers.h"
#include "app/wait_with_events.h"
#include "tests/win/app/test_program.h"

namespace {

// The program's own declarations, with the waitable timer's creation and the wait taken from
// the test library.
struct FailingWaitDeclarations {
    const char* dllNames[kv::app::kNativeDeclarationCount];
    const char* functionNames[kv::app::kNativeDeclarationCount];

    FailingWaitDeclarations() {
        std::copy(std::begin(kv::app::kNativeDllNames), std::end(kv::app::kNativeDllNames),
                  dllNames);
        std::copy(std::begin(kv::app::kNativeFunctionNames),
                  std::end(kv::app::kNativeFunctionNames), functionNames);
        dllNames[kv::app::kCreateWaitableTimer] = "kvfailwait.dll";
        functionNames[kv::app::kCreateWaitableTimer] = "TestCreateWaitableTimer";
        dllNames[kv::app::kMsgWaitForMultipleObjects] = "kvfailwait.dll";
        functionNames[kv::app::kMsgWaitForMultipleObjects] = "TestMsgWaitForMultipleObjects";
        dllNames[kv::app::kGetTempPath] = "kvfailwait.dll";
        functionNames[kv::app::kGetTempPath] = "TestGetTempPath";
    }
} declarations;

}  // namespace

extern "C" const char* const* const kvTestDllNames = declarations.dllNames;
extern "C" const char* const* const kvTestFunctionNames = declarations.functionNames;

namespace kv::test {
namespace {

const ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new ProgramInformationEnvironment);

class ProgramWaitFallbackTest : public ::testing::TestWithParam<LONG> {
  protected:
    void SetUp() override {
        library_ = LoadLibraryA("kvfailwait.dll");
        ASSERT_NE(library_, nullptr);
        using SetMode = void(WINAPI*)(LONG);
        auto setMode = reinterpret_cast<SetMode>(
            reinterpret_cast<void*>(GetProcAddress(library_, "SetWaitFailureMode")));
        ASSERT_NE(setMode, nullptr);
        setMode(GetParam());
    }
    void TearDown() override { FreeLibrary(library_); }

    HMODULE library_ = nullptr;
};

TEST_P(ProgramWaitFallbackTest, ReturnsAfterAboutTheTimeAndServesMessages) {
    MessageCounter counter;
    counter.Post();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(app::WaitWithEvents(0.25, app::kSeconds));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::milliseconds(240));
    EXPECT_LT(elapsed, std::chrono::milliseconds(5000));
    EXPECT_EQ(counter.Received(), 1);
}

// 1: the timer cannot be created; 2: the wait fails at once.
INSTANTIATE_TEST_SUITE_P(NoTimerOrFailingWait, ProgramWaitFallbackTest, ::testing::Values(1, 2));

// 3: the temporary folder does not fit the 260-byte buffer; it is not found, rather than
// handed on as 260 blanks.
class ProgramLongFolderTest : public ProgramWaitFallbackTest {};
TEST_P(ProgramLongFolderTest, AFolderTooLongForTheBufferIsNotFound) {
    EXPECT_STREQ(app::GetFolderPath(11).c_str(), "");
}
INSTANTIATE_TEST_SUITE_P(LongTemporaryFolder, ProgramLongFolderTest, ::testing::Values(3));

}  // namespace
}  // namespace kv::test
