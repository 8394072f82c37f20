// The planes libheif decodes (Y'CbCr at any subsampling, monochrome or planar RGB, 8 to 16
// bits) turned into our 24-bit rows, with the matrix and range the picture declares.
#pragma once

#include "imageconv/raster_image.h"

struct heif_image;
struct heif_image_handle;

namespace kv::imageconv {

class SrgbConversion;

// Creates `target` at the decoded size and fills it from `image`'s planes, turned into sRGB by
// `colour` when it is ready; `handle`'s colour description comes before the decoded image's.
// Bands of rows are done side by side on the machine's cores.
bool PlanesTo24Bit(const heif_image* image, const heif_image_handle* handle,
                   const SrgbConversion& colour, RasterImage* target);

}  // namespace kv::imageconv
