#include "imageconv/formats/tiff_reader.h"

#include <tiffio.h>

#include <algorithm>
#include <atomic>
#include <memory>

#include "imageconv/colour/colour_to_srgb.h"
#include "imageconv/formats/to_24bit.h"
#include "imageconv/memory/row_bands.h"
#include "imageconv/memory/write_ahead.h"

namespace kv::imageconv {
namespace {

void Silent(const char*, const char*, va_list) {}

TIFF* AsTiff(void* handle) {
    return static_cast<TIFF*>(handle);
}

// libtiff sizes some buffers from header fields alone (samples per pixel, bits per sample,
// rows per strip); no single allocation may exceed the library budget.
TIFF* OpenTiff(const char* path) {
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options) return nullptr;
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, tmsize_t(kLibraryBudget));
    // "m": read with ordinary file reads rather than mapping the whole file in.
    TIFF* tiff = TIFFOpenExt(path, "rm", options);
    TIFFOpenOptionsFree(options);
    return tiff;
}

// The picture's width and height; false when either is missing or zero.
bool PictureSize(TIFF* tiff, uint32_t* width, uint32_t* height) {
    return TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, width) == 1 &&
           TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, height) == 1 && *width > 0 && *height > 0;
}

struct TiffCloser {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
using TiffHandle = std::unique_ptr<TIFF, TiffCloser>;

}  // namespace

bool TiffReader::Open(const char* path, RasterImage* target) {
    Close();
    TIFFSetErrorHandler(Silent);
    TIFFSetWarningHandler(Silent);
    TIFF* tiff = OpenTiff(path);
    if (!tiff) return false;
    tiff_ = tiff;
    path_ = path;
    uint32_t width = 0, height = 0;
    if (!PictureSize(tiff, &width, &height)) return false;
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

// The file's ICC profile, if it has one.
ColourDescription DescriptionOf(TIFF* tiff) {
    ColourDescription colours;
    uint32_t size = 0;
    void* icc = nullptr;
    if (TIFFGetField(tiff, TIFFTAG_ICCPROFILE, &size, &icc) == 1 && icc) {
        colours.icc = static_cast<const uint8_t*>(icc);
        colours.iccSize = size;
    }
    return colours;
}

bool IsGrey(TIFF* tiff) {
    uint16_t photometric = PHOTOMETRIC_RGB;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_PHOTOMETRIC, &photometric);
    return photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE;
}

// Prepares the conversion of 16-bit samples: unsigned grey (black at 0) or RGB, stored
// together in top-down strips. False where the 8-bit path serves.
bool PrepareDeepColours(TIFF* tiff, SrgbConversion* colour) {
    uint16_t bits = 0, format = SAMPLEFORMAT_UINT, planar = PLANARCONFIG_CONTIG, samples = 1;
    uint16_t photometric = 0, orientation = ORIENTATION_TOPLEFT;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLEFORMAT, &format);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_ORIENTATION, &orientation);
    if (TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric) != 1 || bits != 16 ||
        format != SAMPLEFORMAT_UINT || planar != PLANARCONFIG_CONTIG || TIFFIsTiled(tiff) ||
        orientation != ORIENTATION_TOPLEFT) {
        return false;
    }
    const bool grey = photometric == PHOTOMETRIC_MINISBLACK;
    const int colours = grey ? 1 : 3;
    if ((!grey && photometric != PHOTOMETRIC_RGB) || samples < colours) return false;
    return colour->Prepare(DescriptionOf(tiff), grey ? Samples::kGrey16 : Samples::kRgb16,
                           samples - colours);
}

// Rows of 16-bit samples decoded together: whole strips, at least this many rows.
constexpr uint32_t kDeepBandRows = 128;

namespace {
// Decoders working side by side: each takes every n-th band of rows with a libtiff handle of
// its own (a handle decodes one strip or tile at a time) and a scratch band, and fills, and
// converts, that band's rows of the image.
constexpr int kMaxDecoders = 4;

struct Bands {
    RasterImage* image;
    const SrgbConversion* colour;
    WriteAhead* writeAhead;
    uint32_t rows;  // in a band
    int decoders;   // bands from one decoder's band to its next
    // 16-bit samples with a profile are read as they are stored, strip by strip, and
    // converted from all their bits, where the RGBA raster keeps only the high byte of each.
    bool deep;
    uint32_t rowsPerStrip;
    uint64_t rowBytes;  // a band's rows in the scratch block
    std::atomic<bool> failed{false};
};

struct BandDecoder {
    Bands* bands = nullptr;
    TIFF* tiff = nullptr;
    uint32_t firstBand = 0;

    bool Decode() const {
        RasterImage* image = bands->image;
        const uint32_t height = uint32_t(image->height());
        const int32_t width = image->width();
        MappedBuffer scratch;
        char message[1024] = "";
        TIFFRGBAImage rgba;
        if (!scratch.Allocate(size_t(bands->rowBytes * bands->rows))) return false;
        if (!bands->deep) {
            if (!TIFFRGBAImageBegin(&rgba, tiff, 0, message)) return false;
            rgba.req_orientation = ORIENTATION_TOPLEFT;
        }
        const uint64_t step = uint64_t(bands->rows) * uint64_t(bands->decoders);
        bool ok = true;
        for (uint64_t y = uint64_t(firstBand) * bands->rows; ok && y < height; y += step) {
            const uint32_t first = uint32_t(y);
            const uint32_t rows = std::min(bands->rows, height - first);
            ok = !bands->failed && (bands->deep ? ReadStrips(first, rows, scratch.data())
                                                : ReadRaster(&rgba, first, rows, scratch.data()));
            bands->writeAhead->WaitFor(image->stride() * size_t(first + rows));
            for (uint32_t r = 0; ok && r < rows; ++r) {
                const uint8_t* in = scratch.data() + r * bands->rowBytes;
                uint8_t* out = image->Row(int32_t(first + r));
                if (bands->deep) {
                    bands->colour->ConvertRow(reinterpret_cast<const uint16_t*>(in), out, width);
                } else {
                    // Each raster value holds red, green, blue, alpha; alpha is dropped.
                    PackColourBytes(in, out, width, 0);
                }
            }
            if (ok && !bands->deep) {
                bands->colour->ConvertRows(image, int32_t(first), int32_t(rows));
            }
        }
        if (!bands->deep) TIFFRGBAImageEnd(&rgba);
        return ok;
    }

    bool ReadStrips(uint32_t first, uint32_t rows, uint8_t* samples) const {
        for (uint32_t r = 0; r < rows; r += bands->rowsPerStrip) {
            const tmsize_t wanted =
                tmsize_t(bands->rowBytes * std::min(bands->rowsPerStrip, rows - r));
            if (TIFFReadEncodedStrip(tiff, TIFFComputeStrip(tiff, first + r, 0),
                                     samples + uint64_t(r) * bands->rowBytes, wanted) != wanted) {
                return false;
            }
        }
        return true;
    }

    bool ReadRaster(TIFFRGBAImage* rgba, uint32_t first, uint32_t rows, uint8_t* raster) const {
        rgba->row_offset = int(first);
        rgba->col_offset = 0;
        return TIFFRGBAImageGet(rgba, reinterpret_cast<uint32_t*>(raster),
                                uint32_t(bands->image->width()), rows);
    }
};

}  // namespace

bool TiffReader::ReadImage() {
    if (width_ > INT32_MAX || height_ > INT32_MAX) return false;
    TIFF* tiff = AsTiff(tiff_);
    SrgbConversion colour;
    const bool deep = PrepareDeepColours(tiff, &colour);
    uint32_t band = 0, rowsPerStrip = 0;
    uint64_t rowBytes = 0, unitBytes = 0;
    char message[1024] = "";
    if (deep) {
        TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
        if (rowsPerStrip == 0 || rowsPerStrip > height_) rowsPerStrip = height_;
        const uint64_t stripsPerBand = (kDeepBandRows + rowsPerStrip - 1) / rowsPerStrip;
        band = uint32_t(std::min<uint64_t>(stripsPerBand * rowsPerStrip, height_));
        rowBytes = TIFFScanlineSize64(tiff);
        // libtiff reads each strip's coded bytes into a buffer of its own, at most one
        // decoded strip's size.
        unitBytes = rowBytes * rowsPerStrip;
        if (rowBytes == 0) return false;
    } else {
        colour.Prepare(DescriptionOf(tiff), IsGrey(tiff) ? Samples::kGreyAsRgb8 : Samples::kRgb8);
        // The RGBA raster is decoded band by band, top row first: the same pixels as one
        // whole-image read, in far less memory.
        band = BandRows(tiff, height_);
        rowBytes = uint64_t(width_) * 4;
        unitBytes = DecodeUnitBytes(tiff);
        if (!TIFFRGBAImageOK(tiff, message)) return false;
    }
    // Each decoder's band and libtiff's decoded strip or tile are counted before anything
    // is made.
    const uint64_t decoderBytes = rowBytes * band + unitBytes;
    const uint64_t bandCount = (uint64_t(height_) + band - 1) / band;
    const int cores = SideBySideThreads();
    int decoders = int(std::min<uint64_t>({uint64_t(cores), kMaxDecoders, bandCount}));
    while (decoders > 1 && !FitsDecodeBudget(width_, height_, decoders * decoderBytes)) --decoders;
    if (!FitsDecodeBudget(width_, height_, decoderBytes)) return false;
    // Further decoders read the file through handles of their own; one that does not open
    // as the same picture is not used.
    TiffHandle handles[kMaxDecoders];
    for (int i = 1; i < decoders; ++i) {
        handles[i].reset(OpenTiff(path_.c_str()));
        TIFF* other = handles[i].get();
        uint32_t width = 0, height = 0;
        if (!other || !PictureSize(other, &width, &height) || width != width_ ||
            height != height_ || TIFFScanlineSize64(other) != TIFFScanlineSize64(tiff) ||
            (!deep && !TIFFRGBAImageOK(other, message))) {
            decoders = i;
            break;
        }
    }
    if (!target_->Create(int32_t(width_), int32_t(height_), 24, 0)) return false;
    WriteAhead writeAhead;
    // Pages are made writable ahead only on a core that no decoder keeps busy.
    if (decoders < cores) {
        writeAhead.Start(target_->pixels(), target_->stride() * size_t(height_));
    }
    Bands bands{target_, &colour, &writeAhead, band, decoders, deep, rowsPerStrip, rowBytes};
    RunSideBySide(decoders, [&](int i) {
        const BandDecoder decoder{&bands, i == 0 ? tiff : handles[i].get(), uint32_t(i)};
        if (!decoder.Decode()) bands.failed = true;
    });
    writeAhead.Stop();
    if (bands.failed) return false;
    target_->Flush();
    return true;
}

void TiffReader::Close() {
    if (tiff_) TIFFClose(AsTiff(tiff_));
    tiff_ = nullptr;
    path_.clear();
    target_ = nullptr;
    width_ = height_ = 0;
    opened_ = false;
}

}  // namespace kv::imageconv
