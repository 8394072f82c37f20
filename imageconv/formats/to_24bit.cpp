#include "imageconv/formats/to_24bit.h"

#include <cstring>

#include "imageconv/formats/byte_order.h"
#include "imageconv/memory/row_bands.h"

namespace kv::imageconv {
namespace {

// 8-bit and 32-bit rows are expanded with one 4-byte store per pixel, each overlapping the
// next pixel's first byte; the last pixel gets exactly three bytes, so nothing is written
// past the row.

// Index or grey level → red, green, blue through a table of 256 words.
void TableRow(const uint8_t* in, uint8_t* out, int32_t width, const uint32_t* table) {
    for (int32_t x = 0; x + 1 < width; ++x, out += 3) memcpy(out, &table[in[x]], 4);
    memcpy(out, &table[in[width - 1]], 3);
}

void Word555Row(const uint8_t* in, uint8_t* out, int32_t width) {
    for (int32_t x = 0; x < width; ++x, in += 2, out += 3) {
        unsigned v = unsigned(in[0]) | (unsigned(in[1]) << 8);
        out[0] = uint8_t((v >> 8) & 0xF8);
        out[1] = uint8_t((v >> 3) & 0xF8);
        out[2] = uint8_t((v << 2) & 0xF8);
    }
}

}  // namespace

void PackColourBytes(const uint8_t* in, uint8_t* out, int32_t width, int firstColourByte) {
    uint32_t pixel = 0;
    for (int32_t x = 0; x + 1 < width; ++x, in += 4, out += 3) {
        memcpy(&pixel, in, 4);
        pixel >>= 8 * firstColourByte;
        memcpy(out, &pixel, 4);
    }
    memcpy(out, in + firstColourByte, 3);
}

bool ConvertTo24Bit(const RasterImage& source, RasterImage* target) {
    if (source.empty() || target->empty() || target->bits() != 24) return false;
    if (source.width() != target->width() || source.height() != target->height()) return false;
    const int32_t width = source.width();
    // Entries beyond the palette count stay black, so every index byte has an entry.
    uint32_t table[RasterImage::kMaxPalette] = {};
    for (int i = 0; i < RasterImage::kMaxPalette; ++i) {
        if (source.paletteCount() == 0) {
            table[i] = uint32_t(i) * 0x010101u;
        } else if (i < source.paletteCount()) {
            const PaletteEntry& entry = source.palette()[i];
            table[i] = entry.red | uint32_t(entry.green) << 8 | uint32_t(entry.blue) << 16;
        }
    }
    const int bits = source.bits();
    if (bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
    // Rows are independent: bands of them are converted side by side.
    ForEachRowBand(source.height(), width, [&](int32_t first, int32_t count) {
        for (int32_t y = first; y < first + count; ++y) {
            const uint8_t* in = source.Row(y);
            uint8_t* out = target->Row(y);
            if (bits == 8) {
                TableRow(in, out, width, table);
            } else if (bits == 16) {
                Word555Row(in, out, width);
            } else if (bits == 24) {
                memcpy(out, in, target->stride());
            } else {
                PackColourBytes(in, out, width, 1);  // alpha comes first
            }
        }
    });
    target->Flush();
    return true;
}

}  // namespace kv::imageconv
