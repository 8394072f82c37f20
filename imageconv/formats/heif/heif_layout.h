// What libheif will decode for a HEIF file's primary image, read from the file's boxes
// before libheif is given the file: the composed size of a grid or overlay image, the
// canvases of every derived image it is built from, and the coded sizes its decoder
// configurations and coded data declare. A file's `ispe` sizes are only claims; these are
// the sizes the decoders allocate for. A file this reader cannot read as libheif will, or
// whose decode would take more than one pass over each of its items, is refused.
#pragma once

#include <cstdint>

#include "imageconv/formats/heif/coded_picture.h"
#include "imageconv/formats/input_file.h"

namespace kv::imageconv {

struct HeifLayout {
    // The composed size when the primary image is a grid or an overlay (or an identity
    // image of one), else 0 × 0.
    uint64_t composedWidth = 0;
    uint64_t composedHeight = 0;
    // The largest coded picture, in bytes, any HEVC or AV1 configuration or coded item in
    // the file declares; 0 × 0 when none declares its size.
    CodedPicture largestCoded;
    // Planes of the grid and overlay canvases the primary image is built from, besides its
    // own: each is held while the image above it is composed.
    uint64_t derivedBytes = 0;
};

// Reads the `meta` box of the file, the coded items' parameter sets and the derivations
// of the primary item. False for a file whose boxes do not hold together, that repeats a
// box libheif reads once, or whose primary image uses an item kind other than HEVC, AV1,
// grid, overlay and identity, shares an item between two derivations or attaches an
// auxiliary image to anything but the primary image.
bool ReadHeifLayout(InputFile* file, uint64_t fileSize, HeifLayout* layout);

}  // namespace kv::imageconv
