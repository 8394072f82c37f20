// Conversion of any RasterImage into a 24-bit image of the same size.
#pragma once

#include "imageconv/raster_image.h"

namespace kv::imageconv {

// Fills `target` (already created: same width and height, 24 bits, no palette) from
// `source`: palette lookup, grey replication, 16-bit expansion, or alpha dropped. False when
// the sizes or depths do not fit.
bool ConvertTo24Bit(const RasterImage& source, RasterImage* target);

}  // namespace kv::imageconv
