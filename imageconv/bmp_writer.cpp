// BmpWriter: a 14-byte file header, a 40-byte information header and the rows
// bottom-up as blue, green, red, each padded with zeros to a multiple of 4 bytes.
#include "imageconv/bmp_writer.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <vector>

#include "imageconv/formats/bmp_rows.h"
#include "imageconv/formats/byte_order.h"
#include "imageconv/memory/platform.h"
#include "imageconv/memory/row_bands.h"

namespace kv::imageconv {
namespace {
constexpr uint32_t kHeadersSize = 54;
constexpr uint64_t kChunkBytes = uint64_t(1) << 20;
constexpr int kWriters = 2;

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
    bool ok = fwrite(headers, sizeof headers, 1, output_) == 1 && fflush(output_) == 0;
    // Rows go out in chunks of about a megabyte (one write per row costs a system call each),
    // by two writers side by side, each turning its chunks' rows into blue, green, red while
    // the other's write is copied into the system's cache.
    const int32_t rowsPerChunk =
        int32_t(std::clamp<uint64_t>(kChunkBytes / rowSize, 1, uint64_t(height)));
    const size_t chunkBytes = size_t(rowSize) * size_t(rowsPerChunk);
    const int32_t chunks = (height - 1) / rowsPerChunk + 1;
    const int writers = std::min(kWriters, chunks);
    std::vector<uint8_t> buffers(chunkBytes * size_t(writers), 0);
    std::atomic<bool> failed{!ok};
    RunSideBySide(writers, [&](int writer) {
        uint8_t* chunk = buffers.data() + chunkBytes * size_t(writer);
        for (int32_t c = writer; c < chunks && !failed; c += writers) {
            // The file's chunk c holds the picture's rows from `top` upwards.
            const int32_t top = height - 1 - c * rowsPerChunk;
            const int32_t rows = std::min(rowsPerChunk, top + 1);
            for (int32_t r = 0; r < rows; ++r) {
                SwapRedAndBlue(source_->Row(top - r), chunk + size_t(rowSize) * size_t(r), width);
            }
            if (!WriteAt(output_, kHeadersSize + uint64_t(c) * chunkBytes, chunk,
                         size_t(rowSize) * size_t(rows))) {
                failed = true;
            }
        }
    });
    ok = !failed;
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
