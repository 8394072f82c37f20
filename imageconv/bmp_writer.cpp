// BmpWriter: a 14-byte file header, a 40-byte information header and the rows
// bottom-up as blue, green, red, each padded with zeros to a multiple of 4 bytes.
#include "imageconv/bmp_writer.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "imageconv/formats/bmp_rows.h"
#include "imageconv/formats/byte_order.h"
#include "imageconv/memory/platform.h"

namespace kv::imageconv {
namespace {
constexpr uint32_t kHeadersSize = 54;
constexpr uint64_t kChunkBytes = uint64_t(1) << 20;

}  // namespace

bool BmpWriter::OpenWrite(const char* path, const RasterImage* image, int bits) {
    Close();
    output_ = CreateFreshFile(path);
    if (!output_) return false;
    if (image->empty() || bits != 24 || image->bits() != 24) {
        Close();
        return false;
    }
    source_ = image;
    return true;
}

bool BmpWriter::Write() {
    if (!output_ || !source_) return false;
    const int32_t width = source_->width();
    const int32_t height = source_->height();
    const uint64_t rowSize = BmpRowSize(width);
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
    // Rows go out in chunks of about a megabyte: one write per row costs a system call each.
    const int32_t rowsPerChunk =
        int32_t(std::clamp<uint64_t>(kChunkBytes / rowSize, 1, uint64_t(height)));
    std::vector<uint8_t> chunk(size_t(rowSize) * size_t(rowsPerChunk), 0);
    for (int32_t y = height - 1; ok && y >= 0;) {
        size_t filled = 0;
        for (; y >= 0 && filled < chunk.size(); --y, filled += size_t(rowSize)) {
            SwapRedAndBlue(source_->Row(y), chunk.data() + filled, width);
        }
        ok = fwrite(chunk.data(), filled, 1, output_) == 1;
    }
    ok = fclose(output_) == 0 && ok;
    output_ = nullptr;
    Close();
    return ok;
}

void BmpWriter::Close() {
    if (output_) fclose(output_);
    output_ = nullptr;
    source_ = nullptr;
}

}  // namespace kv::imageconv
