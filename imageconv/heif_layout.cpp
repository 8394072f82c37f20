#include "imageconv/heif_layout.h"

#include <cstring>
#include <vector>

namespace kv::imageconv {
namespace {

// The largest `meta` box read: far beyond any real file's item tables.
constexpr uint64_t kMetaLimit = 16u << 20;

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

// The picture size of an HEVC sequence parameter set (after its two-byte NAL header).
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
    if (bits.GetGolomb() == 3) bits.Get(1);
    picture->width = bits.GetGolomb();
    picture->height = bits.GetGolomb();
    return bits.ok();
}

// hvcC: chroma format and bit depths in the header, the sequence parameter sets in the
// arrays after it.
void ReadHevcConfig(Bytes in, CodedPicture* picture) {
    in.Skip(16);
    const uint64_t chroma = in.Get(1) & 3;
    const uint64_t depth = 8 + (in.Get(1) & 7);
    in.Skip(3);
    const uint64_t arrays = in.Get(1);
    const uint64_t sampleBytes = depth > 8 ? 2 : 1;
    const uint64_t planes[] = {8, 12, 16, 24};  // eighths: monochrome, 4:2:0, 4:2:2, 4:4:4
    for (uint64_t a = 0; a < arrays && in.ok(); ++a) {
        const uint64_t type = in.Get(1) & 0x3F;
        const uint64_t count = in.Get(2);
        for (uint64_t n = 0; n < count && in.ok(); ++n) {
            const uint64_t length = in.Get(2);
            CodedPicture sps;
            if (type == 33 && length <= in.left() && HevcSpsSize(in.here(), size_t(length), &sps) &&
                sps.width * sps.height > picture->width * picture->height) {
                *picture = sps;
                picture->eighthsPerPixel = planes[chroma] * sampleBytes;
            }
            in.Skip(length);
        }
    }
}

// The maximum frame size of an AV1 sequence header OBU's payload.
bool Av1SequenceSize(Bits* bits, CodedPicture* picture) {
    bits->Get(3);  // profile
    bits->Get(1);  // still picture
    if (bits->Get(1)) {
        bits->Get(5);  // reduced still picture header: one level
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
    return bits->ok();
}

// av1C: bit depth and subsampling in its header, the sequence header among the OBUs after.
void ReadAv1Config(Bytes in, CodedPicture* picture) {
    in.Skip(2);
    const uint64_t flags = in.Get(1);
    in.Skip(1);
    const uint64_t sampleBytes = flags & 0x60 ? 2 : 1;
    const uint64_t eighths = flags & 0x10             ? 8
                             : (flags & 0x0C) == 0x0C ? 12
                             : (flags & 0x08)         ? 16
                                                      : 24;
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
        if (!in.ok() || size > in.left()) return;
        CodedPicture sequence;
        if ((header >> 3 & 0xF) == 1) {
            Bits bits(std::vector<uint8_t>(in.here(), in.here() + size));
            if (Av1SequenceSize(&bits, &sequence) &&
                sequence.width * sequence.height > picture->width * picture->height) {
                *picture = sequence;
                picture->eighthsPerPixel = eighths * sampleBytes;
            }
        }
        in.Skip(size);
    }
}

struct ItemLocation {
    uint64_t method = 0;  // 0: file offset, 1: offset into idat
    uint64_t offset = 0;
    uint64_t length = 0;
    bool found = false;
};

// The first extent of `item` in an iloc box.
ItemLocation FindLocation(Bytes in, uint64_t item) {
    ItemLocation location;
    const uint64_t version = in.Get(1);
    in.Skip(3);
    const uint64_t sizes = in.Get(2);
    const int offsetSize = int(sizes >> 12), lengthSize = int(sizes >> 8 & 15);
    const int baseSize = int(sizes >> 4 & 15), indexSize = version >= 1 ? int(sizes & 15) : 0;
    const uint64_t count = in.Get(version < 2 ? 2 : 4);
    for (uint64_t i = 0; i < count && in.ok(); ++i) {
        const uint64_t id = in.Get(version < 2 ? 2 : 4);
        const uint64_t method = version >= 1 ? in.Get(2) & 15 : 0;
        in.Skip(2);
        const uint64_t base = in.Get(baseSize);
        const uint64_t extents = in.Get(2);
        for (uint64_t e = 0; e < extents && in.ok(); ++e) {
            in.Get(indexSize);
            const uint64_t offset = in.Get(offsetSize), length = in.Get(lengthSize);
            if (id == item && e == 0 && in.ok()) location = {method, base + offset, length, true};
        }
    }
    return location;
}

// The type of `item` in an iinf box (item info entries of version 2 and 3).
uint32_t FindItemType(Bytes in, uint64_t item) {
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
        if (body.ok() && id == item) return type;
    }
    return 0;
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
    Bytes metaBody(meta.data(), meta.size());
    metaBody.Skip(4);
    uint64_t primary = 0;
    Bytes iinf(nullptr, 0), iloc(nullptr, 0), idat(nullptr, 0);
    Box box;
    while (NextBox(&metaBody, &box)) {
        if (box.type == Tag("pitm")) {
            const uint64_t version = box.body.Get(1);
            box.body.Skip(3);
            primary = box.body.Get(version == 0 ? 2 : 4);
        } else if (box.type == Tag("iinf")) {
            iinf = box.body;
        } else if (box.type == Tag("iloc")) {
            iloc = box.body;
        } else if (box.type == Tag("idat")) {
            idat = box.body;
        } else if (box.type == Tag("iprp")) {
            Bytes iprp = box.body;
            Box ipco, property;
            while (NextBox(&iprp, &ipco)) {
                if (ipco.type != Tag("ipco")) continue;
                while (NextBox(&ipco.body, &property)) {
                    if (property.type == Tag("hvcC"))
                        ReadHevcConfig(property.body, &layout->largestCoded);
                    if (property.type == Tag("av1C"))
                        ReadAv1Config(property.body, &layout->largestCoded);
                }
            }
        }
    }
    const uint32_t type = FindItemType(iinf, primary);
    if (type != Tag("grid") && type != Tag("iovl")) return true;
    // A grid or overlay is described by its item's data: version, flags (bit 0: 32-bit
    // sizes), then rows and columns or the fill colour, then the composed size.
    const ItemLocation location = FindLocation(iloc, primary);
    uint8_t data[32] = {};
    const uint64_t wanted = location.length < sizeof data ? location.length : sizeof data;
    if (!location.found || wanted < 6) return false;
    if (location.method == 1) {
        if (location.offset > idat.left() || wanted > idat.left() - location.offset) return false;
        memcpy(data, idat.here() + location.offset, size_t(wanted));
    } else if (location.method != 0 || !file->Seek(location.offset) ||
               !file->Read(data, size_t(wanted))) {
        return false;
    }
    Bytes description(data, size_t(wanted));
    description.Skip(1);
    const int fieldBytes = description.Get(1) & 1 ? 4 : 2;
    description.Skip(type == Tag("grid") ? 2 : 8);
    layout->composedWidth = description.Get(fieldBytes);
    layout->composedHeight = description.Get(fieldBytes);
    return description.ok();
}

}  // namespace kv::imageconv
