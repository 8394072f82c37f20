// The program's own template block, read back as the kernel reads it at start-up.
#include "app/start_window.h"

#include <gtest/gtest.h>

#include "forms/font_block.h"
#include "forms/property_blocks.h"
#include "forms/template_reader.h"
#include "forms/unit_type.h"

namespace kv::forms {
namespace {

constexpr uintptr_t kCodeBase = 0x00401004;

// Handlers at fixed distances from the code base, as a program image would have them.
app::StartWindowHandlers Handlers() {
    auto at = [](uintptr_t offset) { return reinterpret_cast<const void*>(kCodeBase + offset); };
    return {at(0x100), at(0x200), at(0x300), at(0x400)};
}

class StartWindowBlock : public ::testing::Test {
  protected:
    void SetUp() override {
        block_ = app::BuildStartWindowBlock(kCodeBase, Handlers());
        ASSERT_TRUE(ReadTemplateBlock(block_.data(), uint32_t(block_.size()), kCodeBase, &map_));
        ASSERT_EQ(map_.Size(), 1u);
        form_ = map_.Find(app::kStartWindowFormId);
        ASSERT_NE(form_, nullptr);
        ASSERT_EQ(form_->units.size(), 3u);
    }
    std::vector<uint8_t> block_;
    FormMap map_;
    FormTemplate* form_ = nullptr;
};

TEST_F(StartWindowBlock, ListsWindowTimerButtonInThatOrder) {
    const auto& u = form_->units;
    EXPECT_EQ(u[0].id, 0x06010000u);
    EXPECT_EQ(u[0].type, unittype::kWindow);
    EXPECT_EQ(u[0].name, "");
    EXPECT_EQ(u[1].id, 0x16011A70u);
    EXPECT_EQ(u[1].type, unittype::kTimer);
    EXPECT_EQ(u[1].name, "时钟1");
    EXPECT_EQ(u[2].id, 0x16010002u);
    EXPECT_EQ(u[2].type, unittype::kButton);
    EXPECT_EQ(u[2].name, "按钮1");
    EXPECT_EQ(form_->word0, 0x0251C480u);
    EXPECT_EQ(form_->word1, 0x19010003u);
}

TEST_F(StartWindowBlock, KeepsPositionsStatesAndCommonFields) {
    struct Expected {
        int32_t left, top, width, height;
        uint32_t state;
    } expected[] = {{50, 50, 104, 41, 0}, {64, 8, 32, 24, 0}, {4, 4, 96, 32, 0x15}};
    for (size_t i = 0; i < 3; ++i) {
        const UnitEntry& u = form_->units[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(u.left, expected[i].left);
        EXPECT_EQ(u.top, expected[i].top);
        EXPECT_EQ(u.width, expected[i].width);
        EXPECT_EQ(u.height, expected[i].height);
        EXPECT_EQ(u.state, expected[i].state);
        EXPECT_EQ(u.tag, "");
        EXPECT_EQ(u.container, 0u);
        EXPECT_TRUE(u.pages.empty());
        EXPECT_EQ(u.cursorBlock, (std::vector<uint8_t>{0, 0, 0, 0}));
        EXPECT_EQ(u.object, nullptr);
        EXPECT_EQ(u.eventOwner, 0u);
    }
}

TEST_F(StartWindowBlock, BindsTheFourHandlersRelocated) {
    const auto& u = form_->units;
    ASSERT_EQ(u[0].bindings.size(), 2u);
    EXPECT_EQ(u[0].bindings[0].event, 0);
    EXPECT_EQ(u[0].bindings[0].handler, kCodeBase + 0x100);
    EXPECT_EQ(u[0].bindings[1].event, 2);
    EXPECT_EQ(u[0].bindings[1].handler, kCodeBase + 0x200);
    ASSERT_EQ(u[2].bindings.size(), 1u);
    EXPECT_EQ(u[2].bindings[0].event, 0);
    EXPECT_EQ(u[2].bindings[0].handler, kCodeBase + 0x300);
    ASSERT_EQ(u[1].bindings.size(), 1u);
    EXPECT_EQ(u[1].bindings[0].handler, kCodeBase + 0x400);
}

TEST_F(StartWindowBlock, WindowPropertiesAreTheHiddenBorderlessRedWindow) {
    WindowProperties p;
    ASSERT_TRUE(p.Load(form_->units[0].typeData.data(), form_->units[0].typeData.size()));
    EXPECT_EQ(p.title, "Tavi照片查看器");
    EXPECT_EQ(p.border, 0);
    EXPECT_EQ(p.backColor, 0x000000FFu);
    EXPECT_EQ(p.position, 1);
    EXPECT_EQ(p.escCloses, 1);
    EXPECT_EQ(p.maxButton, 1);
    EXPECT_EQ(p.moveByAnyPoint, 1);
    EXPECT_EQ(p.showInTaskbar, 1);
    EXPECT_EQ(p.className, "");
    EXPECT_EQ(form_->units[0].typeData[0], 6) << "window block version";
}

TEST_F(StartWindowBlock, TimerHasNoTypeDataSoItsIntervalIsZero) {
    EXPECT_TRUE(form_->units[1].typeData.empty());
    TimerProperties p;
    EXPECT_TRUE(p.Load(nullptr, 0));
    EXPECT_EQ(p.interval, 0);
}

TEST_F(StartWindowBlock, ButtonCarriesCaptionAndBoldFont) {
    ButtonProperties p;
    ASSERT_TRUE(p.Load(form_->units[2].typeData.data(), form_->units[2].typeData.size()));
    EXPECT_EQ(p.caption, "修复");
    EXPECT_EQ(p.type, 0);
    EXPECT_EQ(p.horizontalAlign, 1);
    EXPECT_EQ(p.verticalAlign, 1);
    FontBlock font;
    ASSERT_TRUE(FontFromBytes(p.font, &font));
    EXPECT_EQ(font.height, -12);
    EXPECT_EQ(font.weight, 700);
    EXPECT_EQ(font.charSet, 134);
    EXPECT_EQ(FaceName(font), "");
}

TEST(StartWindowHandlers, NullHandlerIsStoredAsNoneAndReadsAsNoHandler) {
    app::StartWindowHandlers handlers;  // all null
    auto block = app::BuildStartWindowBlock(kCodeBase, handlers);
    FormMap map;
    ASSERT_TRUE(ReadTemplateBlock(block.data(), uint32_t(block.size()), kCodeBase, &map));
    for (const auto& unit : map.At(0)->units) {
        for (const auto& binding : unit.bindings) EXPECT_EQ(binding.handler, 0u);
    }
}

TEST(StartWindowHandlers, HandlerBeforeTheCodeBaseStillRelocates) {
    app::StartWindowHandlers handlers;
    handlers.onHostTimerTick = reinterpret_cast<const void*>(kCodeBase - 0x10);
    auto block = app::BuildStartWindowBlock(kCodeBase, handlers);
    FormMap map;
    ASSERT_TRUE(ReadTemplateBlock(block.data(), uint32_t(block.size()), kCodeBase, &map));
    EXPECT_EQ(map.At(0)->units[1].bindings[0].handler, kCodeBase - 0x10);
}

}  // namespace
}  // namespace kv::forms
