// What libheif will decode for a HEIF file's primary image, read from the file's boxes
// before libheif is given the file: the composed size of a grid or overlay image and the
// coded sizes its decoder configurations declare. A file's `ispe` sizes are only claims;
// these are the sizes the decoders allocate for.
#pragma once

#include <cstdint>

#include "imageconv/input_file.h"

namespace kv::imageconv {

struct CodedPicture {
    uint64_t width = 0;
    uint64_t height = 0;
    // Bytes of all planes per pixel, in eighths (4:2:0 at 8 bits: 12); 48 when unknown.
    uint64_t eighthsPerPixel = 48;
};

struct HeifLayout {
    // The composed size when the primary image is a grid or an overlay, else 0 × 0.
    uint64_t composedWidth = 0;
    uint64_t composedHeight = 0;
    // The largest coded picture any HEVC or AV1 configuration in the file declares; 0 × 0
    // when none declares its size.
    CodedPicture largestCoded;
};

// Reads the `meta` box of the file and the primary item's
// grid or overlay description. False for a file whose boxes do not hold together.
bool ReadHeifLayout(InputFile* file, uint64_t fileSize, HeifLayout* layout);

}  // namespace kv::imageconv
