// Button and timer units: clicks, focus events, own properties, timer intervals and ticks.
#include <gtest/gtest.h>

#include <cstring>

#include "forms/font_block.h"
#include "forms/form_registry.h"
#include "forms/timer_unit.h"
#include "forms/unit_interfaces.h"
#include "runtime/forms_link.h"
#include "tests/win/forms/test_forms.h"

namespace kv::test {
namespace {

constexpr uint32_t kButtonId = 0x16010001, kTimerId = 0x16010002, kOtherTimerId = 0x16010003;

class Units : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetHandlers();
        forms::WindowProperties p;
        p.title = "units";
        form_.units = {WindowEntry(p, forms::state::kVisible, {Bind(2, 2)}),
                       ButtonEntry(kButtonId, "按钮", {10, 10, 60, 24},
                                   {Bind(0, 0), Bind(-7, 7), Bind(-8, 8)}),
                       TimerEntry(kTimerId, 0, {Bind(0, 1)}),
                       TimerEntry(kOtherTimerId, 30, {Bind(0, 3)})};
        InstallForms({{kFormId, &form_}});
        ASSERT_TRUE(forms::LoadStartWindow(kFormId));
        window_ = Unit(0);
        button_ = Unit(1);
        Calls().clear();
    }
    void TearDown() override { forms::DestroyLoadedWindows(); }
    HWND Unit(size_t i) { return forms::UnitWindow(forms::Forms().Find(kFormId)->units[i].object); }
    int Ticks(int tag) {
        int n = 0;
        for (const Call& c : Calls()) n += c.tag == tag;
        return n;
    }
    void WriteInterval(int32_t value) {
        forms::WriteUnitProperty(kFormId, kTimerId, 8, -1, uint32_t(value), 0);
    }

    forms::FormTemplate form_;
    HWND window_ = nullptr;
    HWND button_ = nullptr;
};

TEST_F(Units, ClickRaisesEventZero) {
    SendMessageA(button_, BM_CLICK, 0, 0);
    EXPECT_EQ(Ticks(0), 1);
}

TEST_F(Units, FocusChangesRaiseMinusSevenAndMinusEight) {
    SetFocus(window_);
    Calls().clear();
    SetFocus(button_);
    SetFocus(window_);
    EXPECT_EQ(CalledTags(), (std::vector<int>{7, 8}));
}

TEST_F(Units, ButtonTypeAndAlignmentAreClampedAndApplied) {
    forms::WriteUnitProperty(kFormId, kButtonId, 9, -1, 5, 0);
    EXPECT_EQ(forms::ReadUnitProperty(kFormId, kButtonId, 9, -1), 1);
    EXPECT_EQ(GetWindowLongA(button_, GWL_STYLE) & 0x1F, BS_DEFPUSHBUTTON);
    forms::WriteUnitProperty(kFormId, kButtonId, 11, -1, uint32_t(-3), 0);
    EXPECT_EQ(forms::ReadUnitProperty(kFormId, kButtonId, 11, -1), 0);
    EXPECT_EQ(GetWindowLongA(button_, GWL_STYLE) & 0x300, BS_LEFT);
    forms::WriteUnitProperty(kFormId, kButtonId, 12, -1, 7, 0);
    EXPECT_EQ(GetWindowLongA(button_, GWL_STYLE) & 0xC00, BS_BOTTOM);
    forms::WriteUnitProperty(kFormId, kButtonId, 9, -1, 0, 0);
    EXPECT_EQ(GetWindowLongA(button_, GWL_STYLE) & 0x1F, BS_PUSHBUTTON);
}

TEST_F(Units, CaptionReadsBackAsANewText) {
    char caption[] = "新标题";
    forms::WriteUnitProperty(kFormId, kButtonId, 10, -1,
                             uint32_t(reinterpret_cast<uintptr_t>(caption)),
                             uint32_t(uint64_t(reinterpret_cast<uintptr_t>(caption)) >> 32));
    EXPECT_EQ(WindowText(button_), "新标题");
    auto* text =
        reinterpret_cast<char*>(intptr_t(forms::ReadUnitProperty(kFormId, kButtonId, 10, -1)));
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "新标题");
    EXPECT_NE(text, caption);
    HeapFree(GetProcessHeap(), 0, text);
}

TEST_F(Units, PictureWriteRecreatesTheButtonInPlace) {
    uint8_t byteSet[8 + 3] = {1, 0, 0, 0, 3, 0, 0, 0, 'B', 'M', 0};
    RECT before;
    GetWindowRect(button_, &before);
    uintptr_t address = reinterpret_cast<uintptr_t>(byteSet);
    forms::WriteUnitProperty(kFormId, kButtonId, 8, -1, uint32_t(address),
                             uint32_t(uint64_t(address) >> 32));
    HWND fresh = Unit(1);
    ASSERT_TRUE(IsWindow(fresh));
    EXPECT_FALSE(IsWindow(button_));
    EXPECT_EQ(GetDlgCtrlID(fresh), 120);
    EXPECT_EQ(WindowText(fresh), "按钮");
    RECT after;
    GetWindowRect(fresh, &after);
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.right, before.right);
    // The 30 ms timer may tick while queued messages run before the block: only the
    // button's own events are counted.
    EXPECT_EQ(Ticks(0) + Ticks(7) + Ticks(8), 0)
        << "events stay blocked while the unit is re-created";
    SendMessageA(fresh, BM_CLICK, 0, 0);
    EXPECT_EQ(Ticks(0), 1);
}

const char* KV_STDCALL Bracket(const char* text, void* context) {
    auto* seen = static_cast<std::vector<std::string>*>(context);
    seen->push_back(text);
    seen->push_back("[" + std::string(text) + "]");
    return seen->back().c_str();
}

TEST(ButtonType, RewritesCaptionAndFaceNameThroughTheCallersRoutine) {
    forms::ButtonProperties p;
    p.caption = "修复";
    forms::FontBlock font;
    std::strcpy(font.faceName, "Arial");
    p.font = forms::FontToBytes(font);
    std::vector<uint8_t> block = p.Store();
    auto rewrite = forms::InterfaceOf<forms::RewriteTextsRoutine>(&forms::kButtonUnitType,
                                                                  forms::iface::kRewriteTexts);
    ASSERT_NE(rewrite, nullptr);
    std::vector<std::string> seen;
    seen.reserve(8);
    uint32_t length = uint32_t(block.size());
    uint8_t* written = rewrite(block.data(), &length, &Bracket, &seen);
    ASSERT_NE(written, nullptr);
    forms::ButtonProperties q;
    ASSERT_TRUE(q.Load(written, length));
    HeapFree(GetProcessHeap(), 0, written);
    EXPECT_EQ(seen[0], "修复");
    EXPECT_EQ(seen[2], "Arial");
    EXPECT_EQ(q.caption, "[修复]");
    forms::FontBlock rewritten;
    ASSERT_TRUE(forms::FontFromBytes(q.font, &rewritten));
    EXPECT_EQ(forms::FaceName(rewritten), "[Arial]");
    uint8_t newer[4] = {2, 0, 0, 0};
    length = 4;
    EXPECT_EQ(rewrite(newer, &length, &Bracket, &seen), nullptr);
}

TEST_F(Units, TimerWithTemplateIntervalZeroNeverTicks) {
    EXPECT_EQ(forms::ReadUnitProperty(kFormId, kTimerId, 8, -1), 0);
    PumpFor(300);
    EXPECT_EQ(Ticks(1), 0);
    EXPECT_GT(Ticks(3), 0) << "the other timer, interval 30 in its template, runs";
}

TEST_F(Units, WritingTheSameIntervalAgainDoesNotRestartTheTimer) {
    // Rewriting 500 every 200 ms: a restart on each write would never let it tick.
    DWORD start = GetTickCount();
    while (GetTickCount() - start < 1600) {
        WriteInterval(500);
        PumpFor(200);
    }
    EXPECT_GE(Ticks(1), 1);
    EXPECT_EQ(forms::ReadUnitProperty(kFormId, kTimerId, 8, -1), 500);
}

TEST_F(Units, NegativeIntervalStoresZeroAndStops) {
    WriteInterval(20);
    ASSERT_TRUE(PumpUntil([&] { return Ticks(1) > 0; }, 3000));
    WriteInterval(-1);
    EXPECT_EQ(forms::ReadUnitProperty(kFormId, kTimerId, 8, -1), 0);
    PumpPending();
    Calls().clear();
    PumpFor(300);
    EXPECT_EQ(Ticks(1), 0);
}

TEST_F(Units, DestroyRaisesEventTwoOnce) {
    DestroyWindow(window_);
    EXPECT_EQ(Ticks(2), 1);
    EXPECT_FALSE(forms::AnyLoadedWindowExists());
}

}  // namespace
}  // namespace kv::test
