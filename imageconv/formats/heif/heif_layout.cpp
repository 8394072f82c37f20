#include "imageconv/formats/heif/heif_layout.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <map>
#include <set>
#include <vector>

namespace kv::imageconv {
namespace {

// The largest `meta` box read: far beyond any real file's item tables.
constexpr uint64_t kMetaLimit = 16u << 20;
// Coded units (NAL units, OBUs) walked in the items' data of one file, and the longest
// parameter set: a picture or grid tile has a handful of short units, so more or longer
// refuses the file, and a small hostile file cannot make the walk take long.
constexpr uint64_t kUnitLimit = 1u << 13;
constexpr uint64_t kParameterSetLimit = 4096;
// libheif's own default limits on items and on extents per item; references are bounded
// the same way, so that a small meta box cannot make large tables here.
constexpr uint64_t kItemLimit = 1000;
constexpr uint64_t kExtentLimit = 32;
constexpr uint64_t kReferenceLimit = 4 * kItemLimit;

// Big-endian fields of a byte range; every read past the end fails the whole reader.
class Bytes {
  public:
    Bytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool ok() const { return ok_; }
    size_t left() const { return ok_ ? size_ - at_ : 0; }
    const uint8_t* here() const { return data_ + at_; }
    uint64_t Get(int bytes) {
        if (bytes < 0 || size_t(bytes) > left()) {
            ok_ = false;
            return 0;
        }
        uint64_t value = 0;
        for (int i = 0; i < bytes; ++i) value = value << 8 | data_[at_++];
        return value;
    }
    void Skip(uint64_t bytes) {
        if (bytes > left()) ok_ = false;
        if (ok_) at_ += size_t(bytes);
    }

  private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
    bool ok_ = true;
};

// Bits, most significant first, of a coded header.
class Bits {
  public:
    explicit Bits(std::vector<uint8_t> data) : data_(std::move(data)) {}
    bool ok() const { return at_ <= data_.size() * 8; }
    uint64_t Get(int count) {
        uint64_t value = 0;
        for (int i = 0; i < count; ++i, ++at_) {
            const uint64_t bit = at_ < data_.size() * 8 ? data_[at_ / 8] >> (7 - at_ % 8) & 1 : 0;
            value = value << 1 | bit;
        }
        return value;
    }
    // Exp-Golomb (HEVC ue(v)) and AV1's uvlc: leading zeros, a one, then as many bits.
    uint64_t GetGolomb() {
        int zeros = 0;
        while (ok() && Get(1) == 0) ++zeros;
        if (zeros >= 32) {
            at_ = data_.size() * 8 + 1;
            return 0;
        }
        return (uint64_t(1) << zeros) - 1 + Get(zeros);
    }

  private:
    std::vector<uint8_t> data_;
    size_t at_ = 0;
};

struct Box {
    uint32_t type = 0;
    Bytes body{nullptr, 0};
};

constexpr uint32_t Tag(const char (&name)[5]) {
    return uint32_t(uint8_t(name[0])) << 24 | uint32_t(uint8_t(name[1])) << 16 |
           uint32_t(uint8_t(name[2])) << 8 | uint8_t(name[3]);
}

// The next box of a container; false at its end or when a size does not fit.
bool NextBox(Bytes* in, Box* box) {
    if (in->left() < 8) return false;
    uint64_t size = in->Get(4);
    box->type = uint32_t(in->Get(4));
    uint64_t header = 8;
    if (size == 1) {
        size = in->Get(8);
        header = 16;
    } else if (size == 0) {
        size = in->left() + header;
    }
    if (!in->ok() || size < header || size - header > in->left()) return false;
    box->body = Bytes(in->here(), size_t(size - header));
    in->Skip(size - header);
    return true;
}

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

// The items' data: each item's extents joined, in the file (construction method 0) or in
// the meta box's idat (method 1). The iloc box is read once, whatever the number of items;
// an item listed twice, more items than libheif takes or more extents per item refuse it.
class ItemData {
  public:
    ItemData(InputFile* file, uint64_t fileSize, Bytes idat, Bytes iloc)
        : file_(file), idat_(idat) {
        const uint64_t version = iloc.Get(1);
        iloc.Skip(3);
        const uint64_t sizes = iloc.Get(2);
        const int offsetSize = int(sizes >> 12), lengthSize = int(sizes >> 8 & 15);
        const int baseSize = int(sizes >> 4 & 15), indexSize = version >= 1 ? int(sizes & 15) : 0;
        const uint64_t count = iloc.Get(version < 2 ? 2 : 4);
        ok_ = iloc.ok() && count <= kItemLimit;
        for (uint64_t i = 0; i < count && ok_; ++i) {
            const auto added = items_.emplace(iloc.Get(version < 2 ? 2 : 4), Item());
            Item& item = added.first->second;
            const uint64_t method = version >= 1 ? iloc.Get(2) & 15 : 0;
            iloc.Skip(2);
            const uint64_t base = iloc.Get(baseSize);
            const uint64_t extents = iloc.Get(2);
            ok_ = added.second && extents <= kExtentLimit && iloc.ok();
            for (uint64_t e = 0; e < extents && ok_; ++e) {
                iloc.Get(indexSize);
                const uint64_t offset = base + iloc.Get(offsetSize);
                uint64_t length = iloc.Get(lengthSize);
                const uint64_t whole = method == 1 ? idat_.left() : fileSize;
                if (method > 1 || offset > whole) item.outside = true;
                if (item.outside) continue;
                if (length == 0) length = whole - offset;  // to the end
                item.outside = length > whole - offset;
                item.extents.push_back({method, offset, length});
                item.size += length;
            }
            ok_ = ok_ && iloc.ok();
        }
    }

    bool ok() const { return ok_; }

    // Makes `id` the item read; false when it is missing or an extent lies outside.
    bool Select(uint64_t id) {
        const auto found = items_.find(id);
        const bool usable =
            found != items_.end() && !found->second.outside && !found->second.extents.empty();
        selected_ = usable ? &found->second : nullptr;
        return usable;
    }

    uint64_t size() const { return selected_ ? selected_->size : 0; }

    // Reads `count` bytes at `at` of the selected item's joined extents.
    bool Read(uint64_t at, uint8_t* out, size_t count) {
        if (!selected_) return count == 0;
        for (const Extent& extent : selected_->extents) {
            if (count == 0) break;
            if (at >= extent.length) {
                at -= extent.length;
                continue;
            }
            const size_t part = size_t(std::min<uint64_t>(count, extent.length - at));
            if (extent.method == 1) {
                memcpy(out, idat_.here() + extent.offset + at, part);
            } else if (!file_->Seek(extent.offset + at) || !file_->Read(out, part)) {
                return false;
            }
            out += part;
            count -= part;
            at = 0;
        }
        return count == 0;
    }

  private:
    struct Extent {
        uint64_t method, offset, length;
    };
    struct Item {
        std::vector<Extent> extents;
        uint64_t size = 0;
        bool outside = false;
    };
    InputFile* file_;
    Bytes idat_;
    std::map<uint64_t, Item> items_;
    const Item* selected_ = nullptr;
    bool ok_ = false;
};

// The item types of an iinf box (item info entries of version 2 and 3); false for an item
// listed twice or more items than libheif takes.
bool ReadItemTypes(Bytes in, std::map<uint64_t, uint32_t>* types) {
    const uint64_t version = in.Get(1);
    in.Skip(3 + (version == 0 ? 2 : 4));
    Box entry;
    while (NextBox(&in, &entry)) {
        if (entry.type != Tag("infe")) continue;
        Bytes body = entry.body;
        const uint64_t entryVersion = body.Get(1);
        body.Skip(3);
        if (entryVersion < 2) continue;
        const uint64_t id = body.Get(entryVersion == 2 ? 2 : 4);
        body.Skip(2);
        const uint32_t type = uint32_t(body.Get(4));
        if (!body.ok() || types->size() >= kItemLimit || !types->emplace(id, type).second)
            return false;
    }
    return true;
}

// The derivations (dimg) and auxiliary images (auxl) of an iref box, both by the item they
// belong to; false for more references than libheif takes.
struct References {
    std::map<uint64_t, std::vector<uint64_t>> inputs, auxiliaries;
};
bool ReadReferences(Bytes in, References* references) {
    if (in.left() == 0) return true;  // no iref box
    const uint64_t version = in.Get(1);
    in.Skip(3);
    const int idBytes = version == 0 ? 2 : 4;
    uint64_t total = 0;
    Box reference;
    while (NextBox(&in, &reference)) {
        Bytes body = reference.body;
        const uint64_t from = body.Get(idBytes);
        const uint64_t count = body.Get(2);
        total += count;
        if (!body.ok() || count > kItemLimit || total > kReferenceLimit) return false;
        for (uint64_t n = 0; n < count; ++n) {
            const uint64_t to = body.Get(idBytes);
            if (reference.type == Tag("dimg")) references->inputs[from].push_back(to);
            if (reference.type == Tag("auxl")) references->auxiliaries[to].push_back(from);
        }
        if (!body.ok()) return false;
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

// The composed size of a grid or overlay item from its data: version, flags (bit 0: 32-bit
// sizes), then rows and columns or the fill colour, then the size.
bool ReadComposedSize(ItemData* data, uint64_t id, uint32_t type, uint64_t* width,
                      uint64_t* height) {
    uint8_t description[32] = {};
    if (!data->Select(id) || data->size() < 6) return false;
    const size_t wanted = size_t(std::min<uint64_t>(data->size(), sizeof description));
    if (!data->Read(0, description, wanted)) return false;
    Bytes fields(description, wanted);
    fields.Skip(1);
    const int fieldBytes = fields.Get(1) & 1 ? 4 : 2;
    fields.Skip(type == Tag("grid") ? 2 : 8);
    *width = fields.Get(fieldBytes);
    *height = fields.Get(fieldBytes);
    return fields.ok() && *width < kLayoutSideLimit && *height < kLayoutSideLimit;
}

}  // namespace

bool ReadHeifLayout(InputFile* file, uint64_t fileSize, HeifLayout* layout) {
    *layout = HeifLayout();
    // Top-level boxes are skipped by their headers until the meta box.
    std::vector<uint8_t> meta;
    for (uint64_t at = 0; at + 8 <= fileSize && meta.empty();) {
        uint8_t header[16];
        if (!file->Seek(at) || !file->Read(header, 8)) return false;
        Bytes fields(header, 8);
        uint64_t size = fields.Get(4), headerSize = 8;
        const uint32_t type = uint32_t(fields.Get(4));
        if (size == 1) {
            if (!file->Read(header + 8, 8)) return false;
            size = Bytes(header + 8, 8).Get(8);
            headerSize = 16;
        } else if (size == 0) {
            size = fileSize - at;
        }
        if (size < headerSize || size > fileSize - at) return false;
        if (type == Tag("meta")) {
            if (size > kMetaLimit) return false;
            meta.resize(size_t(size - headerSize));
            if (!file->Read(meta.data(), meta.size())) return false;
        }
        at += size;
    }
    // The boxes libheif reads once, by their first copy: a second copy refuses the file.
    Bytes metaBody(meta.data(), meta.size());
    metaBody.Skip(4);
    const uint32_t kOnce[] = {Tag("pitm"), Tag("iinf"), Tag("iloc"),
                              Tag("idat"), Tag("iref"), Tag("iprp")};
    std::map<uint32_t, Bytes> once;
    Box box;
    while (NextBox(&metaBody, &box)) {
        if (std::find(std::begin(kOnce), std::end(kOnce), box.type) == std::end(kOnce)) continue;
        if (!once.emplace(box.type, box.body).second) return false;
    }
    auto body = [&once](const char(&type)[5]) {
        const auto found = once.find(Tag(type));
        return found == once.end() ? Bytes(nullptr, 0) : found->second;
    };
    Bytes pitm = body("pitm");
    const uint64_t pitmVersion = pitm.Get(1);
    pitm.Skip(3);
    const uint64_t primary = pitm.Get(pitmVersion == 0 ? 2 : 4);
    // Every decoder configuration, used or not.
    Bytes iprp = body("iprp");
    Box ipco, property;
    while (NextBox(&iprp, &ipco)) {
        if (ipco.type != Tag("ipco")) continue;
        while (NextBox(&ipco.body, &property)) {
            if (property.type == Tag("hvcC") &&
                !ReadHevcConfig(property.body, &layout->largestCoded))
                return false;
            if (property.type == Tag("av1C") &&
                !ReadAv1Config(property.body, &layout->largestCoded))
                return false;
        }
    }
    // The coded items' own parameter sets and sequence headers.
    std::map<uint64_t, uint32_t> types;
    References references;
    ItemData data(file, fileSize, body("idat"), body("iloc"));
    if (!data.ok() || !ReadItemTypes(body("iinf"), &types) ||
        !ReadReferences(body("iref"), &references))
        return false;
    uint64_t units = 0;
    for (const auto& [id, type] : types) {
        if ((type == Tag("hvc1") || type == Tag("av01")) && data.Select(id) &&
            !ReadCodedUnits(&data, type == Tag("hvc1"), &units, &layout->largestCoded))
            return false;
    }
    // A canvas takes the format of the first picture pasted into it: counted at the largest.
    const uint64_t canvasEighths = 48;
    // The picture libheif composes: the primary's grid or overlay, also under identity items.
    uint64_t composed = primary;
    for (size_t steps = 0; types[composed] == Tag("iden") && steps < kItemLimit; ++steps) {
        const std::vector<uint64_t>& inputs = references.inputs[composed];
        if (inputs.size() != 1) return false;
        composed = inputs[0];
    }
    // Every item the primary image is built from, each reached once: libheif decodes an
    // item again for every path to it, so a shared item would multiply the work. Their
    // canvases are measured; auxiliary images belong to the primary image alone.
    std::vector<uint64_t> todo{primary};
    std::set<uint64_t> reached{primary};
    while (!todo.empty()) {
        const uint64_t id = todo.back();
        todo.pop_back();
        const uint32_t type = types[id];
        if (type != Tag("hvc1") && type != Tag("av01") && type != Tag("grid") &&
            type != Tag("iovl") && type != Tag("iden"))
            return false;
        if (type == Tag("grid") || type == Tag("iovl")) {
            uint64_t width = 0, height = 0;
            if (!ReadComposedSize(&data, id, type, &width, &height)) return false;
            if (id == composed) {
                layout->composedWidth = width;
                layout->composedHeight = height;
            } else {
                layout->derivedBytes += width * height * canvasEighths / 8;
            }
        }
        const std::vector<uint64_t>& inputs = references.inputs[id];
        const std::vector<uint64_t>& auxiliaries = references.auxiliaries[id];
        if (id != primary && !auxiliaries.empty()) return false;
        for (const std::vector<uint64_t>* next : {&inputs, &auxiliaries}) {
            for (uint64_t input : *next) {
                if (!reached.insert(input).second) return false;
                todo.push_back(input);
            }
        }
    }
    return true;
}

}  // namespace kv::imageconv
