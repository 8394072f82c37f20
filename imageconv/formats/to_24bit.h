// Conversion of any RasterImage into a 24-bit image of the same size.
#pragma once

#include "imageconv/raster_image.h"

namespace kv::imageconv {

// Fills `target` (already created: same width and height, 24 bits, no palette) from
// `source`: palette lookup, grey replication, 16-bit expansion, or alpha dropped. False when
// the sizes or depths do not fit.
bool ConvertTo24Bit(const RasterImage& source, RasterImage* target);

// Packs a row of `width` 4-byte pixels into 3-byte ones, keeping the three colour bytes that
// start at `firstColourByte` (0 or 1) of each pixel.
void PackColourBytes(const uint8_t* in, uint8_t* out, int32_t width, int firstColourByte);

}  // namespace kv::imageconv
