// The commands that reach a window unit's native window, through the core library's command
// array: the kernel's unit lookups answer a framework window object for the reference.
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "corelib/commands.h"
#include "corelib/system_notify.h"
#include "framework/window.h"
#include "tests/host/corelib/command_calls.h"
#include "tests/support/fake_kernel.h"
#include "tests/win/corelib/box_watcher.h"

namespace kv::test {
namespace {

constexpr uint32_t kLoadedForm = 7;
constexpr uint32_t kButtonUnit = 3;

struct Lookup {
    int32_t code;
    intptr_t form;
    intptr_t unit;
};
std::vector<Lookup> lookups;
fw::Window* loadedWindow = nullptr;

// Form 7 is loaded: its window and its unit 3 resolve to the test's window object.
intptr_t KV_STDCALL UnitNotify(int32_t code, intptr_t p1, intptr_t p2) {
    if (code == sysnotify::kFindUnit || code == sysnotify::kFindUnitChecked) {
        lookups.push_back({code, p1, p2});
        const bool known = p1 == kLoadedForm && (p2 == 0 || p2 == kButtonUnit);
        return known ? reinterpret_cast<intptr_t>(loadedWindow) : 0;
    }
    return FakeSystemNotify(code, p1, p2);
}

ArgValue UnitReference(uint32_t form, uint32_t unit) {
    ArgValue reference{};
    reference.value.words[0] = form;
    reference.value.words[1] = unit;
    reference.type = tag::kWindowType;
    return reference;
}

class WindowCommandsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        lookups.clear();
        ASSERT_TRUE(window_.Attach(NewTopLevelWindow()));
        loadedWindow = &window_;
        core::KeepSystemNotify(UnitNotify);
    }
    void TearDown() override {
        loadedWindow = nullptr;
        core::KeepSystemNotify(FakeSystemNotify);
    }
    static HWND NewTopLevelWindow() {
        return CreateWindowExA(0, "STATIC", "unit window", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                               200, 100, nullptr, nullptr, nullptr, nullptr);
    }
    // Calls without replacing the kept SystemNotify (Call() keeps the fake kernel's).
    static ArgValue Run(core::CoreCommandEntry entry, std::vector<ArgValue> args) {
        ArgValue result{};
        core::kCoreCommands[entry](&result, int32_t(args.size()), args.data());
        return result;
    }

    fw::Window window_;
};

TEST_F(WindowCommandsTest, GetWindowHandleResolvesTheUnitThroughTheCheckedLookup) {
    ArgValue result = Run(core::kGetWindowHandle, {UnitReference(kLoadedForm, kButtonUnit)});
    EXPECT_EQ(result.type, tag::kInt);
    EXPECT_EQ(result.value.i32, int32_t(reinterpret_cast<intptr_t>(window_.handle())));
    ASSERT_EQ(lookups.size(), 1u);
    EXPECT_EQ(lookups[0].code, sysnotify::kFindUnitChecked);
    EXPECT_EQ(lookups[0].form, intptr_t(kLoadedForm));
    EXPECT_EQ(lookups[0].unit, intptr_t(kButtonUnit));
}

TEST_F(WindowCommandsTest, ActivateWindowMakesTheUnitsWindowActive) {
    HWND other = NewTopLevelWindow();
    SetActiveWindow(other);
    ASSERT_EQ(GetActiveWindow(), other);
    ArgValue result = Run(core::kActivateWindow, {UnitReference(kLoadedForm, 0)});
    EXPECT_EQ(GetActiveWindow(), window_.handle());
    EXPECT_EQ(result.type, tag::kOmitted);
    ASSERT_EQ(lookups.size(), 1u);
    EXPECT_EQ(lookups[0].code, sysnotify::kFindUnitChecked);
    DestroyWindow(other);
}

TEST_F(WindowCommandsTest, ShowMessageOwnedByAWindowUnitUsesItsFormsWindow) {
    MessageBoxWatcher watcher(IDOK);
    Run(core::kShowMessage,
        {TextArg("owned"), IntArg(0), OmittedArg(), UnitReference(kLoadedForm, kButtonUnit)});
    const MessageBoxSeen seen = watcher.Result();
    EXPECT_TRUE(seen.found);
    EXPECT_EQ(seen.owner, window_.handle());
    ASSERT_EQ(lookups.size(), 1u);
    EXPECT_EQ(lookups[0].code, sysnotify::kFindUnit);
    EXPECT_EQ(lookups[0].form, intptr_t(kLoadedForm));
    EXPECT_EQ(lookups[0].unit, 0);  // the form's own window
}

TEST_F(WindowCommandsTest, ShowMessageForAFormNotLoadedHasNoOwner) {
    MessageBoxWatcher watcher(IDOK);
    Run(core::kShowMessage, {TextArg("unowned"), IntArg(0), OmittedArg(), UnitReference(8, 0)});
    const MessageBoxSeen seen = watcher.Result();
    EXPECT_TRUE(seen.found);
    EXPECT_EQ(seen.owner, nullptr);
}

}  // namespace
}  // namespace kv::test
