// Value rules shared by the unit types: fonts, cursors, key values and clamps.
#include <gtest/gtest.h>

#include <cstring>

#include "forms/cursor_table.h"
#include "forms/font_block.h"
#include "forms/key_translation.h"
#include "forms/property_clamps.h"

namespace kv::forms {
namespace {

TEST(FontParts, AngleIsWrittenModulo3600IntoEscapementAndOrientation) {
    FontBlock f;
    WriteFontPart(&f, fontpart::kAngle, -10, 96);
    EXPECT_EQ(f.escapement, 3590);
    EXPECT_EQ(f.orientation, 3590);
    EXPECT_EQ(ReadFontPart(f, fontpart::kAngle, 96), 3590);
    WriteFontPart(&f, fontpart::kAngle, 7205, 96);
    EXPECT_EQ(ReadFontPart(f, fontpart::kAngle, 96), 5);
}

TEST(FontParts, BoldFlagsAndSize) {
    FontBlock f;
    f.weight = 800;
    EXPECT_EQ(ReadFontPart(f, fontpart::kBold, 96), 1);
    WriteFontPart(&f, fontpart::kBold, 0, 96);
    EXPECT_EQ(f.weight, 0);
    WriteFontPart(&f, fontpart::kBold, 5, 96);
    EXPECT_EQ(f.weight, 700);
    WriteFontPart(&f, fontpart::kItalic, 3, 96);
    EXPECT_EQ(f.italic, 1);
    WriteFontPart(&f, fontpart::kSize, 9, 96);
    EXPECT_EQ(f.height, -12);
    WriteFontPart(&f, fontpart::kSize, -9, 96);
    EXPECT_EQ(f.height, -12) << "size is taken as its magnitude";
    f.height = -12;
    EXPECT_EQ(ReadFontPart(f, fontpart::kSize, 96), 9);
    EXPECT_EQ(ReadFontPart(f, fontpart::kSize, 120), 7);
}

TEST(FontParts, FaceNameRules) {
    FontBlock f;
    WriteFaceName(&f, "Arial");
    EXPECT_EQ(FaceName(f), "Arial");
    WriteFaceName(&f, "");
    EXPECT_EQ(FaceName(f), kDefaultFaceName);
    WriteFaceName(&f, std::string(32, 'a').c_str());
    EXPECT_EQ(FaceName(f), kDefaultFaceName);
    WriteFaceName(&f, std::string(31, 'a').c_str());
    EXPECT_EQ(FaceName(f), std::string(31, 'a'));
}

TEST(FontParts, WholeRecordKeepsAnEmptyFaceButReplacesNullAndLongOnes) {
    FontBlock f;
    char empty[] = "";
    FontRecord r{-10, 1, 0, 1, 0, 9, empty};
    ApplyFontRecord(&f, r, 96);
    EXPECT_EQ(f.orientation, 3590);
    EXPECT_EQ(f.weight, 700);
    EXPECT_EQ(f.strikeOut, 1);
    EXPECT_EQ(f.height, -12);
    EXPECT_EQ(FaceName(f), "");
    r.faceName = nullptr;
    ApplyFontRecord(&f, r, 96);
    EXPECT_EQ(FaceName(f), kDefaultFaceName);
    std::string longName(31, 'b');
    r.faceName = longName.data();
    ApplyFontRecord(&f, r, 96);
    EXPECT_EQ(FaceName(f), kDefaultFaceName);
}

TEST(FontParts, FaceNameEndsAtItsFirstNul) {
    FontBlock f;
    std::memcpy(f.faceName, "\0imSun", 6);
    EXPECT_EQ(FaceName(f), "");
    std::vector<uint8_t> bytes = FontToBytes(f);
    FontBlock g;
    EXPECT_TRUE(FontFromBytes(bytes, &g));
    EXPECT_FALSE(FontFromBytes(std::vector<uint8_t>(59), &g));
}

TEST(CursorTable, NumbersAndConversions) {
    EXPECT_EQ(CursorNumber({}), 0);
    EXPECT_EQ(CursorNumber({3}), 3);
    EXPECT_EQ(CursorNumber({0xFF, 0xFF, 0xFF, 0xFF, 9}), -1);
    std::vector<uint8_t> b = {14, 0, 0, 0};
    CursorIndexToStored(&b);
    EXPECT_EQ(CursorNumber(b), 32649);
    CursorStoredToIndex(&b);
    EXPECT_EQ(CursorNumber(b), 14);
    std::vector<uint8_t> other = {20, 0, 0, 0};
    CursorIndexToStored(&other);
    EXPECT_EQ(CursorNumber(other), 20) << "outside the table: unchanged";
    std::vector<uint8_t> zero = {0, 0, 0, 0};
    CursorStoredToIndex(&zero);
    EXPECT_EQ(CursorNumber(zero), 0);
    std::vector<uint8_t> arrow = {0x00, 0x7F, 0, 0};  // 32512
    CursorStoredToIndex(&arrow);
    EXPECT_EQ(CursorNumber(arrow), 1);
}

TEST(KeyTranslation, KeypadFoldsOntoMainKeys) {
    EXPECT_EQ(TranslateKey(0x60, {}), 0x30);
    EXPECT_EQ(TranslateKey(0x69, {}), 0x39);
    EXPECT_EQ(TranslateKey(0x6D, {}), 189);
    EXPECT_EQ(TranslateKey(0x6E, {}), 190);
    EXPECT_EQ(TranslateKey(0x6F, {}), 191);
    EXPECT_EQ(TranslateKey(0x6A, {}), 0x6A) << "keypad multiply stays";
    EXPECT_EQ(TranslateKey(0x1241, {}), 0x41) << "only the low byte counts";
}

TEST(KeyTranslation, ModifiersAddBitsExceptOnThemselves) {
    uint16_t v = TranslateKey('A', {true, true, true});
    EXPECT_EQ(v, 'A' + 0x2000 + 0x4000 + 0x8000);
    EXPECT_EQ(KeyCode(v), 'A');
    EXPECT_EQ(ShiftState(v), 7);
    EXPECT_EQ(TranslateKey(17, {true, false, false}), 17);
    EXPECT_EQ(TranslateKey(16, {false, true, false}), 16);
    EXPECT_EQ(TranslateKey(18, {false, false, true}), 18);
    EXPECT_EQ(ShiftState(TranslateKey(16, {true, true, false})), 1);
    EXPECT_EQ(ShiftState(TranslateKey(0x61, {false, true, false})), 2);
    EXPECT_EQ(KeyCode(TranslateKey(0x61, {false, true, false})), 0x31);
}

TEST(Clamps, PositionsAndExtents) {
    EXPECT_EQ(ClampPosition(40000), 32627);
    EXPECT_EQ(ClampPosition(-40000), -32627);
    EXPECT_EQ(ClampPosition(12), 12);
    EXPECT_EQ(ClampExtent(-5), 0);
    EXPECT_EQ(ClampExtent(40000), 32627);
    EXPECT_EQ(ClampRange(5, 0, 1), 1);
    EXPECT_EQ(ClampRange(-3, 0, 2), 0);
}

}  // namespace
}  // namespace kv::forms
