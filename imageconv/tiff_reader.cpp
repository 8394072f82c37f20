#include "imageconv/tiff_reader.h"

#include <tiffio.h>

namespace kv::imageconv {
namespace {

void Silent(const char*, const char*, va_list) {}

TIFF* AsTiff(void* handle) {
    return static_cast<TIFF*>(handle);
}

// Keeps the red, green and blue bytes of each packed RGBA raster value.
void RgbaToRgb(const uint8_t* in, uint8_t* out, uint32_t width) {
    for (uint32_t x = 0; x < width; ++x, in += 4, out += 3) {
        out[0] = in[0];
        out[1] = in[1];
        out[2] = in[2];
    }
}

}  // namespace

bool TiffReader::Open(const char* path, RasterImage* target) {
    Close();
    TIFFSetErrorHandler(Silent);
    TIFFSetWarningHandler(Silent);
    // libtiff sizes some buffers from header fields alone (samples per pixel, bits per
    // sample, rows per strip); no single allocation may exceed what the library maps.
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options) return false;
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, tmsize_t(kMaxBlockBytes));
    TIFF* tiff = TIFFOpenExt(path, "r", options);
    TIFFOpenOptionsFree(options);
    if (!tiff) return false;
    tiff_ = tiff;
    uint32_t width = 0, height = 0;
    if (TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width) != 1 ||
        TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height) != 1 || width == 0 || height == 0) {
        return false;
    }
    width_ = width;
    height_ = height;
    target_ = target;
    opened_ = true;
    return true;
}

bool TiffReader::Decode() {
    bool ok = opened_ && ReadImage();
    Close();
    return ok;
}

bool TiffReader::ReadImage() {
    if (width_ > INT32_MAX || height_ > INT32_MAX) return false;
    size_t rasterSize = 0;
    if (!BlockSize(width_, height_, 4, &rasterSize)) return false;
    if (!target_->Create(int32_t(width_), int32_t(height_), 24, 0)) return false;
    MappedBuffer raster;
    if (!raster.Allocate(rasterSize)) return false;
    // Asking for the top row first gives the same raster as reading it bottom row first
    // and swapping the rows, without the extra pass.
    if (!TIFFReadRGBAImageOriented(AsTiff(tiff_), width_, height_,
                                   reinterpret_cast<uint32_t*>(raster.data()), ORIENTATION_TOPLEFT,
                                   0)) {
        return false;
    }
    const size_t rasterStride = size_t(width_) * 4;
    for (uint32_t y = 0; y < height_; ++y) {
        RgbaToRgb(raster.data() + y * rasterStride, target_->Row(int32_t(y)), width_);
    }
    target_->Flush();
    return true;
}

void TiffReader::Close() {
    if (tiff_) TIFFClose(AsTiff(tiff_));
    tiff_ = nullptr;
    target_ = nullptr;
    width_ = height_ = 0;
    opened_ = false;
}

}  // namespace kv::imageconv
