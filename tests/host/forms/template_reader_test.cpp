// Reading template blocks: round trips through the writer, damaged and empty blocks, the
// lookup rules of the form map.
#include "forms/template_reader.h"

#include <gtest/gtest.h>

#include "forms/template_writer.h"

namespace kv::forms {
namespace {

constexpr uintptr_t kCodeBase = 0x10000;

UnitEntry Unit(uint32_t id, uint32_t type) {
    UnitEntry u;
    u.id = id;
    u.type = type;
    return u;
}

FormTemplate TwoUnitForm() {
    FormTemplate form;
    form.text0 = "first";
    form.text1 = "second";
    UnitEntry window = Unit(0x06010000, 0x00010001);
    window.bindings = {{0, 0x20}, {1, kNoHandlerWord}, {-7, 0}};
    UnitEntry child = Unit(0x16010005, 0x0001000B);
    child.name = "名字";
    child.secondText = "x";
    child.eventOwner = 0x16010006;
    child.pages = {1, 0, 3};
    child.cursorBlock = {0xFF, 0xFF, 0xFF, 0xFF, 1, 2, 3};
    child.tag = "标签";
    child.state = 0x7;
    child.reserved14 = 9;
    child.typeData = {1, 2, 3, 4, 5};
    form.units = {window, child};
    return form;
}

std::vector<uint8_t> Block(const FormTemplate& form, uint32_t formId = 0x52010001) {
    return WriteTemplateBlock({{formId, &form}});
}

TEST(TemplateReader, RoundTripsEveryField) {
    FormTemplate form = TwoUnitForm();
    auto block = Block(form);
    FormMap map;
    ASSERT_TRUE(ReadTemplateBlock(block.data(), uint32_t(block.size()), kCodeBase, &map));
    FormTemplate* read = map.Find(0x52010001);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->text0, "first");
    EXPECT_EQ(read->text1, "second");
    const UnitEntry& c = read->units[1];
    EXPECT_EQ(c.id, 0x16010005u);
    EXPECT_EQ(c.name, "名字");
    EXPECT_EQ(c.secondText, "x");
    EXPECT_EQ(c.eventOwner, 0x16010006u);
    EXPECT_EQ(c.pages, (std::vector<uint32_t>{1, 0, 3}));
    EXPECT_EQ(c.cursorBlock, (std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF, 1, 2, 3}));
    EXPECT_EQ(c.tag, "标签");
    EXPECT_EQ(c.state, 7u);
    EXPECT_EQ(c.reserved14, 9u);
    EXPECT_EQ(c.typeData, (std::vector<uint8_t>{1, 2, 3, 4, 5}));
}

TEST(TemplateReader, RelocatesHandlersAndTurnsMinusOneIntoNone) {
    FormTemplate form = TwoUnitForm();
    auto block = Block(form);
    FormMap map;
    ASSERT_TRUE(ReadTemplateBlock(block.data(), uint32_t(block.size()), kCodeBase, &map));
    const auto& b = map.At(0)->units[0].bindings;
    ASSERT_EQ(b.size(), 3u);
    EXPECT_EQ(b[0].handler, kCodeBase + 0x20);
    EXPECT_EQ(b[1].handler, 0u);
    EXPECT_EQ(b[2].event, -7);
    EXPECT_EQ(b[2].handler, kCodeBase) << "only -1 means none";
}

TEST(TemplateReader, ReadsMenuItemEntriesWithTheirSingleHandler) {
    FormTemplate form = TwoUnitForm();
    UnitEntry item = Unit(0x26010007, kMenuItemType);
    item.caption = "文件";
    item.state = 5;
    item.menuHandler = 0x44;
    form.units.push_back(item);
    auto block = Block(form);
    FormMap map;
    ASSERT_TRUE(ReadTemplateBlock(block.data(), uint32_t(block.size()), kCodeBase, &map));
    const UnitEntry& m = map.At(0)->units[2];
    EXPECT_TRUE(m.IsMenuItem());
    EXPECT_EQ(m.caption, "文件");
    EXPECT_EQ(m.state, 5u);
    EXPECT_EQ(m.menuHandler, kCodeBase + 0x44);
}

TEST(TemplateReader, EmptyBlockGivesAnEmptyMap) {
    FormMap map;
    EXPECT_TRUE(ReadTemplateBlock(nullptr, 0, kCodeBase, &map));
    EXPECT_EQ(map.Size(), 0u);
    EXPECT_EQ(map.Find(0x52010001), nullptr);
}

TEST(TemplateReader, EveryTruncationIsRefusedAndLeavesTheMapAlone) {
    FormTemplate form = TwoUnitForm();
    auto block = Block(form);
    for (size_t length = 1; length < block.size(); ++length) {
        FormMap map;
        EXPECT_FALSE(ReadTemplateBlock(block.data(), uint32_t(length), kCodeBase, &map))
            << "length " << length;
        EXPECT_EQ(map.Size(), 0u);
    }
}

TEST(TemplateReader, RefusesLengthsThatRunPastTheirContainer) {
    FormTemplate form = TwoUnitForm();
    const auto good = Block(form);
    auto setWord = [](std::vector<uint8_t> b, size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
        return b;
    };
    // Form map length not a multiple of 8, and far too long.
    std::vector<std::vector<uint8_t>> damaged = {setWord(good, 0, 7), setWord(good, 0, 0x7FFFFFF8)};
    // Unit count larger than the list can hold (the template starts at 12: two words, two
    // 4-byte text lengths plus "first" and "second").
    size_t unitCountAt = 12 + 8 + 4 + 5 + 4 + 6;
    damaged.push_back(setWord(good, unitCountAt, 0x10000));
    damaged.push_back(setWord(good, unitCountAt + 4, 0xFFFFFFF0));
    // An entry offset beyond the list.
    damaged.push_back(setWord(good, unitCountAt + 8 + 2 * 4 + 4, 0x1000));
    for (size_t i = 0; i < damaged.size(); ++i) {
        FormMap map;
        EXPECT_FALSE(
            ReadTemplateBlock(damaged[i].data(), uint32_t(damaged[i].size()), kCodeBase, &map))
            << "case " << i;
    }
    FormMap map;
    EXPECT_TRUE(ReadTemplateBlock(good.data(), uint32_t(good.size()), kCodeBase, &map));
}

TEST(FormMap, FindsTemplatesByIdAndRefusesInvalidIds) {
    FormTemplate a = TwoUnitForm(), b = TwoUnitForm();
    auto block = WriteTemplateBlock({{0x52010001, &a}, {0x52010002, &b}});
    FormMap map;
    ASSERT_TRUE(ReadTemplateBlock(block.data(), uint32_t(block.size()), kCodeBase, &map));
    ASSERT_EQ(map.Size(), 2u);
    EXPECT_EQ(map.Find(0x52010001), map.At(0));
    EXPECT_EQ(map.Find(0x52010002), map.At(1));
    EXPECT_EQ(map.IdOf(map.At(1)), 0x52010002u);
    EXPECT_EQ(map.Find(0x52010003), nullptr);
    EXPECT_EQ(map.Find(0x50000001), nullptr) << "bits 24-27 zero";
    EXPECT_EQ(map.Find(0x52000000), nullptr) << "low 24 bits zero";
}

TEST(FormMap, UnitLookupTakesTheWindowForZeroAndNeverReadsOutside) {
    FormTemplate form = TwoUnitForm();
    EXPECT_EQ(UnitIndex(form, 0), 0);
    EXPECT_EQ(UnitIndex(form, 0x16010005), 1);
    EXPECT_EQ(UnitIndex(form, 0x16010099), -1);
    EXPECT_EQ(FindUnit(form, 0x16010099), nullptr);
    FormTemplate empty;
    EXPECT_EQ(FindUnit(empty, 0), nullptr);
}

TEST(UnitIds, ValidityAndMenuItems) {
    EXPECT_TRUE(IsValidUnitId(0x06010000));
    EXPECT_TRUE(IsValidUnitId(0x16011A70));
    EXPECT_FALSE(IsValidUnitId(0x00010000));
    EXPECT_FALSE(IsValidUnitId(0x06000000));
    EXPECT_TRUE(IsMenuItemId(0x26010001));
    EXPECT_FALSE(IsMenuItemId(0x16010001));
    EXPECT_FALSE(IsMenuItemId(0x25010001));
}

}  // namespace
}  // namespace kv::forms
