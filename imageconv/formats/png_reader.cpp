#include "imageconv/formats/png_reader.h"

#include <png.h>

#include "imageconv/colour/colour_to_srgb.h"

namespace kv::imageconv {
namespace {

png_structp AsPng(void* p) {
    return static_cast<png_structp>(p);
}
png_infop AsInfo(void* p) {
    return static_cast<png_infop>(p);
}

void JumpBackToReader(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void IgnoreWarning(png_structp, png_const_charp) {}

void ReadFromStream(png_structp png, png_bytep buffer, size_t count) {
    auto* input = static_cast<InputFile*>(png_get_io_ptr(png));
    if (!input->Read(buffer, count)) png_error(png, "reading png image error");
}

// What the file says about its colours, first of: cICP, iCCP, sRGB (which asks for nothing),
// gAMA and cHRM. Pointers stay valid while `info` lives.
ColourDescription DescriptionOf(png_structp png, png_infop info) {
    ColourDescription colours;
    png_byte primaries = 0, transfer = 0, matrix = 0, fullRange = 0;
    png_charp name = nullptr;
    png_bytep icc = nullptr;
    png_uint_32 iccSize = 0;
    int compression = 0;
    if (png_get_cICP(png, info, &primaries, &transfer, &matrix, &fullRange)) {
        colours.hasCodePoints = true;
        colours.primaries = primaries;
        colours.transfer = transfer;
    } else if (png_get_iCCP(png, info, &name, &compression, &icc, &iccSize)) {
        colours.icc = icc;
        colours.iccSize = iccSize;
    } else if (!png_get_valid(png, info, PNG_INFO_sRGB)) {
        png_get_gAMA(png, info, &colours.encodingGamma);
        double* c = colours.chromaticities;
        png_get_cHRM(png, info, &c[0], &c[1], &c[2], &c[3], &c[4], &c[5], &c[6], &c[7]);
    }
    return colours;
}

}  // namespace

bool PngReader::Open(const char* path, RasterImage* target) {
    Close();
    if (!input_.Open(path)) return false;
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, JumpBackToReader, IgnoreWarning);
    if (!png) return false;
    png_ = png;
    info_ = png_create_info_struct(png);
    if (!info_) return false;
    target_ = target;
    opened_ = ReadHeader();
    return opened_;
}

// Kept apart from Open so that the jump buffer's frame holds nothing that needs destroying.
bool PngReader::ReadHeader() {
    png_structp png = AsPng(png_);
    png_infop info = AsInfo(info_);
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_read_fn(png, &input_, ReadFromStream);
    // libpng's default refuses more than 1,000,000 pixels a side; the image storage's own
    // size cap is the only limit here.
    png_set_user_limits(png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
    png_read_info(png, info);
    png_uint_32 width = 0, height = 0;
    int depth = 0, colorType = 0;
    png_get_IHDR(png, info, &width, &height, &depth, &colorType, nullptr, nullptr, nullptr);
    // Rows are read straight into the storage: libpng holds no picture-sized buffer, and a
    // picture whose 24-bit form could not be stored is refused before anything is decoded.
    if (depth > 8 || width > INT32_MAX || height > INT32_MAX ||
        !FitsDecodeBudget(width, height, 0)) {
        return false;
    }
    png_set_packing(png);
    if (trueColour_) {
        // Palette and grey samples become red, green, blue and alpha is dropped, as the
        // rows are read.
        if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
        if (!(colorType & PNG_COLOR_MASK_COLOR)) {
            if (depth < 8) png_set_expand_gray_1_2_4_to_8(png);
            png_set_gray_to_rgb(png);
        }
        png_set_strip_alpha(png);
        bits_ = 24;
    } else if (colorType == PNG_COLOR_TYPE_PALETTE) {
        png_colorp palette = nullptr;
        int count = 0;
        if (!png_get_PLTE(png, info, &palette, &count)) count = 0;
        bits_ = 8;
        paletteCount_ = count;
    } else if (colorType & PNG_COLOR_MASK_COLOR) {
        bits_ = (colorType & PNG_COLOR_MASK_ALPHA) ? 32 : 24;
    } else {
        // Grey (with or without alpha) becomes an 8-bit grey image: small samples are
        // scaled up without turning a transparent colour into alpha, and an alpha channel
        // is dropped, so that every row holds exactly one byte per pixel.
        if (depth < 8) png_set_expand_gray_1_2_4_to_8(png);
        if (colorType & PNG_COLOR_MASK_ALPHA) png_set_strip_alpha(png);
        bits_ = 8;
    }
    width_ = int32_t(width);
    height_ = int32_t(height);
    return true;
}

bool PngReader::Decode() {
    bool ok = opened_ && ReadRows();
    Close();
    return ok;
}

bool PngReader::ReadRows() {
    png_structp png = AsPng(png_);
    png_infop info = AsInfo(info_);
    if (setjmp(png_jmpbuf(png))) {
        writeAhead_.Stop();
        return false;
    }
    if (paletteCount_ > RasterImage::kMaxPalette) return false;
    if (!target_->Create(width_, height_, bits_, paletteCount_)) return false;
    if (paletteCount_ > 0) {
        png_colorp palette = nullptr;
        int count = 0;
        png_get_PLTE(png, info, &palette, &count);
        for (int i = 0; i < paletteCount_ && i < count; ++i) {
            target_->palette()[i] = {palette[i].red, palette[i].green, palette[i].blue};
        }
    }
    const bool colour = (png_get_color_type(png, info) & PNG_COLOR_MASK_COLOR) != 0;
    png_set_swap_alpha(png);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    // Whatever the transformations do, libpng must deliver exactly one image row per row.
    if (png_get_rowbytes(png, info) != target_->stride()) return false;
    writeAhead_.Start(target_->pixels(), target_->stride() * size_t(height_));
    for (int pass = 0; pass < passes; ++pass) {
        for (int32_t y = 0; y < height_; ++y) {
            png_bytep row = target_->Row(y);
            writeAhead_.WaitFor(target_->stride() * size_t(y + 1));
            png_read_rows(png, &row, nullptr, 1);
        }
    }
    writeAhead_.Stop();
    // What follows the last row (the end of the compressed stream, the chunks after the
    // image data) holds nothing the conversion uses, so it is not read at all. Colours are
    // turned into sRGB by lcms2, not by libpng's gamma correction.
    ConvertRowsToSrgb(target_, DescriptionOf(png, info),
                      colour ? Samples::kRgb8 : Samples::kGreyAsRgb8);
    target_->Flush();
    return true;
}

void PngReader::Close() {
    if (png_) {
        png_structp png = AsPng(png_);
        png_infop info = AsInfo(info_);
        png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    }
    png_ = nullptr;
    info_ = nullptr;
    input_.Close();
    target_ = nullptr;
    width_ = height_ = 0;
    bits_ = paletteCount_ = 0;
    opened_ = false;
}

}  // namespace kv::imageconv
