// Colour management of the readers whose formats carry a colour space (WebP, HEIF): the
// stored rows are turned into sRGB, which is what a BMP without a profile is shown as.
#pragma once

#include <cstddef>
#include <cstdint>

#include "imageconv/raster_image.h"

namespace kv::imageconv {

// What a picture says about its colours: an ICC profile, or coding-independent code points
// (colour primaries and transfer characteristics, as numbered for video and HEIF `nclx`).
struct ColourDescription {
    const uint8_t* icc = nullptr;
    size_t iccSize = 0;
    bool hasCodePoints = false;
    int primaries = 2;  // 2: unspecified
    int transfer = 2;
};

// Converts the 24-bit rows (red, green, blue) of `image` in place to sRGB with the
// perceptual intent. Pictures without a description, described as sRGB, or with a profile
// that cannot be used keep their rows byte for byte.
void ConvertRowsToSrgb(RasterImage* image, const ColourDescription& colours);

}  // namespace kv::imageconv
