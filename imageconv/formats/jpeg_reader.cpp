#include "imageconv/formats/jpeg_reader.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
// jerror.h needs jpeglib.h (from the header) first.
#include <jerror.h>

#include "imageconv/formats/orientation.h"

namespace kv::imageconv {
namespace {
// Rows handed to libjpeg per call; several at once spare it an intermediate row copy.
constexpr int kRowsPerCall = 16;
// EXIF blocks live in APP1 segments and ICC profiles in APP2 ones (in numbered chunks), which
// are at most this long.
constexpr unsigned kLongestSegment = 0xFFFF;

void JumpBackToReader(j_common_ptr common) {
    auto* errors = reinterpret_cast<JpegReader::ErrorManager*>(common->err);
    char message[JMSG_LENGTH_MAX];
    (*common->err->format_message)(common, message);  // formatted and discarded
    longjmp(errors->jump, 1);
}

void DiscardMessage(j_common_ptr) {}

// Warnings stay silent; running out of data is remembered.
void NoteWarning(j_common_ptr common, int level) {
    auto* errors = reinterpret_cast<JpegReader::ErrorManager*>(common->err);
    if (level < 0 && common->err->msg_code == JWRN_JPEG_EOF) errors->endedEarly = true;
}
}  // namespace

JpegReader::JpegReader() {
    memset(&decompressor_, 0, sizeof decompressor_);
    memset(&errors_, 0, sizeof errors_);
}

bool JpegReader::Open(const char* path, RasterImage* target) {
    Close();
    if (!input_.Open(path)) return false;
    uint8_t signature[2];
    if (!input_.Read(signature, 2) || signature[0] != 0xFF || signature[1] != 0xD8) return false;
    if (!input_.Seek(0)) return false;
    target_ = target;
    opened_ = StartDecompress();
    return opened_;
}

bool JpegReader::OpenPreview(const uint8_t* data, size_t size, RasterImage* target) {
    Close();
    if (size < 2 || data[0] != 0xFF || data[1] != 0xD8) return false;
    preview_ = data;
    previewSize_ = size;
    target_ = target;
    opened_ = StartDecompress();
    return opened_;
}

// Kept apart from Open so that the jump buffer's frame holds nothing that needs destroying.
bool JpegReader::StartDecompress() {
    decompressor_.err = jpeg_std_error(&errors_.standard);
    errors_.standard.error_exit = JumpBackToReader;
    errors_.standard.output_message = DiscardMessage;  // warnings stay silent too
    errors_.standard.emit_message = NoteWarning;
    if (setjmp(errors_.jump)) return false;
    created_ = true;  // destroying a struct that creation left unset is harmless
    jpeg_create_decompress(&decompressor_);
    if (preview_) {
        jpeg_mem_src(&decompressor_, preview_, static_cast<unsigned long>(previewSize_));
    } else {
        jpeg_stdio_src(&decompressor_, input_.get());
        jpeg_save_markers(&decompressor_, JPEG_APP0 + 1, kLongestSegment);
    }
    jpeg_save_markers(&decompressor_, JPEG_APP0 + 2, kLongestSegment);
    if (jpeg_read_header(&decompressor_, TRUE) != JPEG_HEADER_OK) return false;
    for (jpeg_saved_marker_ptr m = decompressor_.marker_list; m && orientation_ == 1; m = m->next) {
        orientation_ = ExifOrientation(m->data, m->data_length);
    }
    // A picture whose 24-bit form could not be stored is refused before libjpeg allocates
    // for it. Its own working memory (whole-image coefficients of progressive and
    // multi-scan files) gets the library budget: beyond it, starting fails.
    if (!FitsDecodeBudget(decompressor_.image_width, decompressor_.image_height, 0)) return false;
    decompressor_.mem->max_memory_to_use =
        long(kLibraryBudget < LONG_MAX ? kLibraryBudget : LONG_MAX);
    // Grey pictures asked for in colour come out of libjpeg as red, green, blue.
    if (trueColour_ && decompressor_.jpeg_color_space == JCS_GRAYSCALE) {
        decompressor_.out_color_space = JCS_RGB;
    }
    // libjpeg joins the profile's chunks in their numbered order, and finds none when a
    // number is missing, repeated or out of range.
    JOCTET* icc = nullptr;
    unsigned int iccSize = 0;
    if (trueColour_ && jpeg_read_icc_profile(&decompressor_, &icc, &iccSize)) {
        // Held from here: preparing the conversion may be refused an allocation and throw.
        const std::unique_ptr<JOCTET, void (*)(void*)> held(icc, free);
        const bool grey = decompressor_.jpeg_color_space == JCS_GRAYSCALE;
        colour_.Prepare({icc, iccSize}, grey ? Samples::kGreyAsRgb8 : Samples::kRgb8);
    }
    if (!jpeg_start_decompress(&decompressor_)) return false;
    const int outputComponents = decompressor_.output_components;
    return decompressor_.output_width >= 1 && decompressor_.output_height >= 1 &&
           (outputComponents == 1 || outputComponents == 3);
}

bool JpegReader::Decode() {
    bool ok = false;
    if (opened_ && orientation_ == 1) {
        ok = ReadRows(target_);
    } else if (opened_) {
        // A turned or mirrored photo is decoded as stored, then rearranged upright.
        RasterImage stored;
        ok = ReadRows(&stored) && Orient(stored, orientation_, target_);
    }
    if (ok) target_->Flush();
    Close();
    return ok;
}

bool JpegReader::ReadRows(RasterImage* image) {
    if (setjmp(errors_.jump)) {
        rowsToSrgb_.Stop();
        writeAhead_.Stop();
        return false;
    }
    const int bits = decompressor_.output_components == 3 ? 24 : 8;
    if (decompressor_.output_width > INT32_MAX || decompressor_.output_height > INT32_MAX) {
        return false;
    }
    if (!image->Create(int32_t(decompressor_.output_width), int32_t(decompressor_.output_height),
                       bits, 0)) {
        return false;
    }
    const JDIMENSION height = decompressor_.output_height;
    rowsToSrgb_.Begin(&colour_, image);
    writeAhead_.Start(image->pixels(), image->stride() * size_t(height));
    JSAMPROW rows[kRowsPerCall];
    while (decompressor_.output_scanline < height) {
        const JDIMENSION first = decompressor_.output_scanline;
        JDIMENSION count = height - first;
        if (count > JDIMENSION(kRowsPerCall)) count = kRowsPerCall;
        for (JDIMENSION i = 0; i < count; ++i) rows[i] = image->Row(int32_t(first + i));
        writeAhead_.WaitFor(image->stride() * size_t(first + count));
        const JDIMENSION read = jpeg_read_scanlines(&decompressor_, rows, count);
        if (read == 0) {
            rowsToSrgb_.Stop();
            writeAhead_.Stop();
            return false;
        }
        rowsToSrgb_.Decoded(int32_t(first + read));
    }
    writeAhead_.Stop();
    rowsToSrgb_.Finish();
    return !(preview_ && errors_.endedEarly);
}

void JpegReader::Close() {
    if (created_) jpeg_destroy_decompress(&decompressor_);
    created_ = false;
    memset(&decompressor_, 0, sizeof decompressor_);
    input_.Close();
    preview_ = nullptr;
    previewSize_ = 0;
    errors_.endedEarly = false;
    target_ = nullptr;
    orientation_ = 1;
    colour_.Reset();
    opened_ = false;
}

}  // namespace kv::imageconv
