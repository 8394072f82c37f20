// The pictures HEVC and AV1 decoders allocate: their size, chroma format and bit depths,
// read from the decoder configurations (hvcC, av1C) and from the parameter sets and
// sequence headers in the coded data, whatever the file's other boxes claim.
#pragma once

#include <cstdint>

#include "imageconv/formats/heif/box_fields.h"
#include "imageconv/formats/heif/heif_items.h"

namespace kv::imageconv {

struct CodedPicture {
    uint64_t width = 0;
    uint64_t height = 0;
    // Bytes of all planes per pixel, in eighths (4:2:0 at 8 bits: 12; 4:4:4 at 16 bits: 48).
    uint64_t eighthsPerPixel = 48;
};

// Every size this reader accepts is below this, so products of a few of them cannot wrap.
constexpr uint64_t kLayoutSideLimit = 1u << 24;

namespace heif {

// hvcC: keeps the largest picture its sequence parameter sets code; false when one does not
// parse or is too large.
bool ReadHevcConfig(Bytes in, CodedPicture* picture);
// av1C: keeps the largest picture its sequence header codes; false when it does not parse.
bool ReadAv1Config(Bytes in, CodedPicture* picture);
// Walks the coded units of an HEVC item (NAL units after 4-byte lengths, as libheif reads
// them) or an AV1 item (OBUs with their sizes) and keeps the largest picture a parameter set
// or sequence header among them codes: the decoder takes those from the data too. False
// when a unit does not fit the data, a parameter set is too long or does not parse, or
// the file holds more units than the limit.
bool ReadCodedUnits(ItemData* data, bool hevc, uint64_t* units, CodedPicture* largest);

}  // namespace heif
}  // namespace kv::imageconv
