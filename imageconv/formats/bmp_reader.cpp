// BmpReader: only 24-bit, uncompressed (or bit-field) BMPs are accepted; every other
// BMP is left to the later readers.
#include "imageconv/formats/bmp_reader.h"

#include <cstring>
#include <vector>

#include "imageconv/formats/bmp_rows.h"
#include "imageconv/formats/byte_order.h"

namespace kv::imageconv {
namespace {
constexpr size_t kFileHeaderSize = 14;
constexpr size_t kCoreHeaderSize = 12;
// The information header fields read here end with the compression word at offset 16.
constexpr size_t kInfoFieldsSize = 20;
constexpr uint32_t kCompressionNone = 0;
constexpr uint32_t kCompressionBitFields = 3;

}  // namespace

bool BmpReader::Open(const char* path, RasterImage* target) {
    Close();
    if (!input_.Open(path)) return false;
    uint8_t fileHeader[kFileHeaderSize];
    if (!input_.Read(fileHeader, sizeof fileHeader)) return false;
    uint16_t type = Le16(fileHeader);
    if (type != 0x4D42 && type != 0x4142) return false;  // "BM", "BA"
    uint32_t pixelOffset = Le32(fileHeader + 10);
    if (pixelOffset < kFileHeaderSize + kCoreHeaderSize) return false;
    // Only the leading fields of the header block are needed, however large it claims to be.
    uint8_t block[kInfoFieldsSize] = {};
    size_t blockSize = pixelOffset - kFileHeaderSize;
    if (blockSize > sizeof block) blockSize = sizeof block;
    if (!input_.Read(block, blockSize)) return false;
    if (int32_t(Le32(block + 4)) <= 0 || Le32(block + 8) == 0) return false;

    int64_t width, height;
    bool topDown = false;
    if (Le32(block) == kCoreHeaderSize) {
        width = Le16(block + 4);
        height = Le16(block + 6);
        if (Le16(block + 10) != 24) return false;
    } else {
        if (blockSize < kInfoFieldsSize) return false;
        width = int32_t(Le32(block + 4));
        height = int32_t(Le32(block + 8));
        uint32_t compression = Le32(block + 16);
        if (Le16(block + 14) != 24) return false;
        if (compression != kCompressionNone && compression != kCompressionBitFields) return false;
        if (height < 0) {
            topDown = true;
            height = -height;  // computed in 64 bits, so -2^31 stays representable...
        }
        if (height > INT32_MAX) return false;  // ...and is refused here
    }
    if (width <= 0 || height <= 0) return false;
    width_ = int32_t(width);
    height_ = int32_t(height);
    topDown_ = topDown;
    pixelOffset_ = pixelOffset;
    target_ = target;
    opened_ = true;
    return true;
}

bool BmpReader::Decode() {
    if (!opened_) return false;
    // A file too short for its rows fails before any storage is made for them.
    const uint64_t rowSize = BmpRowSize(width_);
    uint64_t fileSize = 0;
    bool ok = input_.Length(&fileSize) && fileSize >= pixelOffset_ &&
              (fileSize - pixelOffset_) / rowSize >= uint64_t(height_) &&
              target_->Create(width_, height_, 24, 0) && input_.Seek(pixelOffset_);
    if (ok) {
        std::vector<uint8_t> row(static_cast<size_t>(rowSize));
        for (int32_t k = 0; k < height_; ++k) {
            if (!input_.Read(row.data(), row.size())) {
                ok = false;
                break;
            }
            int32_t y = topDown_ ? k : height_ - 1 - k;
            SwapRedAndBlue(row.data(), target_->Row(y), width_);
        }
        if (ok) target_->Flush();
    }
    Close();
    return ok;
}

void BmpReader::Close() {
    input_.Close();
    target_ = nullptr;
    width_ = height_ = 0;
    topDown_ = false;
    pixelOffset_ = 0;
    opened_ = false;
}

}  // namespace kv::imageconv
