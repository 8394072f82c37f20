#include "forms/font_block.h"

#include <cstdlib>
#include <cstring>

namespace kv::forms {

const char kDefaultFaceName[] = "宋体";

namespace {
// a * b / c rounded to nearest, for the non-negative sizes and positive resolutions here.
int32_t ScaleRounded(int32_t a, int32_t b, int32_t c) {
    if (c <= 0) return 0;
    return int32_t((int64_t(a) * b + c / 2) / c);
}
}  // namespace

int32_t NormalizeAngle(int32_t angle) {
    int32_t r = angle % 3600;
    return r < 0 ? r + 3600 : r;
}

int32_t PointsFromHeight(int32_t height, int32_t dpi) {
    return ScaleRounded(std::abs(height), 72, dpi);
}

int32_t HeightFromPoints(int32_t points, int32_t dpi) {
    return -ScaleRounded(std::abs(points), dpi, 72);
}

int32_t ReadFontPart(const FontBlock& font, int32_t part, int32_t dpi) {
    switch (part) {
        case fontpart::kAngle:
            return font.orientation;
        case fontpart::kBold:
            return font.weight >= 700 ? 1 : 0;
        case fontpart::kItalic:
            return font.italic ? 1 : 0;
        case fontpart::kStrikeOut:
            return font.strikeOut ? 1 : 0;
        case fontpart::kUnderline:
            return font.underline ? 1 : 0;
        case fontpart::kSize:
            return PointsFromHeight(font.height, dpi);
        default:
            return 0;
    }
}

void WriteFontPart(FontBlock* font, int32_t part, int32_t value, int32_t dpi) {
    switch (part) {
        case fontpart::kAngle:
            font->escapement = font->orientation = NormalizeAngle(value);
            break;
        case fontpart::kBold:
            font->weight = value ? 700 : 0;
            break;
        case fontpart::kItalic:
            font->italic = value ? 1 : 0;
            break;
        case fontpart::kStrikeOut:
            font->strikeOut = value ? 1 : 0;
            break;
        case fontpart::kUnderline:
            font->underline = value ? 1 : 0;
            break;
        case fontpart::kSize:
            font->height = HeightFromPoints(value, dpi);
            break;
        default:
            break;
    }
}

void CopyFaceName(FontBlock* font, const char* name) {
    std::memset(font->faceName, 0, sizeof font->faceName);
    std::strncpy(font->faceName, name, sizeof font->faceName - 1);
}

void WriteFaceName(FontBlock* font, const char* name) {
    size_t length = name ? std::strlen(name) : 0;
    CopyFaceName(font, length >= 1 && length <= 31 ? name : kDefaultFaceName);
}

void ApplyFontRecord(FontBlock* font, const FontRecord& record, int32_t dpi) {
    WriteFontPart(font, fontpart::kAngle, record.angle, dpi);
    WriteFontPart(font, fontpart::kBold, record.bold, dpi);
    WriteFontPart(font, fontpart::kItalic, record.italic, dpi);
    WriteFontPart(font, fontpart::kStrikeOut, record.strikeOut, dpi);
    WriteFontPart(font, fontpart::kUnderline, record.underline, dpi);
    WriteFontPart(font, fontpart::kSize, record.size, dpi);
    bool usable = record.faceName && std::strlen(record.faceName) <= 30;
    CopyFaceName(font, usable ? record.faceName : kDefaultFaceName);
}

std::string FaceName(const FontBlock& font) {
    return std::string(font.faceName, strnlen(font.faceName, sizeof font.faceName));
}

bool FontFromBytes(const std::vector<uint8_t>& bytes, FontBlock* font) {
    if (bytes.size() != sizeof(FontBlock)) return false;
    std::memcpy(font, bytes.data(), sizeof(FontBlock));
    return true;
}

std::vector<uint8_t> FontToBytes(const FontBlock& font) {
    const auto* p = reinterpret_cast<const uint8_t*>(&font);
    return std::vector<uint8_t>(p, p + sizeof font);
}

}  // namespace kv::forms
