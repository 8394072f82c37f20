#include "imageconv/tiff_reader.h"

#include <tiffio.h>

#include "imageconv/to_24bit.h"

namespace kv::imageconv {
namespace {

void Silent(const char*, const char*, va_list) {}

TIFF* AsTiff(void* handle) {
    return static_cast<TIFF*>(handle);
}

}  // namespace

bool TiffReader::Open(const char* path, RasterImage* target) {
    Close();
    TIFFSetErrorHandler(Silent);
    TIFFSetWarningHandler(Silent);
    // libtiff sizes some buffers from header fields alone (samples per pixel, bits per
    // sample, rows per strip); no single allocation may exceed the library budget.
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options) return false;
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, tmsize_t(kLibraryBudget));
    // "m": read with ordinary file reads rather than mapping the whole file in.
    TIFF* tiff = TIFFOpenExt(path, "rm", options);
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

// Rows decoded per call: whole strips or tiles, at least this many rows together.
constexpr uint32_t kMinimumBandRows = 64;

// Rows that can be decoded as one band without decoding any strip or tile twice; the whole
// image where the file's rows are not stored top row first.
uint32_t BandRows(TIFF* tiff, uint32_t height) {
    uint16_t orientation = ORIENTATION_TOPLEFT;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_ORIENTATION, &orientation);
    if (orientation != ORIENTATION_TOPLEFT) return height;
    uint32_t unit = 0;
    if (TIFFIsTiled(tiff)) {
        TIFFGetField(tiff, TIFFTAG_TILELENGTH, &unit);
    } else {
        TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &unit);
    }
    if (unit == 0 || unit >= height) return height;
    const uint64_t rows = (uint64_t(kMinimumBandRows) + unit - 1) / unit * unit;
    return rows < height ? uint32_t(rows) : height;
}

// The decoded strip or tile libtiff holds while it fills the raster: one per plane when the
// samples are stored in separate planes.
uint64_t DecodeUnitBytes(TIFF* tiff) {
    const uint64_t unit = TIFFIsTiled(tiff) ? TIFFTileSize64(tiff) : TIFFStripSize64(tiff);
    uint16_t planar = PLANARCONFIG_CONTIG, samples = 1;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
    return planar == PLANARCONFIG_SEPARATE ? unit * samples : unit;
}

bool TiffReader::ReadImage() {
    if (width_ > INT32_MAX || height_ > INT32_MAX) return false;
    TIFF* tiff = AsTiff(tiff_);
    // The RGBA raster is decoded band by band, top row first, into a scratch block of one
    // band: the same pixels as one whole-image read, in far less memory. The band and
    // libtiff's decoded strip or tile are counted before anything is made.
    const uint32_t band = BandRows(tiff, height_);
    const uint64_t bandBytes = uint64_t(width_) * 4 * band;
    if (!FitsDecodeBudget(width_, height_, bandBytes + DecodeUnitBytes(tiff))) return false;
    if (!target_->Create(int32_t(width_), int32_t(height_), 24, 0)) return false;
    MappedBuffer raster;
    if (!raster.Allocate(size_t(bandBytes))) return false;
    char message[1024] = "";
    TIFFRGBAImage rgba;
    if (!TIFFRGBAImageOK(tiff, message) || !TIFFRGBAImageBegin(&rgba, tiff, 0, message)) {
        return false;
    }
    rgba.req_orientation = ORIENTATION_TOPLEFT;
    const size_t rasterStride = size_t(width_) * 4;
    bool ok = true;
    for (uint32_t y = 0; ok && y < height_; y += band) {
        const uint32_t rows = height_ - y < band ? height_ - y : band;
        rgba.row_offset = int(y);
        rgba.col_offset = 0;
        ok = TIFFRGBAImageGet(&rgba, reinterpret_cast<uint32_t*>(raster.data()), width_, rows);
        for (uint32_t r = 0; ok && r < rows; ++r) {
            // Each raster value holds red, green, blue, alpha; alpha is dropped.
            PackColourBytes(raster.data() + r * rasterStride, target_->Row(int32_t(y + r)),
                            int32_t(width_), 0);
        }
    }
    TIFFRGBAImageEnd(&rgba);
    if (ok) target_->Flush();
    return ok;
}

void TiffReader::Close() {
    if (tiff_) TIFFClose(AsTiff(tiff_));
    tiff_ = nullptr;
    target_ = nullptr;
    width_ = height_ = 0;
    opened_ = false;
}

}  // namespace kv::imageconv
