// The library's one command: read an image of any known format and write it as an
// uncompressed 24-bit BMP.
#pragma once

#include <cstdint>

#include "imageconv/raster_image.h"
#include "runtime/abi.h"
#include "runtime/values.h"

namespace kv::imageconv {

// Results of LoadAnyImage and ConvertToBmp.
enum ConvertResult : int32_t {
    kConverted = 1,
    kSourceMissing = -1,
    kNotDecoded = -3,     // no reader accepted the file, or the accepting one failed
    kBmpNotWritten = -4,  // the BMP (or the 24-bit image it is written from) failed
    kArgumentMissing = -7,
};

// Offers the file to the JPEG, BMP, TIFF, PNG, PCX, Photo CD, WebP and HEIF (HEIC, AVIF)
// readers in that order; the first one that recognises it alone decodes it into `image`.
// With `trueColour` the JPEG and PNG readers deliver 24 bits for every picture they take.
int32_t LoadAnyImage(const char* path, RasterImage* image, bool trueColour = false);

// The conversion itself, on plain texts.
int32_t ConvertFileToBmp(const char* source, const char* target);

// The LibraryCommand entry: two text arguments, an integer result.
void KV_CDECL ConvertToBmp(ArgValue* result, int32_t count, ArgValue* args);

}  // namespace kv::imageconv
