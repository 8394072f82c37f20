#include "imageconv/heif_layout.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <vector>

namespace kv::imageconv {
namespace {

// The largest `meta` box read: far beyond any real file's item tables.
constexpr uint64_t kMetaLimit = 16u << 20;
// Coded units (NAL units, OBUs) walked in the items' data of one file, and the largest
// parameter set read: a picture or grid tile has a handful of units, so more refuses the
// file, and a small hostile file cannot make the walk take long.
constexpr uint64_t kUnitLimit = 1u << 13;
constexpr uint64_t kParameterSetLimit = 4096;

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

// The picture size, chroma format and bit depth of an HEVC sequence parameter set (after
// its two-byte NAL header).
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
    const uint64_t depth = 8 + bits.GetGolomb();
    const uint64_t planes[] = {8, 12, 16, 24};  // eighths: monochrome, 4:2:0, 4:2:2, 4:4:4
    picture->eighthsPerPixel = planes[chroma & 3] * (depth > 8 ? 2 : 1);
    return bits.ok() && chroma <= 3;
}

// Keeps the larger picture.
void KeepLarger(const CodedPicture& candidate, CodedPicture* largest) {
    if (candidate.width * candidate.height > largest->width * largest->height) *largest = candidate;
}

// hvcC: a 22-byte header, the array count, then the arrays of parameter sets.
void ReadHevcConfig(Bytes in, CodedPicture* picture) {
    in.Skip(22);
    const uint64_t arrays = in.Get(1);
    for (uint64_t a = 0; a < arrays && in.ok(); ++a) {
        const uint64_t type = in.Get(1) & 0x3F;
        const uint64_t count = in.Get(2);
        for (uint64_t n = 0; n < count && in.ok(); ++n) {
            const uint64_t length = in.Get(2);
            CodedPicture sps;
            if (type == 33 && length <= in.left() && HevcSpsSize(in.here(), size_t(length), &sps))
                KeepLarger(sps, picture);
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

// An AV1 sequence header OBU's payload, with the planes of `eighths` per pixel.
void ReadAv1Sequence(const uint8_t* payload, size_t size, uint64_t eighths, CodedPicture* picture) {
    Bits bits(std::vector<uint8_t>(payload, payload + size));
    CodedPicture sequence;
    sequence.eighthsPerPixel = eighths;
    if (Av1SequenceSize(&bits, &sequence)) KeepLarger(sequence, picture);
}

// av1C: bit depth and subsampling in its header (kept in `eighths`, the largest seen), the
// sequence header among the OBUs after, when the writer put it there.
void ReadAv1Config(Bytes in, CodedPicture* picture, uint64_t* eighths) {
    in.Skip(2);
    const uint64_t flags = in.Get(1);
    in.Skip(1);
    const uint64_t sampleBytes = flags & 0x60 ? 2 : 1;
    const uint64_t planes = flags & 0x10             ? 8
                            : (flags & 0x0C) == 0x0C ? 12
                            : (flags & 0x08)         ? 16
                                                     : 24;
    if (!in.ok()) return;
    if (planes * sampleBytes > *eighths) *eighths = planes * sampleBytes;
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
        if ((header >> 3 & 0xF) == 1) ReadAv1Sequence(in.here(), size_t(size), *eighths, picture);
        in.Skip(size);
    }
}

// The items' data: each item's extents joined, in the file (construction method 0) or in
// the meta box's idat (method 1). The iloc box is read once, whatever the number of items.
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
        for (uint64_t i = 0; i < count && iloc.ok(); ++i) {
            Item& item = items_[iloc.Get(version < 2 ? 2 : 4)];
            const uint64_t method = version >= 1 ? iloc.Get(2) & 15 : 0;
            iloc.Skip(2);
            const uint64_t base = iloc.Get(baseSize);
            const uint64_t extents = iloc.Get(2);
            for (uint64_t e = 0; e < extents && iloc.ok(); ++e) {
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
        }
        if (!iloc.ok()) items_.clear();
    }

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
    // An item listed twice may mix methods: each extent keeps its own.
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
};

// Calls `use(id, type)` for each item of an iinf box (item info entries of version 2 and 3).
template <typename Use>
void ForEachItem(Bytes in, Use use) {
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
        if (body.ok()) use(id, type);
    }
}

// Walks the coded units of an HEVC item (NAL units after 4-byte lengths, as libheif reads
// them) or an AV1 item (OBUs with their sizes) and keeps the largest picture a parameter set
// or sequence header among them codes: the decoder takes those from the data too. False
// when a unit does not fit the data or the file holds more units than the limit.
bool ReadCodedUnits(ItemData* data, bool hevc, uint64_t av1Eighths, uint64_t* units,
                    CodedPicture* largest) {
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
        if (parameters && length <= kParameterSetLimit) {
            std::vector<uint8_t> unit(static_cast<size_t>(length));
            if (!data->Read(start, unit.data(), unit.size())) return false;
            CodedPicture picture;
            if (hevc && HevcSpsSize(unit.data(), unit.size(), &picture))
                KeepLarger(picture, largest);
            if (!hevc) ReadAv1Sequence(unit.data(), unit.size(), av1Eighths, largest);
        }
        at = start + length;
    }
    return true;
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
    uint64_t primary = 0, av1Eighths = 0;
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
                        ReadAv1Config(property.body, &layout->largestCoded, &av1Eighths);
                }
            }
        }
    }
    // The coded items' own parameter sets and sequence headers.
    ItemData data(file, fileSize, idat, iloc);
    uint32_t primaryType = 0;
    uint64_t units = 0;
    bool unitsFit = true;
    ForEachItem(iinf, [&](uint64_t id, uint32_t type) {
        if (id == primary) primaryType = type;
        if (unitsFit && (type == Tag("hvc1") || type == Tag("av01")) && data.Select(id)) {
            unitsFit = ReadCodedUnits(&data, type == Tag("hvc1"), av1Eighths ? av1Eighths : 48,
                                      &units, &layout->largestCoded);
        }
    });
    if (!unitsFit) return false;
    if (primaryType != Tag("grid") && primaryType != Tag("iovl")) return true;
    // A grid or overlay is described by its item's data: version, flags (bit 0: 32-bit
    // sizes), then rows and columns or the fill colour, then the composed size.
    uint8_t description[32] = {};
    if (!data.Select(primary) || data.size() < 6) return false;
    const size_t wanted = size_t(std::min<uint64_t>(data.size(), sizeof description));
    if (!data.Read(0, description, wanted)) return false;
    Bytes fields(description, wanted);
    fields.Skip(1);
    const int fieldBytes = fields.Get(1) & 1 ? 4 : 2;
    fields.Skip(primaryType == Tag("grid") ? 2 : 8);
    layout->composedWidth = fields.Get(fieldBytes);
    layout->composedHeight = fields.Get(fieldBytes);
    return fields.ok();
}

}  // namespace kv::imageconv
