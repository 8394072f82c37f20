#include "imageconv/raster_image.h"

#include <cstring>

namespace kv::imageconv {

bool BlockSize(uint64_t width, uint64_t height, uint64_t bytesPerPixel, size_t* size) {
    // Each factor is at most 2^32, so the checks below never overflow 64 bits.
    if (width == 0 || height == 0 || bytesPerPixel == 0) return false;
    if (width > kMaxBlockBytes || height > kMaxBlockBytes || bytesPerPixel > 4) return false;
    uint64_t row = width * bytesPerPixel;
    if (row > kMaxBlockBytes || height > kMaxBlockBytes / row) return false;
    uint64_t total = row * height;
    if (total > SIZE_MAX) return false;
    *size = size_t(total);
    return true;
}

bool FitsDecodeBudget(uint64_t width, uint64_t height, uint64_t library) {
    size_t storage = 0;
    return BlockSize(width, height, 3, &storage) && library <= kLibraryBudget;
}

bool RasterImage::Create(int32_t width, int32_t height, int bits, int paletteCount) {
    Release();
    if (width <= 0 || height <= 0) return false;
    if (bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
    if (paletteCount < 0 || paletteCount > kMaxPalette) return false;
    size_t size = 0;
    if (!BlockSize(uint64_t(width), uint64_t(height), uint64_t(bits / 8), &size)) return false;
    if (!storage_.Allocate(size)) return false;
    width_ = width;
    height_ = height;
    bits_ = bits;
    stride_ = size_t(width) * size_t(bits / 8);
    paletteCount_ = bits == 8 ? paletteCount : 0;
    return true;
}

void RasterImage::Release() {
    storage_.Release(true);
    width_ = height_ = 0;
    bits_ = paletteCount_ = 0;
    stride_ = 0;
    memset(palette_, 0, sizeof palette_);
}

}  // namespace kv::imageconv
