// The planes libheif decodes (Y'CbCr at any subsampling, monochrome or planar RGB, 8 to 16
// bits) turned into our 24-bit rows, with the matrix and range the picture declares.
#pragma once

#include "imageconv/raster_image.h"

struct heif_image;
struct heif_image_handle;

namespace kv::imageconv {

// Creates `target` at the decoded size and fills it from `image`'s planes; `handle`'s colour
// description comes before the decoded image's.
bool PlanesTo24Bit(const heif_image* image, const heif_image_handle* handle, RasterImage* target);

}  // namespace kv::imageconv
