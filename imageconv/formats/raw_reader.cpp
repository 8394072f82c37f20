#include "imageconv/formats/raw_reader.h"

#include <libraw/libraw.h>

#include <cctype>
#include <cstdio>
#include <cstring>

#include "imageconv/formats/byte_order.h"
#include "imageconv/formats/jpeg_reader.h"
#include "imageconv/formats/orientation.h"

namespace kv::imageconv {
namespace {

constexpr const char* kRawExtensions[] = {
    "3fr", "ari", "arw", "bay", "cap", "cr2", "cr3", "crw", "dcr", "dcs", "dng", "erf",
    "fff", "gpr", "iiq", "k25", "kdc", "mdc", "mef", "mos", "mrw", "nef", "nrw", "orf",
    "ori", "pef", "ptx", "pxn", "raf", "raw", "rw2", "rwl", "sr2", "srf", "srw", "x3f",
};

// LibRaw's orientation (its flip code: bit 2 exchanges rows and columns, bit 1 counts rows
// from the bottom, bit 0 columns from the right) as an EXIF orientation.
constexpr int kFlipToOrientation[8] = {1, 2, 4, 3, 5, 8, 6, 7};

// The picture size the frame header of the JPEG stream at `offset` declares, found by walking
// its markers up to the frame; false when the stream ends or its scan starts first.
bool JpegFrameSize(LibRaw_abstract_datastream* file, int64_t offset, uint64_t length,
                   uint64_t* width, uint64_t* height) {
    uint8_t bytes[9];
    auto readAt = [&](uint64_t at, size_t count) {
        return at + count <= length && file->seek(offset + int64_t(at), SEEK_SET) == 0 &&
               file->read(bytes, 1, count) == int(count);
    };
    if (!readAt(0, 2) || bytes[0] != 0xFF || bytes[1] != 0xD8) return false;
    for (uint64_t at = 2; readAt(at, 4) && bytes[0] == 0xFF;) {
        const uint8_t marker = bytes[1];
        if (marker == 0xFF) {  // a fill byte
            ++at;
        } else if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {  // no length field
            at += 2;
        } else if (marker == 0xD9 || marker == 0xDA) {
            return false;
        } else if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
                   marker != 0xCC) {
            if (!readAt(at, 9)) return false;
            *height = Be16(bytes + 5);
            *width = Be16(bytes + 7);
            return true;
        } else {
            at += 2 + Be16(bytes + 2);
        }
    }
    return false;
}

}  // namespace

bool HasRawExtension(const char* path) {
    const char* dot = strrchr(path, '.');
    if (!dot || strpbrk(dot, "/\\")) return false;
    char extension[4] = {};
    const size_t length = strlen(dot + 1);
    if (length != 3) return false;
    for (size_t i = 0; i < length; ++i) extension[i] = char(tolower(uint8_t(dot[1 + i])));
    for (const char* known : kRawExtensions) {
        if (strcmp(known, extension) == 0) return true;
    }
    return false;
}

RawReader::RawReader() = default;

RawReader::~RawReader() {
    Close();
}

bool RawReader::Open(const char* path, RasterImage* target) {
    Close();
    if (!HasRawExtension(path)) return false;
    try {
        // LibRaw's object is large (about 750 KB): it is made only for files that may be RAW.
        file_ = std::make_unique<LibRaw_bigfile_datastream>(path);
        raw_ = std::make_unique<LibRaw>(LIBRAW_OPTIONS_NONE);
        raw_->set_dataerror_handler(nullptr, nullptr);  // its messages are never shown
        if (file_->valid() && raw_->open_datastream(file_.get()) == LIBRAW_SUCCESS) {
            target_ = target;
            return true;
        }
    } catch (...) {
        // LibRaw turns its own errors into results; what escapes is the C++ runtime's.
    }
    Close();
    return false;
}

// The listed preview of most pixels that the reader can show and the budget can hold, its
// size known before anything is read: a JPEG's from its frame header in the file, a
// bitmap's from the list. -1 when there is none.
int RawReader::LargestPreview() const {
    const libraw_thumbnail_list_t& list = raw_->imgdata.thumbs_list;
    const uint64_t fileSize = uint64_t(file_->size());
    int best = -1;
    uint64_t bestPixels = 0, bestBytes = 0;
    for (int i = 0; i < list.thumbcount && i < LIBRAW_THUMBNAIL_MAXCOUNT; ++i) {
        const libraw_thumbnail_item_t& item = list.thumblist[i];
        if (item.toffset < 0 || item.tlength == 0 || uint64_t(item.toffset) > fileSize ||
            item.tlength > fileSize - uint64_t(item.toffset)) {
            continue;
        }
        uint64_t width = item.twidth, height = item.theight;
        if (item.tformat == LIBRAW_INTERNAL_THUMBNAIL_JPEG &&
            !JpegFrameSize(file_.get(), item.toffset, item.tlength, &width, &height)) {
            continue;
        }
        if (width == 0 || height == 0 || !FitsDecodeBudget(width, height, 0)) continue;
        const uint64_t pixels = width * height;
        if (pixels > bestPixels || (pixels == bestPixels && item.tlength > bestBytes)) {
            best = i;
            bestPixels = pixels;
            bestBytes = item.tlength;
        }
    }
    return best;
}

bool RawReader::Decode() {
    bool ok = false;
    const int preview = raw_ ? LargestPreview() : -1;
    if (preview >= 0) {
        // Cameras store the preview as the sensor saw it and record the turn in the RAW
        // file's own metadata; the preview's EXIF block, if any, usually says nothing.
        const int orientation = kFlipToOrientation[raw_->imgdata.sizes.flip & 7];
        if (orientation == 1) {
            ok = ReadPreview(preview, target_);
        } else {
            RasterImage stored;
            ok = ReadPreview(preview, &stored) && Orient(stored, orientation, target_);
        }
    }
    if (ok) target_->Flush();
    Close();
    return ok;
}

bool RawReader::ReadPreview(int index, RasterImage* stored) {
    try {
        if (raw_->unpack_thumb_ex(index) != LIBRAW_SUCCESS) return false;
    } catch (...) {
        return false;
    }
    const libraw_thumbnail_t& preview = raw_->imgdata.thumbnail;
    if (preview.tformat != LIBRAW_THUMBNAIL_JPEG) return CopyBitmap(stored);
    JpegReader jpeg;
    jpeg.set_true_colour(trueColour_);
    return jpeg.OpenPreview(reinterpret_cast<const uint8_t*>(preview.thumb), preview.tlength,
                            stored) &&
           jpeg.Decode();
}

// A bitmap preview, 8 or 16 bits a sample, grey or RGB, as 24-bit rows.
bool RawReader::CopyBitmap(RasterImage* stored) const {
    const libraw_thumbnail_t& preview = raw_->imgdata.thumbnail;
    const bool wide = preview.tformat == LIBRAW_THUMBNAIL_BITMAP16;
    const size_t channels = size_t(preview.tcolors);
    if ((preview.tformat != LIBRAW_THUMBNAIL_BITMAP && !wide) || (channels != 1 && channels != 3)) {
        return false;
    }
    const size_t sampleBytes = wide ? 2 : 1;
    size_t bytes = 0;
    if (!BlockSize(preview.twidth, preview.theight, channels * sampleBytes, &bytes) ||
        bytes > preview.tlength || !stored->Create(preview.twidth, preview.theight, 24, 0)) {
        return false;
    }
    const auto* samples = reinterpret_cast<const uint8_t*>(preview.thumb);
    // A 16-bit sample is in the machine's order; its high byte is the 8-bit value.
    auto sample = [&](size_t at) {
        return wide ? uint8_t(reinterpret_cast<const uint16_t*>(samples)[at] >> 8) : samples[at];
    };
    size_t at = 0;
    for (int32_t y = 0; y < stored->height(); ++y) {
        uint8_t* out = stored->Row(y);
        for (int32_t x = 0; x < stored->width(); ++x, at += channels, out += 3) {
            for (size_t c = 0; c < 3; ++c) out[c] = sample(at + (channels == 3 ? c : 0));
        }
    }
    return true;
}

void RawReader::Close() {
    raw_.reset();
    file_.reset();
    target_ = nullptr;
}

}  // namespace kv::imageconv
