// Loading windows from test templates: order, IDs, Z order, blocked events, reloading,
// the first show, event owners and the running-handler notice.
#include <gtest/gtest.h>

#include "forms/event_dispatch.h"
#include "forms/form_registry.h"
#include "forms/window_loader.h"
#include "runtime/forms_link.h"
#include "runtime/kernel.h"
#include "runtime/library.h"
#include "tests/win/forms/freed_memory_guard.h"
#include "tests/win/forms/test_forms.h"

namespace kv::test {
namespace {

constexpr uint32_t kA = 0x16010001, kB = 0x16010002, kC = 0x16010003;

// Asks the runtime to load a form, as program code does.
intptr_t RequestLoad(uint32_t formId, void* owner, uint32_t modal) {
    struct {
        uint32_t formId;
        void* owner;
        uint32_t modal;
    } request = {formId, owner, modal};
    return SystemNotify(sysnotify::kLoadWindow, reinterpret_cast<intptr_t>(&request), 0);
}

class Loading : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetHandlers();
        SetBuildKind(3);
    }
    void TearDown() override {
        forms::DestroyLoadedWindows();
        SetBuildKind(3);
    }
    void Install(forms::FormTemplate form) {
        form_ = std::move(form);
        InstallForms({{kFormId, &form_}});
    }
    forms::FormTemplate* Form() { return forms::Forms().Find(kFormId); }
    HWND Window() { return forms::UnitWindow(Form()->units[0].object); }
    HWND UnitAt(size_t i) { return forms::UnitWindow(Form()->units[i].object); }

    forms::FormTemplate form_;
};

forms::WindowProperties Titled(const char* title) {
    forms::WindowProperties p;
    p.title = title;
    return p;
}

TEST_F(Loading, CreatesLastToSecondWithControlIdsAndListZOrder) {
    forms::FormTemplate f;
    f.units = {WindowEntry(Titled("w"), 0), ButtonEntry(kA, "a", {0, 0, 40, 20}),
               ButtonEntry(kB, "b", {0, 30, 40, 20}), ButtonEntry(kC, "c", {0, 60, 40, 20})};
    Install(f);
    ASSERT_TRUE(forms::LoadStartWindow(kFormId));
    EXPECT_EQ(GetDlgCtrlID(UnitAt(3)), 100);
    EXPECT_EQ(GetDlgCtrlID(UnitAt(2)), 110);
    EXPECT_EQ(GetDlgCtrlID(UnitAt(1)), 120);
    EXPECT_EQ(GetWindow(Window(), GW_CHILD), UnitAt(1));
    EXPECT_EQ(GetWindow(UnitAt(1), GW_HWNDNEXT), UnitAt(2));
    EXPECT_EQ(GetWindow(UnitAt(2), GW_HWNDNEXT), UnitAt(3));
}

TEST_F(Loading, EventsDuringCreationAreBlockedThenCreatedMovedResizedFollow) {
    // A visible window: creating it moves, sizes and shows it, all while events are blocked.
    forms::FormTemplate f;
    f.units = {WindowEntry(Titled("w"), forms::state::kVisible,
                           {Bind(0, 0), Bind(3, 3), Bind(4, 4), Bind(10, 10)})};
    Install(f);
    ASSERT_TRUE(forms::LoadStartWindow(kFormId));
    EXPECT_EQ(CalledTags(), (std::vector<int>{0, 3, 4}));
    EXPECT_EQ(EventBlockCount(), 0);
    EXPECT_TRUE(IsWindowVisible(Window()));
}

TEST_F(Loading, MinusOneHandlerWordBindsNothing) {
    forms::FormTemplate f;
    forms::UnitEntry w = WindowEntry(Titled("w"), 0, {Bind(3, 3)});
    w.bindings.push_back({0, forms::kNoHandlerWord});
    f.units = {w};
    Install(f);
    ASSERT_TRUE(forms::LoadStartWindow(kFormId));
    EXPECT_EQ(CalledTags(), std::vector<int>{3});
    forms::EventOutcome outcome = forms::RaiseEvent(kFormId, 0, 0);
    EXPECT_FALSE(outcome.ran);
}

TEST_F(Loading, LoadingALoadedWindowOnlyActivatesIt) {
    forms::FormTemplate f;
    f.units = {WindowEntry(Titled("w"), forms::state::kVisible, {Bind(0, 0)})};
    Install(f);
    ASSERT_TRUE(forms::LoadStartWindow(kFormId));
    HWND first = Window();
    EXPECT_EQ(forms::LoadWindow(Form(), false, false, nullptr), 1);
    EXPECT_EQ(Window(), first);
    EXPECT_EQ(CalledTags(), std::vector<int>{0});
    EXPECT_EQ(forms::LoadedWindows().size(), 1u);
}

TEST_F(Loading, LoadNotificationReportsFailureForUnknownFormsAndGoneOwners) {
    FreedMemoryGuard guard;
    forms::FormTemplate f;
    f.units = {WindowEntry(Titled("w"), 0)};
    Install(f);
    EXPECT_EQ(RequestLoad(0x52010099, nullptr, 0), -1);
    EXPECT_EQ(forms::LoadWindow(Form(), false, false, reinterpret_cast<HWND>(0x1234)), 0);
    EXPECT_EQ(EventBlockCount(), 0);
    EXPECT_EQ(RequestLoad(kFormId, nullptr, 0), 0);
    EXPECT_TRUE(IsWindow(Window()));

    // An owner whose window has gone, and its object with it, is never read.
    void* goneOwner = Form()->units[0].object;
    DestroyWindow(Window());
    EXPECT_EQ(RequestLoad(kFormId, goneOwner, 0), -1);
    EXPECT_EQ(Form()->units[0].object, nullptr);
}

TEST_F(Loading, FirstVisibleWriteShowsByPositionLaterWritesOnlyShow) {
    forms::WindowProperties p = Titled("w");
    p.position = 2;  // minimized
    forms::FormTemplate f;
    f.units = {WindowEntry(p, 0)};
    Install(f);
    ASSERT_TRUE(forms::LoadStartWindow(kFormId));
    EXPECT_FALSE(IsWindowVisible(Window()));
    forms::WriteUnitProperty(kFormId, 0, 5, -1, 1, 0);
    EXPECT_TRUE(IsWindowVisible(Window()));
    EXPECT_TRUE(IsIconic(Window()));
    ShowWindow(Window(), SW_RESTORE);
    forms::WriteUnitProperty(kFormId, 0, 5, -1, 0, 0);
    EXPECT_FALSE(IsWindowVisible(Window()));
    forms::WriteUnitProperty(kFormId, 0, 5, -1, 1, 0);
    EXPECT_TRUE(IsWindowVisible(Window()));
    EXPECT_FALSE(IsIconic(Window())) << "the second show does not minimize again";
    EXPECT_EQ(forms::ReadUnitProperty(kFormId, 0, 8 + 10, -1), 0) << "position reads live";
}

TEST_F(Loading, DestroyRestoresTheUnitListAsItWasBeforeTheLoad) {
    forms::FormTemplate f;
    f.units = {WindowEntry(Titled("w"), 0), ButtonEntry(kA, "a", {0, 0, 40, 20})};
    Install(f);
    ASSERT_TRUE(forms::LoadStartWindow(kFormId));
    forms::WriteUnitProperty(kFormId, kA, 0, -1, 77, 0);
    EXPECT_EQ(forms::ReadUnitProperty(kFormId, kA, 0, -1), 77);
    DestroyWindow(Window());
    EXPECT_EQ(Form()->units[0].object, nullptr);
    EXPECT_EQ(Form()->units[1].object, nullptr);
    EXPECT_EQ(forms::ReadUnitProperty(kFormId, kA, 0, -1), 0) << "the load's changes are gone";
    forms::WriteUnitProperty(kFormId, kA, 0, -1, 15, 0);
    ASSERT_TRUE(forms::LoadStartWindow(kFormId));
    RECT r;
    GetWindowRect(UnitAt(1), &r);
    MapWindowPoints(nullptr, Window(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 15) << "changes made while not loaded last";
}

TEST_F(Loading, EventOwnerOfTheSameTypeLendsItsBindingsAnotherTypeDoesNot) {
    forms::FormTemplate f;
    forms::UnitEntry lender = ButtonEntry(kA, "a", {0, 0, 40, 20}, {Bind(0, 5)});
    forms::UnitEntry borrower = ButtonEntry(kB, "b", {0, 30, 40, 20}, {Bind(0, 6)});
    borrower.eventOwner = kA;
    forms::UnitEntry timer = TimerEntry(kC, 0, {Bind(0, 7)});
    timer.eventOwner = kA;  // a button: not followed
    f.units = {WindowEntry(Titled("w"), 0), lender, borrower, timer};
    Install(f);
    ASSERT_TRUE(forms::LoadStartWindow(kFormId));
    forms::RaiseEvent(kFormId, kB, 0);
    forms::RaiseEvent(kFormId, kC, 0);
    EXPECT_EQ(CalledTags(), (std::vector<int>{5, 7}));
}

uint32_t sourceSeen[2];
intptr_t sourceAnswer;
uint64_t ReportSource(uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {
    sourceAnswer = SystemNotify(2017, reinterpret_cast<intptr_t>(sourceSeen), 0);
    return forms::kNoValue;
}

TEST_F(Loading, RunningHandlerIsReportedOnlyWhileItRuns) {
    forms::FormTemplate f;
    f.units = {
        WindowEntry(Titled("w"), 0, {{0, HandlerWord(reinterpret_cast<void*>(&ReportSource))}})};
    Install(f);
    ASSERT_TRUE(forms::LoadStartWindow(kFormId));
    EXPECT_EQ(sourceAnswer, 1);
    EXPECT_EQ(sourceSeen[0], kFormId);
    EXPECT_EQ(sourceSeen[1], kWindowId) << "unit 0 reads as the window's own unit";
    uint32_t after[2] = {};
    EXPECT_EQ(SystemNotify(2017, reinterpret_cast<intptr_t>(after), 0), 0);
}

TEST_F(Loading, UnitLookupNotificationsAnswerLiveUnitsOnly) {
    forms::FormTemplate f;
    f.units = {WindowEntry(Titled("w"), 0), ButtonEntry(kA, "a", {0, 0, 40, 20})};
    Install(f);
    EXPECT_EQ(SystemNotify(sysnotify::kFindUnit, kFormId, 0), 0);
    ASSERT_TRUE(forms::LoadStartWindow(kFormId));
    EXPECT_EQ(SystemNotify(sysnotify::kFindUnit, kFormId, 0),
              reinterpret_cast<intptr_t>(Form()->units[0].object));
    EXPECT_EQ(SystemNotify(sysnotify::kFindUnitChecked, kFormId, kA),
              reinterpret_cast<intptr_t>(Form()->units[1].object));
    EXPECT_EQ(SystemNotify(sysnotify::kFindUnit, kFormId, 0x16010077), 0);
}

TEST_F(Loading, HiddenOwnerKeepsATaskbarlessWindowOff) {
    forms::WindowProperties p = Titled("w");
    p.showInTaskbar = 0;
    forms::FormTemplate f;
    f.units = {WindowEntry(p, 0)};
    Install(f);
    ASSERT_TRUE(forms::LoadStartWindow(kFormId));
    EXPECT_EQ(GetWindow(Window(), GW_OWNER), HiddenOwnerWindow());
}

}  // namespace
}  // namespace kv::test

namespace kv::test {
namespace {

constexpr uint32_t kModalFormId = 0x52010011;
bool ownerEnabledWhileModal = true;

uint64_t CloseModalWindow(uint32_t, uint32_t, uint32_t) {
    auto* object = reinterpret_cast<void*>(SystemNotify(sysnotify::kFindUnit, kModalFormId, 0));
    PostMessageA(forms::UnitWindow(object), WM_CLOSE, 0, 0);
    return forms::kNoValue;
}

uint64_t NoteOwnerState(uint32_t, uint32_t, uint32_t) {
    auto* object = reinterpret_cast<void*>(SystemNotify(sysnotify::kFindUnit, kFormId, 0));
    ownerEnabledWhileModal = IsWindowEnabled(forms::UnitWindow(object)) != 0;
    return forms::kNoValue;
}

// Loads a form modally, without an owner.
intptr_t LoadModally(uint32_t formId) {
    return RequestLoad(formId, nullptr, 1);
}

uint64_t DestroyModalWindow(uint32_t, uint32_t, uint32_t) {
    auto* object = reinterpret_cast<void*>(SystemNotify(sysnotify::kFindUnit, kModalFormId, 0));
    DestroyWindow(forms::UnitWindow(object));
    return forms::kNoValue;
}

TEST_F(Loading, ModalLoadDisablesOtherWindowsUntilItCloses) {
    forms::FormTemplate owner, modal;
    owner.units = {WindowEntry(Titled("owner"), forms::state::kVisible)};
    modal.units = {WindowEntry(Titled("modal"), forms::state::kVisible,
                               {{0, HandlerWord(reinterpret_cast<const void*>(&CloseModalWindow))},
                                {12, HandlerWord(reinterpret_cast<const void*>(&NoteOwnerState))},
                                Bind(2, 2)})};
    InstallForms({{kFormId, &owner}, {kModalFormId, &modal}});
    ASSERT_TRUE(forms::LoadStartWindow(kFormId));
    HWND ownerWindow = Window();
    // Returns once the modal window has closed: its creation handler asked it to.
    EXPECT_EQ(LoadModally(kModalFormId), 0);
    EXPECT_FALSE(ownerEnabledWhileModal);
    EXPECT_EQ(CalledTags(), std::vector<int>{2});
    EXPECT_TRUE(IsWindowEnabled(ownerWindow));
    EXPECT_EQ(forms::CurrentModalForm(), 0u);
    EXPECT_EQ(SystemNotify(sysnotify::kFindUnit, kModalFormId, 0), 0);
}

// A modal window whose show event destroys it: showing it returns, with no modal loop left
// running for a window that is gone.
TEST_F(Loading, AModalWindowDestroyedWhileFirstShownRunsNoModalLoop) {
    forms::FormTemplate owner, modal;
    owner.units = {WindowEntry(Titled("owner"), forms::state::kVisible)};
    modal.units = {
        WindowEntry(Titled("modal"), 0,
                    {{10, HandlerWord(reinterpret_cast<const void*>(&DestroyModalWindow))}})};
    InstallForms({{kFormId, &owner}, {kModalFormId, &modal}});
    ASSERT_TRUE(forms::LoadStartWindow(kFormId));
    // Hidden, it is loaded and its modal run waits for the first show.
    EXPECT_EQ(LoadModally(kModalFormId), 0);
    ASSERT_NE(SystemNotify(sysnotify::kFindUnit, kModalFormId, 0), 0);
    forms::WriteUnitProperty(kModalFormId, 0, 5, -1, 1, 0);
    EXPECT_EQ(SystemNotify(sysnotify::kFindUnit, kModalFormId, 0), 0);
    EXPECT_EQ(forms::CurrentModalForm(), 0u);
}

WNDPROC ownerProcedure;
LRESULT CALLBACK DestroyModalWindowWhenDisabled(HWND window, UINT message, WPARAM wParam,
                                                LPARAM lParam) {
    if (message == WM_ENABLE && !wParam) DestroyModalWindow(0, 0, 0);
    return CallWindowProcA(ownerProcedure, window, message, wParam, lParam);
}

// Disabling the other windows for a modal load sends each WM_ENABLE at once; the owner's
// answer destroys the modal window while the loaded windows are being walked.
TEST_F(Loading, AModalWindowDestroyedWhileDisablingTheOthersLeavesThemEnabled) {
    FreedMemoryGuard guard;
    forms::LoadedWindows().shrink_to_fit();  // its storage, too, comes from the guard
    forms::FormTemplate owner, modal;
    owner.units = {WindowEntry(Titled("owner"), forms::state::kVisible)};
    modal.units = {WindowEntry(Titled("modal"), 0)};
    InstallForms({{kFormId, &owner}, {kModalFormId, &modal}});
    ASSERT_TRUE(forms::LoadStartWindow(kFormId));
    const HWND ownerWindow = Window();
    ownerProcedure = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
        ownerWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DestroyModalWindowWhenDisabled)));
    EXPECT_EQ(LoadModally(kModalFormId), 0);
    EXPECT_EQ(SystemNotify(sysnotify::kFindUnit, kModalFormId, 0), 0);
    EXPECT_TRUE(IsWindowEnabled(ownerWindow));
    EXPECT_EQ(forms::LoadedWindows().size(), 1u);
}

// Ending the program destroys an owner before the pop-up it owns, which goes with it.
TEST_F(Loading, DestroyingTheLoadedWindowsSkipsPopUpsThatWentWithTheirOwner) {
    FreedMemoryGuard guard;
    forms::FormTemplate owner, popup;
    owner.units = {WindowEntry(Titled("owner"), forms::state::kVisible)};
    popup.units = {WindowEntry(Titled("pop-up"), forms::state::kVisible, {Bind(2, 2)})};
    InstallForms({{kFormId, &owner}, {kModalFormId, &popup}});
    ASSERT_TRUE(forms::LoadStartWindow(kFormId));
    ASSERT_EQ(RequestLoad(kModalFormId, forms::Forms().Find(kFormId)->units[0].object, 0), 0);
    const HWND popupWindow = forms::UnitWindow(forms::Forms().Find(kModalFormId)->units[0].object);
    ASSERT_EQ(GetWindow(popupWindow, GW_OWNER), Window());

    forms::DestroyLoadedWindows();
    EXPECT_FALSE(IsWindow(popupWindow));
    EXPECT_EQ(CalledTags(), std::vector<int>{2});
    EXPECT_TRUE(forms::LoadedWindows().empty());
}

uint64_t DestroyWindowAndSayNo(uint32_t, uint32_t, uint32_t) {
    auto* object = reinterpret_cast<void*>(SystemNotify(sysnotify::kFindUnit, kFormId, 0));
    DestroyWindow(forms::UnitWindow(object));
    return forms::Returned(0);
}

TEST_F(Loading, AnEndQueryWhoseHandlerDestroysTheWindowStillGetsItsVeto) {
    FreedMemoryGuard guard;
    forms::FormTemplate f;
    f.units = {
        WindowEntry(Titled("w"), forms::state::kVisible,
                    {{1, HandlerWord(reinterpret_cast<const void*>(&DestroyWindowAndSayNo))}})};
    InstallForms({{kFormId, &f}});
    ASSERT_TRUE(forms::LoadStartWindow(kFormId));
    const HWND window = Window();
    EXPECT_EQ(SendMessageA(window, WM_QUERYENDSESSION, 0, 0), FALSE);
    EXPECT_FALSE(IsWindow(window));
}

}  // namespace
}  // namespace kv::test
