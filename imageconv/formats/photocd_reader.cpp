#include "imageconv/formats/photocd_reader.h"

#include <cmath>
#include <cstring>

namespace kv::imageconv {
namespace {
constexpr uint64_t kMinimumFileSize = 0x100000;
// Every image pac carries this signature in its second sector.
constexpr uint64_t kSignatureOffset = 2048;
constexpr char kSignature[4] = {'P', 'C', 'D', '_'};
constexpr uint64_t kBaseImageOffset = 0x30000;
constexpr int kChromaBias1 = 156;
constexpr int kChromaBias2 = 137;

uint8_t Clamp(double value) {
    const double rounded = std::floor(value + 0.5);
    if (rounded < 0) return 0;
    if (rounded > 255) return 255;
    return uint8_t(rounded);
}
}  // namespace

void PhotoCdPixel(int luma, int c1, int c2, uint8_t* rgb) {
    const double y = 1.407488 * luma;
    rgb[0] = Clamp(y + 1.3230336 * c2 + 0.0000256 * c1);
    rgb[1] = Clamp(y - 0.67392 * c2 - 0.3954176 * c1);
    rgb[2] = Clamp(y + 0.0000256 * c2 + 2.0360448 * c1);
}

bool PhotoCdReader::Open(const char* path, RasterImage* target) {
    Close();
    if (!input_.Open(path)) return false;
    uint64_t size = 0;
    char signature[sizeof kSignature];
    if (!input_.Length(&size) || size < kMinimumFileSize) return false;
    if (!input_.Seek(kSignatureOffset) || !input_.Read(signature, sizeof signature)) return false;
    if (memcmp(signature, kSignature, sizeof kSignature) != 0) return false;
    target_ = target;
    opened_ = true;
    return true;
}

bool PhotoCdReader::Decode() {
    bool ok = opened_ && ReadRows();
    Close();
    return ok;
}

bool PhotoCdReader::ReadRows() {
    if (!target_->Create(kPhotoCdWidth, kPhotoCdHeight, 24, 0)) return false;
    if (!input_.Seek(kBaseImageOffset)) return false;
    // Each pair of rows is stored as two luma lines and one line of halved chroma.
    uint8_t lines[3][kPhotoCdWidth];
    const uint8_t* chroma1 = lines[2];
    const uint8_t* chroma2 = lines[2] + kPhotoCdWidth / 2;
    for (int32_t y = 0; y < kPhotoCdHeight; y += 2) {
        if (!input_.Read(lines, sizeof lines)) return false;
        for (int half = 0; half < 2; ++half) {
            uint8_t* out = target_->Row(y + half);
            for (int32_t x = 0; x < kPhotoCdWidth; ++x, out += 3) {
                PhotoCdPixel(lines[half][x], chroma1[x / 2] - kChromaBias1,
                             chroma2[x / 2] - kChromaBias2, out);
            }
        }
    }
    target_->Flush();
    return true;
}

void PhotoCdReader::Close() {
    input_.Close();
    target_ = nullptr;
    opened_ = false;
}

}  // namespace kv::imageconv
