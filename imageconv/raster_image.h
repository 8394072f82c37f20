// The library's image: packed top-down rows on MappedBuffer storage, with an optional
// palette for 8-bit images.
#pragma once

#include <cstddef>
#include <cstdint>

#include "imageconv/memory/mapped_buffer.h"

namespace kv::imageconv {

struct PaletteEntry {
    uint8_t red, green, blue;
};

// width × height × bytesPerPixel without overflow; false when the product exceeds the limit.
bool BlockSize(uint64_t width, uint64_t height, uint64_t bytesPerPixel, size_t* size);

// The memory rule of every reader, checked before anything is allocated: the 24-bit storage
// of a width × height picture plus `library` bytes the format library holds besides. The
// storage must fit the block limit and the library's part its budget.
bool FitsDecodeBudget(uint64_t width, uint64_t height, uint64_t library);

class RasterImage {
  public:
    static constexpr int kMaxPalette = 256;

    // Releases the old storage, then makes storage for `bits` 8, 16, 24 or 32 (8-bit with a
    // palette count above 0 gets a zeroed palette). On failure the image is left empty.
    bool Create(int32_t width, int32_t height, int bits, int paletteCount);
    void Release();
    void Flush() { storage_.Flush(); }

    bool empty() const { return storage_.data() == nullptr; }
    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    int bits() const { return bits_; }
    int paletteCount() const { return paletteCount_; }
    size_t stride() const { return stride_; }
    uint8_t* pixels() const { return storage_.data(); }
    uint8_t* Row(int32_t y) const { return storage_.data() + size_t(y) * stride_; }
    PaletteEntry* palette() { return palette_; }
    const PaletteEntry* palette() const { return palette_; }

  private:
    int32_t width_ = 0;
    int32_t height_ = 0;
    int bits_ = 0;
    int paletteCount_ = 0;
    size_t stride_ = 0;
    MappedBuffer storage_;
    PaletteEntry palette_[kMaxPalette] = {};
};

}  // namespace kv::imageconv
