// WaitWithEvents when its waitable timer cannot be made or its wait fails: it still returns
// after about the requested time and keeps serving messages. The two functions come from a
// test library whose failure mode the tests choose.
#include <windows.h>

#include <chrono>

#include "app/native_declarations.h"
#include "app/wait_with_events.h"
#include "tests/win/app/test_program.h"

namespace {

const char* const kDllNames[kv::app::kNativeDeclarationCount] = {
    "shlwapi.dll",
    "shlwapi.dll",
    "shlwapi.dll",
    "",
    "user32",
    "user32",
    "",
    "user32.dll",
    "",
    "kernel32.dll",
    "kernel32",
    "kernel32.dll",
    "user32",
    "kvfailwait.dll",
    "",
    "kvfailwait.dll",
    "kernel32",
    "",
    "user32",
};

const char* const kFunctionNames[kv::app::kNativeDeclarationCount] = {
    "PathIsDirectoryA",
    "PathFindFileNameA",
    "PathFindExtensionA",
    "PostMessageA",
    "GetClientRect",
    "SetParent",
    "GetWindowRect",
    "MoveWindow",
    "SHGetSpecialFolderPathA",
    "GetWindowsDirectoryA",
    "GetSystemDirectoryA",
    "GetTempPathA",
    "FindWindowExA",
    "TestCreateWaitableTimer",
    "SetWaitableTimer",
    "TestMsgWaitForMultipleObjects",
    "CloseHandle",
    "GetParent",
    "FindWindowExA",
};

}  // namespace

extern "C" const char* const* const kvTestDllNames = kDllNames;
extern "C" const char* const* const kvTestFunctionNames = kFunctionNames;

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

}  // namespace
}  // namespace kv::test
