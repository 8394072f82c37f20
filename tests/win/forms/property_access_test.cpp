// Property access by (form, unit, property): common properties live and stored, clamps,
// logical and font conversions.
#include <gtest/gtest.h>

#include "forms/font_block.h"
#include "forms/form_registry.h"
#include "runtime/forms_link.h"
#include "tests/win/forms/test_forms.h"

namespace kv::test {
namespace {

constexpr uint32_t kButtonId = 0x16010001;

class Properties : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetHandlers();
        forms::WindowProperties p;
        p.title = "props";
        p.controlBox = 2;  // a logical stored as 2
        form_.units = {WindowEntry(p, 0), ButtonEntry(kButtonId, "b", {10, 10, 60, 24})};
        InstallForms({{kFormId, &form_}});
    }
    void TearDown() override { forms::DestroyLoadedWindows(); }
    int64_t Read(uint32_t unit, int32_t property, int32_t sub = -1) {
        return forms::ReadUnitProperty(kFormId, unit, property, sub);
    }
    void Write(uint32_t unit, int32_t property, int32_t value, int32_t sub = -1) {
        forms::WriteUnitProperty(kFormId, unit, property, sub, uint32_t(value), 0);
    }
    forms::FormTemplate form_;
};

TEST_F(Properties, PositionsAndSizesAreClampedWhenStored) {
    Write(kButtonId, 0, 40000);
    EXPECT_EQ(Read(kButtonId, 0), 32627);
    Write(kButtonId, 1, -40000);
    EXPECT_EQ(Read(kButtonId, 1), -32627);
    Write(kButtonId, 2, -5);
    EXPECT_EQ(Read(kButtonId, 2), 0);
    Write(kButtonId, 3, 99999);
    EXPECT_EQ(Read(kButtonId, 3), 32627);
}

TEST_F(Properties, LiveWritesMoveAndSizeTheUnitWindow) {
    ASSERT_TRUE(forms::LoadStartWindow(kFormId));
    EXPECT_EQ(Read(kButtonId, 5), 0) << "live: a unit of a hidden window is not visible";
    Write(0, 5, 1);
    Write(kButtonId, 0, 33);
    Write(kButtonId, 2, 70);
    HWND button = forms::UnitWindow(forms::Forms().Find(kFormId)->units[1].object);
    RECT r;
    GetWindowRect(button, &r);
    EXPECT_EQ(r.right - r.left, 70);
    EXPECT_EQ(Read(kButtonId, 0), 33);
    EXPECT_EQ(Read(kButtonId, 1), 10);
    EXPECT_EQ(Read(kButtonId, 2), 70);
    EXPECT_EQ(Read(kButtonId, 5), 1);
    Write(kButtonId, 6, 1);
    EXPECT_FALSE(IsWindowEnabled(button));
    EXPECT_EQ(Read(kButtonId, 6), 1);
    Write(kButtonId, 5, 0);
    EXPECT_FALSE(IsWindowVisible(button));
}

TEST_F(Properties, LogicalOwnPropertyAnsweredTwoReadsFalse) {
    ASSERT_TRUE(forms::LoadStartWindow(kFormId));
    EXPECT_EQ(Read(0, 15), 0);
    Write(0, 15, 5);
    EXPECT_EQ(Read(0, 15), 1) << "written as 1";
}

TEST_F(Properties, FontAngleIsStoredModulo3600) {
    ASSERT_TRUE(forms::LoadStartWindow(kFormId));
    Write(kButtonId, 13, -10, forms::fontpart::kAngle);
    EXPECT_EQ(Read(kButtonId, 13, forms::fontpart::kAngle), 3590);
    Write(kButtonId, 13, 1, forms::fontpart::kBold);
    EXPECT_EQ(Read(kButtonId, 13, forms::fontpart::kBold), 1);
    EXPECT_EQ(Read(kButtonId, 13, forms::fontpart::kAngle), 3590) << "other parts kept";
    auto* record = reinterpret_cast<forms::FontRecord*>(intptr_t(Read(kButtonId, 13)));
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->angle, 3590);
    EXPECT_EQ(record->bold, 1);
}

TEST_F(Properties, TagAndCursorAreKeptInTheEntry) {
    char tag[] = "标记";
    uintptr_t a = reinterpret_cast<uintptr_t>(tag);
    forms::WriteUnitProperty(kFormId, kButtonId, 4, -1, uint32_t(a), uint32_t(uint64_t(a) >> 32));
    auto* text = reinterpret_cast<char*>(intptr_t(Read(kButtonId, 4)));
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "标记");
    uint8_t cursor[12] = {1, 0, 0, 0, 4, 0, 0, 0, 3, 0, 0, 0};  // byte set holding index 3
    uintptr_t c = reinterpret_cast<uintptr_t>(cursor);
    forms::WriteUnitProperty(kFormId, kButtonId, 7, -1, uint32_t(c), uint32_t(uint64_t(c) >> 32));
    EXPECT_EQ(forms::Forms().Find(kFormId)->units[1].cursorBlock[0], 0x01);  // 32513 = 0x7F01
    EXPECT_EQ(forms::Forms().Find(kFormId)->units[1].cursorBlock[1], 0x7F);
    auto* read = reinterpret_cast<uint8_t*>(intptr_t(Read(kButtonId, 7)));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read[4], 4);
    EXPECT_EQ(read[8], 3) << "program code sees the table index";
}

}  // namespace
}  // namespace kv::test
