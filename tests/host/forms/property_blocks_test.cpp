// The window, button and timer property blocks: defaults, versions, round trips.
#include "forms/property_blocks.h"

#include <gtest/gtest.h>

namespace kv::forms {
namespace {

std::vector<uint8_t> Words(std::initializer_list<uint32_t> words) {
    std::vector<uint8_t> b;
    for (uint32_t w : words) {
        for (int i = 0; i < 4; ++i) b.push_back(uint8_t(w >> (8 * i)));
    }
    return b;
}

TEST(WindowProperties, EmptyBlockGivesTheDefaults) {
    WindowProperties p;
    ASSERT_TRUE(p.Load(nullptr, 0));
    EXPECT_EQ(p.border, 2);
    EXPECT_EQ(p.backColor, kSystemButtonFace);
    EXPECT_EQ(p.position, 1);
    EXPECT_EQ(p.escCloses, 1);
    EXPECT_EQ(p.showInTaskbar, 1);
    EXPECT_EQ(p.title, "");
}

TEST(WindowProperties, VersionZeroBlockKeepsDefaultsOfLaterFields) {
    // version 0, the 13 words, three empty byte blocks, title "T", empty help file.
    auto b = Words({0, 1, 0, 0x00FF00, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1});
    b.push_back('T');
    auto tail = Words({0});
    b.insert(b.end(), tail.begin(), tail.end());
    WindowProperties p;
    ASSERT_TRUE(p.Load(b.data(), b.size()));
    EXPECT_EQ(p.border, 1);
    EXPECT_EQ(p.backColor, 0x00FF00u);
    EXPECT_EQ(p.position, 0);
    EXPECT_EQ(p.title, "T");
    EXPECT_EQ(p.showInTaskbar, 1) << "not in a version 0 block";
    EXPECT_EQ(p.alwaysOnTop, 0);
}

TEST(WindowProperties, RoundTripsEveryFieldAndRefusesNewerVersions) {
    WindowProperties p;
    p.border = 5;
    p.alwaysOnTop = 1;
    p.property30 = 1;
    p.className = "MyClass";
    p.icon = {1, 2};
    p.title = "标题";
    p.helpFile = "a.hlp";
    auto b = p.Store();
    WindowProperties q;
    ASSERT_TRUE(q.Load(b.data(), b.size()));
    EXPECT_EQ(q.border, 5);
    EXPECT_EQ(q.alwaysOnTop, 1);
    EXPECT_EQ(q.property30, 1);
    EXPECT_EQ(q.className, "MyClass");
    EXPECT_EQ(q.icon, (std::vector<uint8_t>{1, 2}));
    EXPECT_EQ(q.title, "标题");
    EXPECT_EQ(q.helpFile, "a.hlp");
    b[0] = 7;
    EXPECT_FALSE(q.Load(b.data(), b.size()));
    EXPECT_FALSE(q.Load(b.data(), 10)) << "ends early";
}

TEST(ButtonProperties, DefaultsVersionsAndRoundTrip) {
    ButtonProperties p;
    ASSERT_TRUE(p.Load(nullptr, 0));
    EXPECT_EQ(p.caption, "按钮");
    EXPECT_EQ(p.horizontalAlign, 1);
    p.caption = "修复";
    p.type = 1;
    p.font.assign(60, 7);
    auto b = p.Store();
    ButtonProperties q;
    ASSERT_TRUE(q.Load(b.data(), b.size()));
    EXPECT_EQ(q.caption, "修复");
    EXPECT_EQ(q.type, 1);
    EXPECT_EQ(q.font.size(), 60u);
    b[0] = 2;
    EXPECT_FALSE(q.Load(b.data(), b.size()));
}

TEST(TimerProperties, IntervalAndVersions) {
    TimerProperties p;
    auto b = Words({1, 500});
    ASSERT_TRUE(p.Load(b.data(), b.size()));
    EXPECT_EQ(p.interval, 500);
    EXPECT_EQ(p.Store(), b);
    auto newer = Words({2, 500});
    EXPECT_FALSE(p.Load(newer.data(), newer.size()));
}

}  // namespace
}  // namespace kv::forms
