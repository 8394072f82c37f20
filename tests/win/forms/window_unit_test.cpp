// The window unit: frame styles, closing with its vetoes, pre-translated input (keys, chars,
// mouse) and idle events.
#include <gtest/gtest.h>

#include "forms/form_registry.h"
#include "framework/window.h"
#include "runtime/forms_link.h"
#include "runtime/runtime_app.h"
#include "tests/win/forms/test_forms.h"

namespace kv::test {
namespace {

constexpr uint32_t kButtonId = 0x16010001;

class WindowUnitTest : public ::testing::Test {
  protected:
    void SetUp() override { ResetHandlers(); }
    void TearDown() override { forms::DestroyLoadedWindows(); }

    void Load(const forms::WindowProperties& p, std::vector<forms::EventBinding> windowBindings,
              std::vector<forms::EventBinding> buttonBindings = {}) {
        form_.units = {WindowEntry(p, forms::state::kVisible, std::move(windowBindings)),
                       ButtonEntry(kButtonId, "b", {10, 10, 60, 24}, std::move(buttonBindings))};
        InstallForms({{kFormId, &form_}});
        ASSERT_TRUE(forms::LoadStartWindow(kFormId));
        window_ = forms::UnitWindow(forms::Forms().Find(kFormId)->units[0].object);
        button_ = forms::UnitWindow(forms::Forms().Find(kFormId)->units[1].object);
        ResetCallsKeepResults();
    }
    void ResetCallsKeepResults() { Calls().clear(); }
    // Runs one message through pre-translation as the loop would; true when consumed.
    bool PreTranslate(HWND target, UINT message, WPARAM wParam, LPARAM lParam, MSG* out = nullptr) {
        MSG m = {target, message, wParam, lParam, 0, {0, 0}};
        bool consumed = App().PreTranslateMessage(&m);
        if (out) *out = m;
        return consumed;
    }
    LONG Style() const { return GetWindowLongA(window_, GWL_STYLE); }
    LONG ExStyle() const { return GetWindowLongA(window_, GWL_EXSTYLE); }

    forms::FormTemplate form_;
    HWND window_ = nullptr;
    HWND button_ = nullptr;
};

forms::WindowProperties WithBorder(int32_t border) {
    forms::WindowProperties p;
    p.title = "标题";
    p.border = border;
    return p;
}

TEST_F(WindowUnitTest, BorderZeroHasNoCaptionFrameOrSystemMenuEvenWithATitle) {
    Load(WithBorder(0), {});
    EXPECT_EQ(Style() & (WS_CAPTION | WS_THICKFRAME | WS_SYSMENU), 0);
    EXPECT_EQ(WindowText(window_), "标题");
}

TEST_F(WindowUnitTest, WritingBorderZeroRemovesFrameBitsInOneWrite) {
    for (int32_t border : {2, 3, 5}) {
        SCOPED_TRACE(border);
        Load(WithBorder(border), {});
        EXPECT_EQ(Style() & WS_CAPTION, WS_CAPTION);
        EXPECT_NE(Style() & WS_SYSMENU, 0);
        if (border == 3) {
            EXPECT_NE(ExStyle() & WS_EX_TOOLWINDOW, 0);
        }
        if (border == 5) {
            EXPECT_NE(ExStyle() & WS_EX_CLIENTEDGE, 0);
        }
        forms::WriteUnitProperty(kFormId, 0, 9, -1, 0, 0);
        EXPECT_EQ(Style() & (WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_DLGFRAME), 0);
        EXPECT_EQ(ExStyle() & (WS_EX_TOOLWINDOW | WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME), 0);
        EXPECT_EQ(forms::ReadUnitProperty(kFormId, 0, 9, -1), 0);
        forms::DestroyLoadedWindows();
    }
}

TEST_F(WindowUnitTest, BorderWritesAreClampedAndSizableBordersGetAThickFrame) {
    Load(WithBorder(2), {});
    forms::WriteUnitProperty(kFormId, 0, 9, -1, 9, 0);
    EXPECT_EQ(forms::ReadUnitProperty(kFormId, 0, 9, -1), 6);
    forms::WriteUnitProperty(kFormId, 0, 9, -1, 1, 0);
    EXPECT_NE(Style() & WS_THICKFRAME, 0);
}

TEST_F(WindowUnitTest, EscClosesAfterEvents12And1) {
    Load(WithBorder(2), {Bind(12, 12), Bind(1, 1), Bind(2, 2)});
    PostMessageA(button_, WM_KEYDOWN, VK_ESCAPE, 0);
    PumpPending();
    EXPECT_FALSE(IsWindow(window_));
    EXPECT_EQ(CalledTags(), (std::vector<int>{12, 1, 2}));
    EXPECT_EQ(forms::Forms().Find(kFormId)->units[0].object, nullptr);
}

TEST_F(WindowUnitTest, CloseHandlersReturningZeroVeto) {
    SetHandlerResult(12, forms::Returned(0));
    Load(WithBorder(2), {Bind(12, 12), Bind(1, 1)});
    SendMessageA(window_, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(window_));
    EXPECT_EQ(CalledTags(), std::vector<int>{12});
    SetHandlerResult(12, forms::Returned(1));
    SetHandlerResult(1, forms::Returned(0));
    SendMessageA(window_, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(window_));
    EXPECT_EQ(CalledTags(), (std::vector<int>{12, 12, 1}));
    EXPECT_EQ(SendMessageA(window_, WM_QUERYENDSESSION, 0, 0), FALSE);
    SetHandlerResult(1, forms::kNoValue);
    EXPECT_EQ(SendMessageA(window_, WM_QUERYENDSESSION, 0, 0), TRUE);
}

TEST_F(WindowUnitTest, EscDoesNothingWhenEscClosesIsOff) {
    forms::WindowProperties p = WithBorder(2);
    p.escCloses = 0;
    Load(p, {}, {Bind(-9, 9)});
    EXPECT_FALSE(PreTranslate(button_, WM_KEYDOWN, VK_ESCAPE, 0));
    EXPECT_TRUE(IsWindow(window_));
    ASSERT_EQ(Calls().size(), 1u);
    EXPECT_EQ(Calls()[0].args[0], uint32_t(VK_ESCAPE));
}

TEST_F(WindowUnitTest, KeyEventsCarryTranslatedKeyAndShiftState) {
    Load(WithBorder(2), {}, {Bind(-9, 9), Bind(-10, 10)});
    BYTE keys[256] = {};
    SetKeyboardState(keys);
    PreTranslate(button_, WM_KEYDOWN, VK_NUMPAD5, 0);
    PreTranslate(button_, WM_KEYUP, VK_DECIMAL, 0);
    keys[VK_CONTROL] = keys[VK_SHIFT] = 0x80;
    SetKeyboardState(keys);
    PreTranslate(button_, WM_KEYDOWN, VK_NUMPAD1, 0);
    PreTranslate(button_, WM_KEYDOWN, VK_CONTROL, 0);
    keys[VK_CONTROL] = keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
    ASSERT_EQ(Calls().size(), 4u);
    EXPECT_EQ(Calls()[0].tag, 9);
    EXPECT_EQ(Calls()[0].args[0], 0x35u);
    EXPECT_EQ(Calls()[0].args[1], 0u);
    EXPECT_EQ(Calls()[1].tag, 10);
    EXPECT_EQ(Calls()[1].args[0], 190u);
    EXPECT_EQ(Calls()[2].args[0], 0x31u);
    EXPECT_EQ(Calls()[2].args[1], 3u) << "Ctrl and Shift";
    EXPECT_EQ(Calls()[3].args[0], uint32_t(VK_CONTROL));
    EXPECT_EQ(Calls()[3].args[1], 2u) << "Ctrl itself adds no Ctrl bit";
}

TEST_F(WindowUnitTest, CharHandlerReplacesOrSwallowsTheCharacter) {
    Load(WithBorder(2), {}, {Bind(-11, 11)});
    MSG m;
    EXPECT_FALSE(PreTranslate(button_, WM_CHAR, 'a', 0, &m));
    EXPECT_EQ(m.wParam, WPARAM('a')) << "no value returned: unchanged";
    SetHandlerResult(11, forms::Returned('B'));
    EXPECT_FALSE(PreTranslate(button_, WM_CHAR, 'a', 0, &m));
    EXPECT_EQ(m.wParam, WPARAM('B'));
    SetHandlerResult(11, forms::Returned(0));
    EXPECT_TRUE(PreTranslate(button_, WM_CHAR, 'a', 0, &m));
    EXPECT_EQ(Calls().size(), 3u);
    EXPECT_EQ(Calls()[0].args[0], uint32_t('a'));
}

TEST_F(WindowUnitTest, MouseDownReturningFalseKeepsTheClickNoValueDoesNot) {
    Load(WithBorder(2), {Bind(-1, 1)}, {Bind(-1, 2), Bind(-12, 3)});
    EXPECT_FALSE(PreTranslate(button_, WM_LBUTTONDOWN, 0, MAKELPARAM(7, 9)));
    SetHandlerResult(2, forms::Returned(0));
    EXPECT_TRUE(PreTranslate(button_, WM_LBUTTONDOWN, 0, MAKELPARAM(7, 9)));
    SetHandlerResult(2, forms::Returned(1));
    EXPECT_FALSE(PreTranslate(button_, WM_LBUTTONDOWN, 0, MAKELPARAM(7, 9)));
    EXPECT_FALSE(PreTranslate(window_, WM_LBUTTONDOWN, 0, MAKELPARAM(1, 2)));
    EXPECT_FALSE(PreTranslate(button_, WM_MOUSEWHEEL, MAKEWPARAM(0, WORD(-240)), 0));
    ASSERT_EQ(CalledTags(), (std::vector<int>{2, 2, 2, 1, 3}));
    EXPECT_EQ(Calls()[0].args[0], 7u);
    EXPECT_EQ(Calls()[0].args[1], 9u);
    EXPECT_EQ(Calls()[3].args[0], 1u);
    EXPECT_EQ(int32_t(Calls()[4].args[0]), -2);
}

TEST_F(WindowUnitTest, KeysOfADisabledTargetRaiseNothing) {
    Load(WithBorder(2), {}, {Bind(-9, 9)});
    EnableWindow(button_, FALSE);
    EXPECT_FALSE(PreTranslate(button_, WM_KEYDOWN, 'A', 0));
    EXPECT_TRUE(Calls().empty());
}

TEST_F(WindowUnitTest, IdleEventsStopForAWindowWhoseHandlerSaysNo) {
    SetHandlerResult(7, forms::Returned(1));
    Load(WithBorder(2), {Bind(7, 7)});
    forms::BeginIdlePeriod();
    EXPECT_TRUE(forms::FireIdleEvents(15));
    ASSERT_EQ(Calls().size(), 1u);
    EXPECT_EQ(Calls()[0].args[0], 15u);
    SetHandlerResult(7, forms::Returned(0));
    EXPECT_FALSE(forms::FireIdleEvents(30));
    EXPECT_FALSE(forms::FireIdleEvents(45));
    EXPECT_EQ(Calls().size(), 2u) << "excluded until the next idle period";
    forms::BeginIdlePeriod();
    forms::FireIdleEvents(0);
    EXPECT_EQ(Calls().size(), 3u);
}

TEST_F(WindowUnitTest, TabMovesTheFocusBetweenUnits) {
    forms::WindowProperties p = WithBorder(2);
    form_.units = {WindowEntry(p, forms::state::kVisible),
                   ButtonEntry(0x16010001, "a", {0, 0, 40, 20}),
                   ButtonEntry(0x16010002, "b", {0, 30, 40, 20})};
    InstallForms({{kFormId, &form_}});
    ASSERT_TRUE(forms::LoadStartWindow(kFormId));
    HWND a = forms::UnitWindow(forms::Forms().Find(kFormId)->units[1].object);
    HWND b = forms::UnitWindow(forms::Forms().Find(kFormId)->units[2].object);
    SetFocus(a);
    EXPECT_TRUE(PreTranslate(a, WM_KEYDOWN, VK_TAB, 0));
    EXPECT_EQ(GetFocus(), b);
    SetFocus(nullptr);
}

}  // namespace
}  // namespace kv::test
