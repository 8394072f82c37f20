// The 60-byte font block (the LOGFONTA layout) that font properties carry, and the font
// sub-properties program code reads and writes: angle, bold, italic, strike-out, underline,
// size in points and face name.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kv::forms {

#pragma pack(push, 1)
struct FontBlock {
    int32_t height = 0;
    int32_t width = 0;
    int32_t escapement = 0;
    int32_t orientation = 0;
    int32_t weight = 0;
    uint8_t italic = 0;
    uint8_t underline = 0;
    uint8_t strikeOut = 0;
    uint8_t charSet = 0;
    uint8_t outPrecision = 0;
    uint8_t clipPrecision = 0;
    uint8_t quality = 0;
    uint8_t pitchAndFamily = 0;
    char faceName[32] = {};
};
#pragma pack(pop)
static_assert(sizeof(FontBlock) == 60, "a font block is a 60-byte LOGFONTA");

namespace fontpart {
constexpr int32_t kWhole = -1;
constexpr int32_t kAngle = 0;
constexpr int32_t kBold = 1;
constexpr int32_t kItalic = 2;
constexpr int32_t kStrikeOut = 3;
constexpr int32_t kUnderline = 4;
constexpr int32_t kSize = 5;
constexpr int32_t kFaceName = 6;
}  // namespace fontpart

// The face name used when a written one is unusable.
extern const char kDefaultFaceName[];

// The whole font as program code sees it (sub-property -1).
struct FontRecord {
    int32_t angle;
    int32_t bold;
    int32_t italic;
    int32_t strikeOut;
    int32_t underline;
    int32_t size;
    char* faceName;
};

// Angle in tenths of a degree, brought into 0..3599.
int32_t NormalizeAngle(int32_t angle);
// Points <-> font height for a screen of `dpi` pixels per logical inch.
int32_t PointsFromHeight(int32_t height, int32_t dpi);
int32_t HeightFromPoints(int32_t points, int32_t dpi);

// One numeric sub-property (angle, bold, italic, strike-out, underline, size).
int32_t ReadFontPart(const FontBlock& font, int32_t part, int32_t dpi);
void WriteFontPart(FontBlock* font, int32_t part, int32_t value, int32_t dpi);
// Stores `name` as the face name as it is, cut to 31 bytes.
void CopyFaceName(FontBlock* font, const char* name);
// The face name write rule: 1-31 bytes are kept, anything else becomes the default face.
void WriteFaceName(FontBlock* font, const char* name);
// Applies a whole-font record: a null or over-long (above 30 bytes) face name becomes the
// default face, an empty one is kept.
void ApplyFontRecord(FontBlock* font, const FontRecord& record, int32_t dpi);

// The face name, up to its first NUL.
std::string FaceName(const FontBlock& font);

// Block <-> bytes; a block of any length but 60 is "no font".
bool FontFromBytes(const std::vector<uint8_t>& bytes, FontBlock* font);
std::vector<uint8_t> FontToBytes(const FontBlock& font);

}  // namespace kv::forms
