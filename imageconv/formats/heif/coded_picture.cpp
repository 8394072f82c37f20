#include "imageconv/formats/heif/coded_picture.h"

#include <algorithm>
#include <vector>

namespace kv::imageconv::heif {
namespace {

// Coded units (NAL units, OBUs) walked in the items' data of one file, and the longest
// parameter set: a picture or grid tile has a handful of short units, so more or longer
// refuses the file, and a small hostile file cannot make the walk take long.
constexpr uint64_t kUnitLimit = 1u << 13;
constexpr uint64_t kParameterSetLimit = 4096;

// An HEVC parameter set without its emulation-prevention bytes (00 00 03 → 00 00).
std::vector<uint8_t> Unescaped(const uint8_t* nal, size_t size) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i < size; ++i) {
        if (i >= 2 && nal[i] == 3 && nal[i - 1] == 0 && nal[i - 2] == 0) continue;
        out.push_back(nal[i]);
    }
    return out;
}

// Bytes per pixel in eighths of a picture with `chroma` (0 monochrome, 1 4:2:0, 2 4:2:2,
// 3 4:4:4) and the given luma and chroma bit depths.
uint64_t EighthsPerPixel(uint64_t chroma, uint64_t lumaDepth, uint64_t chromaDepth) {
    const uint64_t chromaEighths[] = {0, 4, 8, 16};  // both chroma planes
    return 8 * (lumaDepth > 8 ? 2 : 1) + chromaEighths[chroma & 3] * (chromaDepth > 8 ? 2 : 1);
}

// The picture size, chroma format and bit depths of an HEVC sequence parameter set (after
// its two-byte NAL header). False for a set that does not parse.
bool HevcSpsSize(const uint8_t* nal, size_t size, CodedPicture* picture) {
    if (size < 3) return false;
    Bits bits(Unescaped(nal + 2, size - 2));
    bits.Get(4);  // video parameter set id
    const int subLayers = int(bits.Get(3));
    bits.Get(1);
    bits.Get(96);  // general profile, tier and level
    bool profilePresent[8] = {}, levelPresent[8] = {};
    for (int i = 0; i < subLayers; ++i) {
        profilePresent[i] = bits.Get(1);
        levelPresent[i] = bits.Get(1);
    }
    if (subLayers > 0) bits.Get(2 * (8 - subLayers));
    for (int i = 0; i < subLayers; ++i)
        bits.Get((profilePresent[i] ? 88 : 0) + (levelPresent[i] ? 8 : 0));
    bits.GetGolomb();  // sequence parameter set id
    const uint64_t chroma = bits.GetGolomb();
    if (chroma == 3) bits.Get(1);
    picture->width = bits.GetGolomb();
    picture->height = bits.GetGolomb();
    if (bits.Get(1)) {  // conformance window
        for (int i = 0; i < 4; ++i) bits.GetGolomb();
    }
    const uint64_t lumaDepth = 8 + bits.GetGolomb();
    const uint64_t chromaDepth = 8 + bits.GetGolomb();
    picture->eighthsPerPixel = EighthsPerPixel(chroma, lumaDepth, chromaDepth);
    return bits.ok() && chroma <= 3 && lumaDepth <= 16 && chromaDepth <= 16;
}

uint64_t Bytes8(const CodedPicture& picture) {
    return picture.width * picture.height * picture.eighthsPerPixel;
}

// Keeps the picture whose planes take more bytes; false for a size beyond the side limit.
bool KeepLarger(const CodedPicture& candidate, CodedPicture* largest) {
    if (candidate.width >= kLayoutSideLimit || candidate.height >= kLayoutSideLimit) return false;
    if (Bytes8(candidate) > Bytes8(*largest)) *largest = candidate;
    return true;
}

// An AV1 sequence header OBU's payload: the maximum frame size, and the planes from its
// colour configuration (what the decoder allocates, whatever av1C claims).
bool Av1SequenceSize(Bits* bits, CodedPicture* picture) {
    const uint64_t profile = bits->Get(3);
    bits->Get(1);  // still picture
    const bool reduced = bits->Get(1);
    if (reduced) {
        bits->Get(5);  // one level
    } else {
        bool decoderModel = false;
        int delayLength = 0;
        if (bits->Get(1)) {  // timing info
            bits->Get(64);
            if (bits->Get(1)) bits->GetGolomb();
            decoderModel = bits->Get(1);
            if (decoderModel) {
                delayLength = int(bits->Get(5)) + 1;
                bits->Get(32 + 5 + 5);
            }
        }
        const bool displayDelay = bits->Get(1);
        const int points = int(bits->Get(5)) + 1;
        for (int i = 0; i < points && bits->ok(); ++i) {
            bits->Get(12);
            if (bits->Get(5) > 7) bits->Get(1);
            if (decoderModel && bits->Get(1)) bits->Get(2 * delayLength + 1);
            if (displayDelay && bits->Get(1)) bits->Get(4);
        }
    }
    const int widthBits = int(bits->Get(4)) + 1;
    const int heightBits = int(bits->Get(4)) + 1;
    picture->width = bits->Get(widthBits) + 1;
    picture->height = bits->Get(heightBits) + 1;
    if (!reduced && bits->Get(1)) bits->Get(7);  // frame id numbers: two lengths
    bits->Get(3);  // 128 × 128 superblocks, filter intra, intra edge filter
    if (!reduced) {
        bits->Get(4);  // inter-intra, masked compound, warped motion, dual filter
        const bool orderHint = bits->Get(1);
        if (orderHint) bits->Get(2);
        const bool chooseScreenContent = bits->Get(1);
        const uint64_t screenContent = chooseScreenContent ? 2 : bits->Get(1);
        if (screenContent > 0 && !bits->Get(1)) bits->Get(1);  // integer motion vectors
        if (orderHint) bits->Get(3);
    }
    bits->Get(3);  // superres, cdef, restoration
    // Colour configuration: bit depth, then monochrome and subsampling.
    const bool highDepth = bits->Get(1);
    const uint64_t depth = profile == 2 && highDepth ? (bits->Get(1) ? 12 : 10)
                           : highDepth               ? 10
                                                     : 8;
    const bool monochrome = profile != 1 && bits->Get(1);
    uint64_t primaries = 2, transfer = 2, matrix = 2;
    if (bits->Get(1)) {
        primaries = bits->Get(8);
        transfer = bits->Get(8);
        matrix = bits->Get(8);
    }
    uint64_t chroma = 1;
    if (monochrome) {
        chroma = 0;
    } else if (primaries == 1 && transfer == 13 && matrix == 0) {
        chroma = 3;  // sRGB
    } else {
        bits->Get(1);  // colour range
        if (profile == 1) {
            chroma = 3;
        } else if (profile == 2) {
            const bool halfWidth = depth == 12 ? bits->Get(1) : true;
            const bool halfHeight = depth == 12 && halfWidth ? bits->Get(1) : false;
            chroma = !halfWidth ? 3 : halfHeight ? 1 : 2;
        }
    }
    picture->eighthsPerPixel = EighthsPerPixel(chroma, depth, depth);
    return bits->ok() && profile <= 2;
}

// An AV1 sequence header OBU's payload; false when it does not parse.
bool ReadAv1Sequence(const uint8_t* payload, size_t size, CodedPicture* largest) {
    Bits bits(std::vector<uint8_t>(payload, payload + size));
    CodedPicture sequence;
    return Av1SequenceSize(&bits, &sequence) && KeepLarger(sequence, largest);
}

}  // namespace

// hvcC: a 22-byte header, the array count, then the arrays of parameter sets.
bool ReadHevcConfig(Bytes in, CodedPicture* picture) {
    in.Skip(22);
    const uint64_t arrays = in.Get(1);
    for (uint64_t a = 0; a < arrays && in.ok(); ++a) {
        const uint64_t type = in.Get(1) & 0x3F;
        const uint64_t count = in.Get(2);
        for (uint64_t n = 0; n < count && in.ok(); ++n) {
            const uint64_t length = in.Get(2);
            if (length > in.left()) return false;
            CodedPicture sps;
            if (type == 33 &&
                !(HevcSpsSize(in.here(), size_t(length), &sps) && KeepLarger(sps, picture)))
                return false;
            in.Skip(length);
        }
    }
    return in.ok();
}

// av1C: a 4-byte header, then the OBUs the writer put there (the sequence header among them).
bool ReadAv1Config(Bytes in, CodedPicture* picture) {
    in.Skip(4);
    while (in.left() > 0 && in.ok()) {
        const uint64_t header = in.Get(1);
        if (header & 4) in.Skip(1);  // extension
        uint64_t size = in.left();
        if (header & 2) {  // LEB128 size
            size = 0;
            for (int i = 0, more = 1; more && i < 8; ++i) {
                const uint64_t byte = in.Get(1);
                size |= (byte & 0x7F) << (7 * i);
                more = byte & 0x80;
            }
        }
        if (!in.ok() || size > in.left()) return false;
        if ((header >> 3 & 0xF) == 1 && !ReadAv1Sequence(in.here(), size_t(size), picture))
            return false;
        in.Skip(size);
    }
    return in.ok();
}

// Walks the coded units of an HEVC item (NAL units after 4-byte lengths, as libheif reads
// them) or an AV1 item (OBUs with their sizes) and keeps the largest picture a parameter set
// or sequence header among them codes: the decoder takes those from the data too. False
// when a unit does not fit the data, a parameter set is too long or does not parse, or
// the file holds more units than the limit.
bool ReadCodedUnits(ItemData* data, bool hevc, uint64_t* units, CodedPicture* largest) {
    for (uint64_t at = 0; at < data->size();) {
        if (++*units > kUnitLimit) return false;
        uint8_t head[10] = {};
        if (!data->Read(at, head, size_t(std::min<uint64_t>(sizeof head, data->size() - at))))
            return false;
        uint64_t start = 0, length = 0;
        bool parameters = false;
        if (hevc) {
            start = at + 4;
            length = Bytes(head, 4).Get(4);
            parameters = (head[4] >> 1 & 0x3F) == 33;
        } else {
            int used = head[0] & 4 ? 2 : 1;
            // Without its size field an OBU fills the rest of the data.
            for (int more = head[0] & 2, shift = 0; more; shift += 7, ++used) {
                if (used >= int(sizeof head)) return false;
                length |= uint64_t(head[used] & 0x7F) << shift;
                more = head[used] & 0x80;
            }
            start = at + uint64_t(used);
            if (!(head[0] & 2) && start <= data->size()) length = data->size() - start;
            parameters = (head[0] >> 3 & 0xF) == 1;
        }
        if (start > data->size() || length > data->size() - start) return false;
        if (parameters) {
            if (length > kParameterSetLimit) return false;
            std::vector<uint8_t> unit(static_cast<size_t>(length));
            if (!data->Read(start, unit.data(), unit.size())) return false;
            CodedPicture picture;
            if (hevc &&
                !(HevcSpsSize(unit.data(), unit.size(), &picture) && KeepLarger(picture, largest)))
                return false;
            if (!hevc && !ReadAv1Sequence(unit.data(), unit.size(), largest)) return false;
        }
        at = start + length;
    }
    return true;
}

}  // namespace kv::imageconv::heif
