#include "imageconv/formats/tiff_reader.h"

#include <tiffio.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>

#include "imageconv/colour/colour_to_srgb.h"
#include "imageconv/formats/to_24bit.h"
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

// Rows of 16-bit samples read before their colours are converted: whole strips, at least
// this many rows, so that starting the conversion's thread costs little beside it.
constexpr uint32_t kDeepBandRows = 128;

// A band of 16-bit rows converted into the image's rows, on a second thread while the
// decoder reads the next band.
struct DeepBand {
    const SrgbConversion* colour;
    const uint8_t* samples;
    uint64_t rowBytes;
    RasterImage* target;
    int32_t first, count;

    static void Convert(void* self) {
        const auto* band = static_cast<const DeepBand*>(self);
        for (int32_t r = 0; r < band->count; ++r) {
            band->colour->ConvertRow(
                reinterpret_cast<const uint16_t*>(band->samples + uint64_t(r) * band->rowBytes),
                band->target->Row(band->first + r), band->target->width());
        }
    }
};

// 16-bit samples with a colour profile are converted from all their bits, where the RGBA
// raster would keep only the high byte of each.
bool TiffReader::ReadDeepStrips(const SrgbConversion& colour) {
    TIFF* tiff = AsTiff(tiff_);
    uint32_t rowsPerStrip = 0;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    if (rowsPerStrip == 0 || rowsPerStrip > height_) rowsPerStrip = height_;
    const uint64_t stripsPerBand = (kDeepBandRows + rowsPerStrip - 1) / rowsPerStrip;
    const uint32_t band = uint32_t(std::min<uint64_t>(stripsPerBand * rowsPerStrip, height_));
    const uint64_t rowBytes = TIFFScanlineSize64(tiff);
    const uint64_t bandBytes = rowBytes * band;
    // Two bands take turns, one read while the other is converted; libtiff reads each
    // strip's coded bytes into a buffer of its own, at most one decoded strip's size.
    const uint32_t halves = band < height_ ? 2 : 1;
    if (rowBytes == 0 ||
        !FitsDecodeBudget(width_, height_, halves * bandBytes + rowBytes * rowsPerStrip)) {
        return false;
    }
    if (!target_->Create(int32_t(width_), int32_t(height_), 24, 0)) return false;
    MappedBuffer samples[2];
    for (uint32_t h = 0; h < halves; ++h) {
        if (!samples[h].Allocate(size_t(bandBytes))) return false;
    }
    BackgroundTask task;
    DeepBand converting{};
    bool ok = true;
    for (uint32_t y = 0, half = 0; ok && y < height_; y += band, half = (half + 1) % halves) {
        const uint32_t rows = std::min(band, height_ - y);
        uint8_t* rowsRead = samples[half].data();
        for (uint32_t r = 0; ok && r < rows; r += rowsPerStrip) {
            const tmsize_t wanted = tmsize_t(rowBytes * std::min(rowsPerStrip, rows - r));
            ok = TIFFReadEncodedStrip(tiff, TIFFComputeStrip(tiff, y + r, 0),
                                      rowsRead + uint64_t(r) * rowBytes, wanted) == wanted;
        }
        task.Wait();
        if (!ok) break;
        converting = {&colour, rowsRead, rowBytes, target_, int32_t(y), int32_t(rows)};
        if (!task.Start(DeepBand::Convert, &converting)) DeepBand::Convert(&converting);
    }
    task.Wait();
    if (ok) target_->Flush();
    return ok;
}

namespace {
// Decoders of the RGBA raster working side by side: each takes every n-th band with a libtiff
// handle of its own (a handle decodes one strip or tile at a time) and a band of raster, and
// fills, and converts, that band's rows of the image.
constexpr int kMaxRasterDecoders = 4;

struct RasterBands {
    RasterImage* image;
    const SrgbConversion* colour;
    WriteAhead* writeAhead;
    uint32_t band;  // rows per band
    int decoders;   // bands from one decoder to its next
    std::atomic<bool> failed{false};
};

struct RasterDecoder {
    RasterBands* bands = nullptr;
    TIFF* tiff = nullptr;
    uint32_t firstBand = 0;
    BackgroundTask task;

    static void Run(void* self) {
        auto* decoder = static_cast<RasterDecoder*>(self);
        if (!decoder->Decode()) decoder->bands->failed = true;
    }

    bool Decode() const {
        RasterImage* image = bands->image;
        const uint32_t width = uint32_t(image->width()), height = uint32_t(image->height());
        MappedBuffer raster;
        char message[1024] = "";
        TIFFRGBAImage rgba;
        if (!raster.Allocate(size_t(width) * 4 * bands->band) ||
            !TIFFRGBAImageBegin(&rgba, tiff, 0, message)) {
            return false;
        }
        rgba.req_orientation = ORIENTATION_TOPLEFT;
        const size_t rasterStride = size_t(width) * 4;
        const uint64_t step = uint64_t(bands->band) * uint64_t(bands->decoders);
        bool ok = true;
        for (uint64_t y = uint64_t(firstBand) * bands->band; ok && y < height; y += step) {
            const uint32_t first = uint32_t(y);
            const uint32_t rows = std::min(bands->band, height - first);
            rgba.row_offset = int(first);
            rgba.col_offset = 0;
            ok = !bands->failed &&
                 TIFFRGBAImageGet(&rgba, reinterpret_cast<uint32_t*>(raster.data()), width, rows);
            bands->writeAhead->WaitFor(image->stride() * size_t(first + rows));
            for (uint32_t r = 0; ok && r < rows; ++r) {
                // Each raster value holds red, green, blue, alpha; alpha is dropped.
                PackColourBytes(raster.data() + r * rasterStride, image->Row(int32_t(first + r)),
                                int32_t(width), 0);
            }
            if (ok) bands->colour->ConvertRows(image, int32_t(first), int32_t(rows));
        }
        TIFFRGBAImageEnd(&rgba);
        return ok;
    }
};

}  // namespace

bool TiffReader::ReadImage() {
    if (width_ > INT32_MAX || height_ > INT32_MAX) return false;
    TIFF* tiff = AsTiff(tiff_);
    SrgbConversion colour;
    if (PrepareDeepColours(tiff, &colour)) return ReadDeepStrips(colour);
    colour.Prepare(DescriptionOf(tiff), IsGrey(tiff) ? Samples::kGreyAsRgb8 : Samples::kRgb8);
    // The RGBA raster is decoded band by band, top row first, into scratch blocks of one band:
    // the same pixels as one whole-image read, in far less memory. Each decoder's band and
    // libtiff's decoded strip or tile are counted before anything is made.
    const uint32_t band = BandRows(tiff, height_);
    const uint64_t decoderBytes = uint64_t(width_) * 4 * band + DecodeUnitBytes(tiff);
    const uint64_t bandCount = (uint64_t(height_) + band - 1) / band;
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    int decoders = int(std::min<uint64_t>({cores, kMaxRasterDecoders, bandCount}));
    while (decoders > 1 && !FitsDecodeBudget(width_, height_, decoders * decoderBytes)) --decoders;
    char message[1024] = "";
    if (!FitsDecodeBudget(width_, height_, decoderBytes) || !TIFFRGBAImageOK(tiff, message)) {
        return false;
    }
    // Further decoders read the file through handles of their own; one that does not open
    // as the same picture is not used.
    TiffHandle handles[kMaxRasterDecoders];
    for (int i = 1; i < decoders; ++i) {
        handles[i].reset(OpenTiff(path_.c_str()));
        uint32_t width = 0, height = 0;
        if (!handles[i] || TIFFGetField(handles[i].get(), TIFFTAG_IMAGEWIDTH, &width) != 1 ||
            TIFFGetField(handles[i].get(), TIFFTAG_IMAGELENGTH, &height) != 1 || width != width_ ||
            height != height_ || !TIFFRGBAImageOK(handles[i].get(), message)) {
            decoders = i;
            break;
        }
    }
    if (!target_->Create(int32_t(width_), int32_t(height_), 24, 0)) return false;
    WriteAhead writeAhead;
    // Pages are made writable ahead only on a core that no decoder keeps busy.
    if (unsigned(decoders) < cores) {
        writeAhead.Start(target_->pixels(), target_->stride() * size_t(height_));
    }
    RasterBands bands{target_, &colour, &writeAhead, band, decoders};
    RasterDecoder decoder[kMaxRasterDecoders];
    for (int i = decoders - 1; i >= 0; --i) {
        decoder[i].bands = &bands;
        decoder[i].tiff = i == 0 ? tiff : handles[i].get();
        decoder[i].firstBand = uint32_t(i);
        // The first decoder, and one whose thread cannot start, runs here.
        if (i == 0 || !decoder[i].task.Start(RasterDecoder::Run, &decoder[i])) {
            RasterDecoder::Run(&decoder[i]);
        }
    }
    for (int i = 1; i < decoders; ++i) decoder[i].task.Wait();
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
