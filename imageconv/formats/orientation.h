// Photos upright: the orientation a camera records in a JPEG's EXIF block, and the turning
// and mirroring that shows the stored pixels as they are meant to be seen.
#pragma once

#include <cstddef>
#include <cstdint>

#include "imageconv/raster_image.h"

namespace kv::imageconv {

// The EXIF orientation (1–8) in the payload of an APP1 segment ("Exif\0\0", then a TIFF
// header and the first IFD). 1, "as stored", for anything else: no EXIF block, a damaged
// one, no orientation entry, or a value outside 1–8.
int ExifOrientation(const uint8_t* app1, size_t size);

// Creates `target` as `stored` shown in the given orientation (1–8): mirrored for 2 and 4,
// turned half way for 3, and with width and height exchanged for 5–8. Same depth and
// palette; false when the target cannot be created.
bool Orient(const RasterImage& stored, int orientation, RasterImage* target);

}  // namespace kv::imageconv
