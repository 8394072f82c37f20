// BmpCodec writing: a 14-byte file header, a 40-byte information header and the rows
// bottom-up as blue, green, red, each padded with zeros to a multiple of 4 bytes.
#include <cstring>
#include <vector>

#include "imageconv/bmp_codec.h"
#include "imageconv/byte_order.h"

namespace kv::imageconv {
namespace {
constexpr uint32_t kHeadersSize = 54;

// Four pixels (three 32-bit words) per step: R0 G0 B0 R1 | G1 B1 R2 G2 | B2 R3 G3 B3 become
// B0 G0 R0 B1 | G1 R1 B2 G2 | R2 B3 G3 R3.
void RgbToBgr(const uint8_t* in, uint8_t* out, int32_t width) {
    int32_t x = 0;
    for (; x + 4 <= width; x += 4, in += 12, out += 12) {
        uint32_t w0, w1, w2;
        memcpy(&w0, in, 4);
        memcpy(&w1, in + 4, 4);
        memcpy(&w2, in + 8, 4);
        const uint32_t o0 =
            ((w0 >> 16) & 0xFF) | (w0 & 0xFF00) | ((w0 & 0xFF) << 16) | ((w1 & 0xFF00) << 16);
        const uint32_t o1 =
            (w1 & 0xFF) | ((w0 >> 16) & 0xFF00) | ((w2 & 0xFF) << 16) | (w1 & 0xFF000000u);
        const uint32_t o2 =
            ((w1 >> 16) & 0xFF) | ((w2 >> 16) & 0xFF00) | (w2 & 0xFF0000) | ((w2 & 0xFF00) << 16);
        memcpy(out, &o0, 4);
        memcpy(out + 4, &o1, 4);
        memcpy(out + 8, &o2, 4);
    }
    for (; x < width; ++x, in += 3, out += 3) {
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
    }
}
}  // namespace

bool BmpCodec::OpenWrite(const char* path, const RasterImage* image, int bits) {
    Close();
    output_ = fopen(path, "wb");
    if (!output_) return false;
    if (image->empty() || bits != 24 || image->bits() != 24) {
        Close();
        return false;
    }
    source_ = image;
    return true;
}

bool BmpCodec::Write() {
    if (!output_ || !source_) return false;
    const int32_t width = source_->width();
    const int32_t height = source_->height();
    const uint64_t rowSize = (uint64_t(width) * 3 + 3) & ~uint64_t(3);
    const uint64_t fileSize = rowSize * uint64_t(height) + kHeadersSize;
    if (fileSize > UINT32_MAX) {  // not expressible in the header's 32-bit size field
        Close();
        return false;
    }
    uint8_t headers[kHeadersSize] = {};
    PutLe16(headers, 0x4D42);  // "BM"
    PutLe32(headers + 2, uint32_t(fileSize));
    PutLe32(headers + 10, kHeadersSize);
    PutLe32(headers + 14, 40);
    PutLe32(headers + 18, uint32_t(width));
    PutLe32(headers + 22, uint32_t(height));
    PutLe16(headers + 26, 1);   // planes
    PutLe16(headers + 28, 24);  // bits per pixel
    bool ok = fwrite(headers, sizeof headers, 1, output_) == 1;
    std::vector<uint8_t> row(size_t(rowSize), 0);
    for (int32_t y = height - 1; ok && y >= 0; --y) {
        RgbToBgr(source_->Row(y), row.data(), width);
        ok = fwrite(row.data(), row.size(), 1, output_) == 1;
    }
    ok = fclose(output_) == 0 && ok;
    output_ = nullptr;
    Close();
    return ok;
}

}  // namespace kv::imageconv
