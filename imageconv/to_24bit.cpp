#include "imageconv/to_24bit.h"

#include <cstring>

namespace kv::imageconv {
namespace {

void PaletteRow(const uint8_t* in, uint8_t* out, int32_t width, const PaletteEntry* palette) {
    for (int32_t x = 0; x < width; ++x, out += 3) {
        const PaletteEntry& entry = palette[in[x]];
        out[0] = entry.red;
        out[1] = entry.green;
        out[2] = entry.blue;
    }
}

void GreyRow(const uint8_t* in, uint8_t* out, int32_t width) {
    for (int32_t x = 0; x < width; ++x, out += 3) out[0] = out[1] = out[2] = in[x];
}

void Word555Row(const uint8_t* in, uint8_t* out, int32_t width) {
    for (int32_t x = 0; x < width; ++x, in += 2, out += 3) {
        unsigned v = unsigned(in[0]) | (unsigned(in[1]) << 8);
        out[0] = uint8_t((v >> 8) & 0xF8);
        out[1] = uint8_t((v >> 3) & 0xF8);
        out[2] = uint8_t((v << 2) & 0xF8);
    }
}

void AlphaFirstRow(const uint8_t* in, uint8_t* out, int32_t width) {
    for (int32_t x = 0; x < width; ++x, in += 4, out += 3) {
        out[0] = in[1];
        out[1] = in[2];
        out[2] = in[3];
    }
}

}  // namespace

bool ConvertTo24Bit(const RasterImage& source, RasterImage* target) {
    if (source.empty() || target->empty() || target->bits() != 24) return false;
    if (source.width() != target->width() || source.height() != target->height()) return false;
    const int32_t width = source.width();
    // Entries beyond the palette count stay black, so every index byte has an entry.
    PaletteEntry palette[RasterImage::kMaxPalette] = {};
    memcpy(palette, source.palette(), sizeof(PaletteEntry) * size_t(source.paletteCount()));
    for (int32_t y = 0; y < source.height(); ++y) {
        const uint8_t* in = source.Row(y);
        uint8_t* out = target->Row(y);
        switch (source.bits()) {
            case 8:
                if (source.paletteCount() > 0) {
                    PaletteRow(in, out, width, palette);
                } else {
                    GreyRow(in, out, width);
                }
                break;
            case 16:
                Word555Row(in, out, width);
                break;
            case 24:
                memcpy(out, in, target->stride());
                break;
            case 32:
                AlphaFirstRow(in, out, width);
                break;
            default:
                return false;
        }
    }
    target->Flush();
    return true;
}

}  // namespace kv::imageconv
