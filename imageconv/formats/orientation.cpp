#include "imageconv/formats/orientation.h"

#include <cstring>

#include "imageconv/formats/byte_order.h"

namespace kv::imageconv {
namespace {
constexpr uint8_t kExifHeader[6] = {'E', 'x', 'i', 'f', 0, 0};
constexpr uint16_t kOrientationTag = 0x0112;
constexpr uint16_t kShortType = 3;
constexpr size_t kEntryBytes = 12;

// The TIFF structure's own byte order ("II" little-endian, "MM" big-endian).
struct TiffBytes {
    const uint8_t* data;
    size_t size;
    bool bigEndian;

    uint16_t U16(size_t at) const { return bigEndian ? Be16(data + at) : Le16(data + at); }
    uint32_t U32(size_t at) const {
        return bigEndian ? uint32_t(U16(at)) << 16 | U16(at + 2)
                         : uint32_t(U16(at + 2)) << 16 | U16(at);
    }
};

// Where a displayed pixel comes from: columns and rows exchanged (5–8), then the stored
// column counted from the right and the stored row from the bottom. Index = orientation.
struct Mapping {
    bool exchange, fromRight, fromBottom;
};
constexpr Mapping kMappings[9] = {
    {false, false, false}, {false, false, false}, {false, true, false},
    {false, true, true},   {false, false, true},  {true, false, false},
    {true, false, true},   {true, true, true},    {true, true, false},
};

template <size_t kPixelBytes>
void Rearrange(const RasterImage& stored, const Mapping& mapping, RasterImage* target) {
    const int32_t lastColumn = stored.width() - 1;
    const int32_t lastRow = stored.height() - 1;
    for (int32_t y = 0; y < target->height(); ++y) {
        uint8_t* out = target->Row(y);
        for (int32_t x = 0; x < target->width(); ++x, out += kPixelBytes) {
            int32_t column = mapping.exchange ? y : x;
            int32_t row = mapping.exchange ? x : y;
            if (mapping.fromRight) column = lastColumn - column;
            if (mapping.fromBottom) row = lastRow - row;
            memcpy(out, stored.Row(row) + size_t(column) * kPixelBytes, kPixelBytes);
        }
    }
}
}  // namespace

int ExifOrientation(const uint8_t* app1, size_t size) {
    if (size < sizeof kExifHeader + 8 || memcmp(app1, kExifHeader, sizeof kExifHeader) != 0) {
        return 1;
    }
    const uint8_t* tiff = app1 + sizeof kExifHeader;
    TiffBytes bytes{tiff, size - sizeof kExifHeader, tiff[0] == 'M'};
    if (memcmp(tiff, "II", 2) != 0 && memcmp(tiff, "MM", 2) != 0) return 1;
    if (bytes.U16(2) != 42) return 1;
    const uint32_t directory = bytes.U32(4);
    if (directory > bytes.size - 2) return 1;
    const size_t entries = bytes.U16(directory);
    for (size_t i = 0; i < entries; ++i) {
        const size_t entry = directory + 2 + i * kEntryBytes;
        if (entry + kEntryBytes > bytes.size) return 1;
        if (bytes.U16(entry) != kOrientationTag) continue;
        if (bytes.U16(entry + 2) != kShortType || bytes.U32(entry + 4) != 1) return 1;
        const uint16_t value = bytes.U16(entry + 8);
        return value >= 1 && value <= 8 ? value : 1;
    }
    return 1;
}

bool Orient(const RasterImage& stored, int orientation, RasterImage* target) {
    const Mapping& mapping = kMappings[orientation >= 1 && orientation <= 8 ? orientation : 1];
    const int32_t width = mapping.exchange ? stored.height() : stored.width();
    const int32_t height = mapping.exchange ? stored.width() : stored.height();
    if (!target->Create(width, height, stored.bits(), stored.paletteCount())) return false;
    memcpy(target->palette(), stored.palette(),
           sizeof(PaletteEntry) * size_t(stored.paletteCount()));
    switch (stored.bits()) {
        case 8:
            Rearrange<1>(stored, mapping, target);
            break;
        case 16:
            Rearrange<2>(stored, mapping, target);
            break;
        case 24:
            Rearrange<3>(stored, mapping, target);
            break;
        default:
            Rearrange<4>(stored, mapping, target);
            break;
    }
    return true;
}

}  // namespace kv::imageconv
