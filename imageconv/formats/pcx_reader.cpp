#include "imageconv/formats/pcx_reader.h"

#include <cstring>
#include <vector>

#include "imageconv/formats/byte_order.h"
#include "imageconv/memory/write_ahead.h"

namespace kv::imageconv {
namespace {
constexpr size_t kHeaderSize = 128;
constexpr size_t kPaletteSize = 768;
constexpr uint8_t kManufacturer = 0x0A;
}  // namespace

bool DecodePcxLine(const uint8_t* data, size_t size, size_t* pos, size_t lineLength, uint8_t* out,
                   size_t keep) {
    size_t p = *pos;
    size_t filled = 0;
    while (filled < lineLength) {
        if (p >= size) return false;
        const uint8_t code = data[p++];
        size_t count = 1;
        uint8_t value = code;
        if (code >= 0xC0) {
            if (p >= size) return false;
            value = data[p++];
            count = code & 0x3F;
            if (count > lineLength - filled) count = lineLength - filled;
        }
        if (filled < keep) {
            const size_t kept = count < keep - filled ? count : keep - filled;
            memset(out + filled, value, kept);
        }
        filled += count;
    }
    *pos = p;
    return true;
}

bool PcxReader::Open(const char* path, RasterImage* target) {
    Close();
    if (!input_.Open(path)) return false;
    uint8_t header[kHeaderSize];
    if (!input_.Read(header, sizeof header) || header[0] != kManufacturer) return false;
    const uint16_t xMin = Le16(header + 4), yMin = Le16(header + 6);
    const uint16_t xMax = Le16(header + 8), yMax = Le16(header + 10);
    // Also refuses a maximum below its minimum, which would give a size of zero or less.
    if (xMax <= xMin || yMax <= yMin) return false;
    const int depth = header[3] * header[65];
    if (depth != 8 && depth != 24) return false;
    const size_t width = size_t(xMax - xMin) + 1;
    const size_t bytesPerLine = Le16(header + 66);
    const size_t lineLength = size_t(header[65]) * bytesPerLine;
    // A line must hold a whole row: the indexes of a row, or its three colour planes.
    if (depth == 8 && lineLength < width) return false;
    if (depth == 24 && (bytesPerLine < width || 2 * bytesPerLine + width > lineLength)) {
        return false;
    }
    width_ = int32_t(width);
    height_ = int32_t(yMax - yMin) + 1;
    bits_ = depth;
    bytesPerLine_ = bytesPerLine;
    lineLength_ = lineLength;
    target_ = target;
    opened_ = true;
    return true;
}

bool PcxReader::Decode() {
    bool ok = opened_ && (bits_ == 8 ? DecodePaletted() : DecodeThreePlanes());
    Close();
    return ok;
}

bool PcxReader::ReadRunData(uint64_t trailing, MappedBuffer* data) {
    uint64_t fileSize = 0;
    return input_.Length(&fileSize) && fileSize > kHeaderSize + trailing &&
           input_.ReadBlock(kHeaderSize, fileSize - kHeaderSize - trailing, data);
}

bool PcxReader::DecodePaletted() {
    // The palette fills the file's last bytes, right after the run-length data.
    MappedBuffer data;
    uint8_t palette[kPaletteSize];
    if (!ReadRunData(kPaletteSize, &data) || !input_.Read(palette, sizeof palette)) {
        return false;
    }
    if (!target_->Create(width_, height_, 8, RasterImage::kMaxPalette)) return false;
    for (int i = 0; i < RasterImage::kMaxPalette; ++i) {
        target_->palette()[i] = {palette[3 * i], palette[3 * i + 1], palette[3 * i + 2]};
    }
    size_t pos = 0;
    WriteAhead ahead;
    ahead.Start(target_->pixels(), target_->stride() * size_t(height_));
    for (int32_t y = 0; y < height_; ++y) {
        ahead.WaitFor(target_->stride() * size_t(y + 1));
        if (!DecodePcxLine(data.data(), data.size(), &pos, lineLength_, target_->Row(y),
                           size_t(width_))) {
            return false;
        }
    }
    target_->Flush();
    return true;
}

bool PcxReader::DecodeThreePlanes() {
    MappedBuffer data;
    if (!ReadRunData(0, &data)) return false;
    if (!target_->Create(width_, height_, 24, 0)) return false;
    // Only the three colour planes are kept; further planes are decoded and dropped.
    const size_t kept = 3 * bytesPerLine_;
    std::vector<uint8_t> line(kept);
    const uint8_t* red = line.data();
    const uint8_t* green = red + bytesPerLine_;
    const uint8_t* blue = green + bytesPerLine_;
    size_t pos = 0;
    WriteAhead ahead;
    ahead.Start(target_->pixels(), target_->stride() * size_t(height_));
    for (int32_t y = 0; y < height_; ++y) {
        if (!DecodePcxLine(data.data(), data.size(), &pos, lineLength_, line.data(), kept)) {
            return false;
        }
        ahead.WaitFor(target_->stride() * size_t(y + 1));
        uint8_t* out = target_->Row(y);
        for (int32_t x = 0; x < width_; ++x, out += 3) {
            out[0] = red[x];
            out[1] = green[x];
            out[2] = blue[x];
        }
    }
    target_->Flush();
    return true;
}

void PcxReader::Close() {
    input_.Close();
    target_ = nullptr;
    width_ = height_ = 0;
    bits_ = 0;
    bytesPerLine_ = lineLength_ = 0;
    opened_ = false;
}

}  // namespace kv::imageconv
