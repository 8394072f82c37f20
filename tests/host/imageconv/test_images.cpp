#include "tests/host/imageconv/test_images.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>
#include <zlib.h>

namespace kv::imageconv::test {
namespace {

void Put16(std::vector<uint8_t>* out, size_t at, uint32_t v) {
    (*out)[at] = uint8_t(v);
    (*out)[at + 1] = uint8_t(v >> 8);
}
void Put32(std::vector<uint8_t>* out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) (*out)[at + i] = uint8_t(v >> (8 * i));
}
uint32_t Get32(const std::vector<uint8_t>& in, size_t at) {
    return uint32_t(in[at]) | uint32_t(in[at + 1]) << 8 | uint32_t(in[at + 2]) << 16 |
           uint32_t(in[at + 3]) << 24;
}
uint16_t Get16(const std::vector<uint8_t>& in, size_t at) {
    return uint16_t(in[at] | in[at + 1] << 8);
}

std::vector<uint8_t> PcxHeader(int width, int height, int bitsPerPlane, int planes,
                               int bytesPerLine) {
    std::vector<uint8_t> header(128, 0);
    header[0] = 0x0A;
    header[1] = 5;
    header[2] = 1;
    header[3] = uint8_t(bitsPerPlane);
    Put16(&header, 4, 0);
    Put16(&header, 6, 0);
    Put16(&header, 8, uint32_t(width - 1));
    Put16(&header, 10, uint32_t(height - 1));
    header[65] = uint8_t(planes);
    Put16(&header, 66, uint32_t(bytesPerLine));
    return header;
}

}  // namespace

Pixels Pattern(int width, int height, int channels, uint32_t seed) {
    Pixels p{width, height, channels, std::vector<uint8_t>(size_t(width) * height * channels)};
    uint32_t noise = seed * 2654435761u + 12345;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < channels; ++c) {
                noise = noise * 1103515245u + 12345u;
                int base = (c == 0)   ? x * 255 / (width > 1 ? width - 1 : 1)
                           : (c == 1) ? y * 255 / (height > 1 ? height - 1 : 1)
                                      : ((x + y) * 7 + c * 40) & 0xFF;
                p.data[(size_t(y) * width + x) * channels + c] =
                    uint8_t(base ^ ((noise >> 24) & 0x0F));
            }
        }
    }
    return p;
}

Pixels Solid(int width, int height, std::vector<uint8_t> pixel) {
    Pixels p{width, height, int(pixel.size()), {}};
    for (int i = 0; i < width * height; ++i)
        p.data.insert(p.data.end(), pixel.begin(), pixel.end());
    return p;
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = bytes.empty() || fwrite(bytes.data(), bytes.size(), 1, f) == 1;
    return fclose(f) == 0 && ok;
}

std::string DataFile(const std::string& name) {
    return KV_TEST_DATA_DIR "/" + name;
}

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
Bytes Le(uint32_t v, int n) {
    Bytes out;
    for (int i = 0; i < n; ++i) out.push_back(uint8_t(v >> (8 * i)));
    return out;
}
Bytes Be(uint32_t v, int n) {
    Bytes out = Le(v, n);
    std::reverse(out.begin(), out.end());
    return out;
}
Bytes Tag(const char* tag) {
    return Bytes(tag, tag + 4);
}

Bytes WebpChunk(const char* tag, const Bytes& payload) {
    Bytes out = Tag(tag) + Le(uint32_t(payload.size()), 4) + payload;
    if (payload.size() % 2) out.push_back(0);
    return out;
}
Bytes Riff(const Bytes& chunks) {
    return Tag("RIFF") + Le(uint32_t(chunks.size() + 4), 4) + Tag("WEBP") + chunks;
}
Bytes Vp8l(uint32_t width, uint32_t height) {
    return Bytes{0x2F} + Le((width - 1) | (height - 1) << 14, 4) + Bytes{0x88, 0x88, 0x08};
}
Bytes Vp8x(uint8_t flags, uint32_t width, uint32_t height) {
    return WebpChunk("VP8X", Bytes{flags, 0, 0, 0} + Le(width - 1, 3) + Le(height - 1, 3));
}
Bytes AnimatedWebp(uint32_t width, uint32_t height) {
    const Bytes frame = Le(0, 3) + Le(0, 3) + Le(0, 3) + Le(0, 3) + Le(100, 3) + Bytes{0};
    return Riff(Vp8x(0x02, width, height) + WebpChunk("ANIM", Bytes(6, 0)) +
                WebpChunk("ANMF", frame + WebpChunk("VP8L", Vp8l(1, 1))));
}

Bytes JxlHeaderOnly(uint32_t width, uint32_t height) {
    // Fields are written from the lowest bit of each byte up.
    Bytes bytes{0xFF, 0x0A};
    int used = 8;
    auto put = [&](uint32_t value, int bits) {
        for (int i = 0; i < bits; ++i, ++used) {
            if (used == 8) bytes.push_back(0), used = 0;
            bytes.back() |= uint8_t((value >> i & 1) << used);
        }
    };
    // Not a small size; each side with the 30-bit form of its size less one; no ratio.
    put(0, 1);
    put(3, 2);
    put(height - 1, 30);
    put(0, 3);
    put(3, 2);
    put(width - 1, 30);
    put(1, 1);  // all metadata as default
    return bytes;
}

Bytes WithLosslessAlpha(const Bytes& lossyWebp) {
    // RIFF header, then the lossy chunk, whose frame header holds the size after a 3-byte
    // tag and a 3-byte start code.
    if (lossyWebp.size() < 30 || memcmp(lossyWebp.data() + 12, "VP8 ", 4) != 0) return {};
    const uint32_t width = (lossyWebp[26] | lossyWebp[27] << 8) & 0x3FFF;
    const uint32_t height = (lossyWebp[28] | lossyWebp[29] << 8) & 0x3FFF;
    // The alpha header byte says "lossless, unfiltered"; the lossless stream follows
    // without its 5-byte header (its size is the picture's).
    const Bytes lossless = Vp8l(width, height);
    const Bytes alpha = Bytes{1} + Bytes(lossless.begin() + 5, lossless.end());
    return Riff(Vp8x(0x10, width, height) + WebpChunk("ALPH", alpha) +
                Bytes(lossyWebp.begin() + 12, lossyWebp.end()));
}

Bytes Gunzip(const Bytes& packed) {
    z_stream z = {};
    if (inflateInit2(&z, 16 + MAX_WBITS) != Z_OK) return {};
    Bytes out;
    uint8_t piece[65536];
    z.next_in = const_cast<Bytef*>(packed.data());
    z.avail_in = uInt(packed.size());
    int status = Z_OK;
    while (status == Z_OK) {
        z.next_out = piece;
        z.avail_out = sizeof piece;
        status = inflate(&z, Z_NO_FLUSH);
        out.insert(out.end(), piece, piece + (sizeof piece - z.avail_out));
    }
    inflateEnd(&z);
    return status == Z_STREAM_END ? out : Bytes{};
}

Bytes Box(const char* type, const Bytes& body) {
    return Be(uint32_t(body.size() + 8), 4) + Tag(type) + body;
}
Bytes FullBox(const char* type, uint8_t version, const Bytes& body) {
    return Box(type, Bytes{version, 0, 0, 0} + body);
}
Bytes BoxBody(const Bytes& file, const char* type) {
    const auto at = std::search(file.begin(), file.end(), type, type + 4);
    if (at == file.end() || at - file.begin() < 4) return {};
    const size_t size = size_t(at[-4]) << 24 | size_t(at[-3]) << 16 | size_t(at[-2]) << 8 | at[-1];
    if (size < 8 || size - 4 > size_t(file.end() - at)) return {};
    return Bytes(at + 4, at + (size - 4));
}

Bytes HeifFile(const std::vector<HeifItem>& items, uint32_t primary, const Bytes& metaTail,
               int offsetBytes) {
    Bytes infos, locations, references, idat, associations;
    std::vector<Bytes> properties;
    uint32_t located = 0;
    for (const HeifItem& item : items) {
        infos = infos + FullBox("infe", 2, Be(item.id, 2) + Be(0, 2) + Tag(item.type) + Bytes{0});
        if (!item.data.empty()) {
            // One extent in idat (construction method 1).
            locations = locations + Be(item.id, 2) + Be(1, 2) + Be(0, 2) + Be(1, 2) +
                        Be(uint32_t(idat.size()), offsetBytes) + Be(uint32_t(item.data.size()), 4);
            idat = idat + item.data;
            ++located;
        }
        if (!item.inputs.empty()) {
            Bytes inputs;
            for (uint32_t input : item.inputs) inputs = inputs + Be(input, 2);
            references = references +
                         Box("dimg", Be(item.id, 2) + Be(uint32_t(item.inputs.size()), 2) + inputs);
        }
        Bytes indexes;
        for (const Bytes& property : item.properties) {
            auto at = std::find(properties.begin(), properties.end(), property);
            if (at == properties.end()) at = properties.insert(at, property);
            // Essential but for the size, so that a property libheif lacks fails the item.
            const bool essential = !std::equal(property.begin() + 4, property.begin() + 8, "ispe");
            indexes.push_back(uint8_t((essential ? 0x80 : 0) | (at - properties.begin() + 1)));
        }
        associations = associations + Be(item.id, 2) + Bytes{uint8_t(indexes.size())} + indexes;
    }
    Bytes ipco;
    for (const Bytes& property : properties) ipco = ipco + property;
    const Bytes meta = FullBox(
        "meta", 0,
        FullBox("hdlr", 0, Be(0, 4) + Tag("pict") + Bytes(13, 0)) +
            FullBox("pitm", 0, Be(primary, 2)) +
            FullBox("iinf", 0, Be(uint32_t(items.size()), 2) + infos) +
            FullBox("iloc", 1,
                    Bytes{uint8_t(offsetBytes << 4 | 4), 0} + Be(located, 2) + locations) +
            (references.empty() ? Bytes{} : FullBox("iref", 0, references)) +
            Box("iprp", Box("ipco", ipco) +
                            FullBox("ipma", 0, Be(uint32_t(items.size()), 4) + associations)) +
            Box("idat", idat) + metaTail);
    return Box("ftyp", Tag("heic") + Be(0, 4) + Tag("mif1") + Tag("heic")) + meta;
}

namespace {
// A HEIC whose primary item 1 is either the coded picture `coded` or, given a `derivation`,
// of `type` "grid" or "iovl" composed from item 2, that picture. The primary claims
// 64 × 64; a derived image's input claims the composed size, so that it covers a grid.
// `codedClaim`: the coded item's ispe body.
Bytes Heic(const char* type, const Bytes& derivation, const Bytes& hvcC, const Bytes& coded,
           const Bytes& codedClaim) {
    const Bytes claim = FullBox("ispe", 0, Be(64, 4) + Be(64, 4));
    if (derivation.empty())
        return HeifFile(
            {{1, "hvc1", coded, {}, {FullBox("ispe", 0, codedClaim), Box("hvcC", hvcC)}}}, 1);
    return HeifFile({{1, type, derivation, {2}, {claim}},
                     {2, "hvc1", coded, {}, {FullBox("ispe", 0, codedClaim), Box("hvcC", hvcC)}}},
                    1);
}

// Bits of a coded header, most significant first, and back to bytes after a rewrite: the
// header's own stop bit and padding are dropped and put back after the new bits.
std::vector<bool> BitsOf(const uint8_t* bytes, size_t size) {
    std::vector<bool> bits;
    for (size_t i = 0; i < size; ++i) {
        for (int b = 7; b >= 0; --b) bits.push_back(bytes[i] >> b & 1);
    }
    return bits;
}
void PutBits(std::vector<bool>* out, uint64_t value, int count) {
    for (int b = count - 1; b >= 0; --b) out->push_back(value >> b & 1);
}
Bytes Repacked(std::vector<bool> head, const std::vector<bool>& bits, size_t from) {
    size_t last = bits.size();
    while (last > from && !bits[last - 1]) --last;
    head.insert(head.end(), bits.begin() + ptrdiff_t(from), bits.begin() + ptrdiff_t(last));
    while (head.size() % 8) head.push_back(false);
    Bytes out(head.size() / 8);
    for (size_t i = 0; i < head.size(); ++i) out[i / 8] = uint8_t(out[i / 8] << 1 | head[i]);
    return out;
}

}  // namespace

Bytes WithCodedSize(const Bytes& nal, uint32_t width, uint32_t height, int chroma) {
    Bytes unescaped;
    for (size_t i = 2; i < nal.size(); ++i) {
        if (i < 4 || nal[i] != 3 || nal[i - 1] != 0 || nal[i - 2] != 0) unescaped.push_back(nal[i]);
    }
    const std::vector<bool> bits = BitsOf(unescaped.data(), unescaped.size());
    size_t at = 0;
    auto golomb = [&] {
        int zeros = 0;
        while (at < bits.size() && !bits[at++]) ++zeros;
        uint64_t value = 1;
        for (int i = 0; i < zeros && at < bits.size(); ++i) value = value << 1 | bits[at++];
        return value - 1;
    };
    auto putGolomb = [](std::vector<bool>* out, uint32_t value) {
        int length = 0;
        while ((uint64_t(value) + 1) >> (length + 1)) ++length;
        out->insert(out->end(), size_t(length), false);
        PutBits(out, uint64_t(value) + 1, length + 1);
    };
    if (bits.size() < 104 || bits[4] || bits[5] || bits[6]) return {};
    at = 104;  // ids, sub-layer count, profile, tier and level
    golomb();
    std::vector<bool> head(bits.begin(), bits.begin() + ptrdiff_t(at));
    const uint64_t ownChroma = golomb();
    if (ownChroma == 3) ++at;  // separate colour planes
    golomb();
    golomb();
    const uint32_t newChroma = chroma < 0 ? uint32_t(ownChroma) : uint32_t(chroma);
    putGolomb(&head, newChroma);
    if (newChroma == 3) head.push_back(false);
    putGolomb(&head, width);
    putGolomb(&head, height);
    Bytes escaped(nal.begin(), nal.begin() + 2);
    for (uint8_t byte : Repacked(head, bits, at)) {
        const size_t n = escaped.size();
        if (n >= 4 && byte <= 3 && escaped[n - 1] == 0 && escaped[n - 2] == 0) escaped.push_back(3);
        escaped.push_back(byte);
    }
    return escaped;
}

Bytes DerivedHeic(const Bytes& photo, const char* type, uint32_t width, uint32_t height) {
    if (photo.empty()) return {};
    // A grid of one row and one column; an overlay with a black fill and its one image at 0, 0.
    const Bytes grid = std::string(type) == "grid"
                           ? Bytes{0, 0, 0, 0} + Be(width, 2) + Be(height, 2)
                           : Bytes(10, 0) + Be(width, 2) + Be(height, 2) + Be(0, 4);
    const Bytes size = BoxBody(photo, "ispe");  // version and flags, then the size
    if (size.size() < 12) return {};
    return Heic(type, grid, BoxBody(photo, "hvcC"), BoxBody(photo, "mdat"),
                Bytes(size.begin() + 4, size.end()));
}

Bytes CodedSizeHeic(const Bytes& photo, uint32_t width, uint32_t height, bool inData,
                    size_t padding, int chroma, bool truthful) {
    // hvcC: a 22-byte header, the array count, then per array its type, NAL count and units.
    const Bytes config = BoxBody(photo, "hvcC");
    if (config.size() < 23) return {};
    Bytes rebuilt(config.begin(), config.begin() + 23), parameterSets;
    for (size_t at = 23, arrays = 0; arrays < config[22]; ++arrays) {
        if (at + 3 > config.size()) return {};
        const bool sps = (config[at] & 0x3F) == 33;
        const size_t count = size_t(config[at + 1]) << 8 | config[at + 2];
        rebuilt.insert(rebuilt.end(), config.begin() + ptrdiff_t(at),
                       config.begin() + ptrdiff_t(at + 3));
        at += 3;
        for (size_t n = 0; n < count; ++n) {
            if (at + 2 > config.size()) return {};
            const size_t length = size_t(config[at]) << 8 | config[at + 1];
            if (at + 2 + length > config.size()) return {};
            Bytes nal(config.begin() + ptrdiff_t(at + 2),
                      config.begin() + ptrdiff_t(at + 2 + length));
            if (sps) nal = WithCodedSize(nal, width, height, chroma);
            if (nal.empty()) return {};
            rebuilt = rebuilt + Be(uint32_t(nal.size()), 2) + nal;
            const Bytes padded = sps ? nal + Bytes(padding, 0xFF) : nal;
            parameterSets = parameterSets + Be(uint32_t(padded.size()), 4) + padded;
            at += 2 + length;
        }
    }
    // In the data, the sets come again before the picture's slices and replace the hvcC's.
    const Bytes claim = truthful ? Be(width, 4) + Be(height, 4) : Be(64, 4) + Be(64, 4);
    return inData ? Heic("hvc1", {}, config, parameterSets + BoxBody(photo, "mdat"), claim)
                  : Heic("hvc1", {}, rebuilt, BoxBody(photo, "mdat"), claim);
}

Bytes GridHeic(const std::vector<Bytes>& tiles, uint16_t columns, uint16_t rows, uint32_t width,
               uint32_t height) {
    if (tiles.empty() || tiles.size() != size_t(columns) * rows) return {};
    const Bytes tileSize = BoxBody(tiles[0], "ispe");
    const uint16_t count = uint16_t(tiles.size());
    // Item 1 is the grid (its description in idat), items 2 on the tiles (in mdat).
    auto meta = [&](size_t mdatData) {
        Bytes items = Be(count + 1u, 2), locations = Be(count + 1u, 2), tileIds;
        items = items + FullBox("infe", 2, Be(1, 2) + Be(0, 2) + Tag("grid") + Bytes{0});
        locations = locations + Be(1, 2) + Be(1, 2) + Be(0, 2) + Be(1, 2) + Be(0, 4) + Be(8, 4);
        Bytes associations = Be(count + 1u, 4) + Be(1, 2) + Bytes{1, 1};
        for (uint16_t i = 0; i < count; ++i) {
            const uint16_t id = uint16_t(i + 2);
            const size_t length = BoxBody(tiles[i], "mdat").size();
            // Version 2, flags 1: hidden, shown only as part of the grid.
            items = items +
                    Box("infe", Bytes{2, 0, 0, 1} + Be(id, 2) + Be(0, 2) + Tag("hvc1") + Bytes{0});
            locations = locations + Be(id, 2) + Be(0, 2) + Be(0, 2) + Be(1, 2) +
                        Be(uint32_t(mdatData), 4) + Be(uint32_t(length), 4);
            associations = associations + Be(id, 2) + Bytes{2, 0x82, 3};
            tileIds = tileIds + Be(id, 2);
            mdatData += length;
        }
        const Bytes grid =
            Bytes{0, 0, uint8_t(rows - 1), uint8_t(columns - 1)} + Be(width, 2) + Be(height, 2);
        return FullBox(
            "meta", 0,
            FullBox("hdlr", 0, Be(0, 4) + Tag("pict") + Bytes(13, 0)) +
                FullBox("pitm", 0, Be(1, 2)) + FullBox("iinf", 0, items) +
                FullBox("iloc", 1, Bytes{0x44, 0} + locations) +
                FullBox("iref", 0, Box("dimg", Be(1, 2) + Be(count, 2) + tileIds)) +
                Box("iprp", Box("ipco", FullBox("ispe", 0, Be(width, 4) + Be(height, 4)) +
                                            Box("hvcC", BoxBody(tiles[0], "hvcC")) +
                                            Box("ispe", tileSize)) +
                                FullBox("ipma", 0, associations)) +
                Box("idat", grid));
    };
    const Bytes ftyp = Box("ftyp", Tag("heic") + Be(0, 4) + Tag("mif1") + Tag("heic"));
    Bytes data;
    for (const Bytes& tile : tiles) data = data + BoxBody(tile, "mdat");
    // The tiles' offsets count from the file's start: the meta box is as long either way.
    return ftyp + meta(ftyp.size() + meta(0).size() + 8) + Box("mdat", data);
}

std::vector<uint8_t> WithExifOrientation(const std::vector<uint8_t>& jpeg, int orientation,
                                         bool bigEndian) {
    auto put = [bigEndian](std::vector<uint8_t>* out, uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            out->push_back(uint8_t(v >> (8 * (bigEndian ? bytes - 1 - i : i))));
        }
    };
    std::vector<uint8_t> exif = {'E', 'x', 'i', 'f', 0, 0};
    exif.insert(exif.end(), bigEndian ? "MM" : "II", (bigEndian ? "MM" : "II") + 2);
    put(&exif, 42, 2);
    put(&exif, 8, 4);       // the IFD right after the header
    put(&exif, 1, 2);       // one entry
    put(&exif, 0x0112, 2);  // Orientation
    put(&exif, 3, 2);       // SHORT
    put(&exif, 1, 4);       // count
    put(&exif, uint32_t(orientation), 2);
    put(&exif, 0, 2);
    const size_t length = exif.size() + 2;
    std::vector<uint8_t> out(jpeg.begin(), jpeg.begin() + 2);
    out.insert(out.end(), {0xFF, 0xE1, uint8_t(length >> 8), uint8_t(length)});
    out.insert(out.end(), exif.begin(), exif.end());
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

namespace {
// One TIFF directory entry: its value in the file's (little-endian) order.
struct IfdEntry {
    uint16_t tag, type;
    uint32_t count;
    Bytes value;
};
IfdEntry Shorts(uint16_t tag, std::vector<uint16_t> values) {
    Bytes value;
    for (uint16_t v : values) value = value + Le(v, 2);
    return {tag, 3, uint32_t(values.size()), value};
}
IfdEntry Long(uint16_t tag, uint32_t v) {
    return {tag, 4, 1, Le(v, 4)};
}
IfdEntry Ascii(uint16_t tag, const std::string& text) {
    return {tag, 2, uint32_t(text.size() + 1), Bytes(text.c_str(), text.c_str() + text.size() + 1)};
}

// A directory placed at `at`, its values longer than four bytes right behind it.
Bytes Ifd(const std::vector<IfdEntry>& entries, uint32_t at) {
    Bytes out = Le(uint32_t(entries.size()), 2), values;
    const uint32_t valuesAt = at + uint32_t(2 + 12 * entries.size() + 4);
    for (const IfdEntry& e : entries) {
        out = out + Le(e.tag, 2) + Le(e.type, 2) + Le(e.count, 4);
        if (e.value.size() <= 4) {
            out = out + e.value + Bytes(4 - e.value.size(), 0);
        } else {
            out = out + Le(valuesAt + uint32_t(values.size()), 4);
            values = values + e.value + Bytes(e.value.size() % 2, 0);
        }
    }
    return out + Le(0, 4) + values;
}
}  // namespace

Bytes Dng(const DngParts& parts) {
    const uint32_t side = parts.sensorSide;
    const Bytes sensor(size_t(side) * side * 2, 0);
    Bytes thumbnail = parts.thumbnail.data;
    const uint32_t previewLength =
        parts.previewLength ? parts.previewLength : uint32_t(parts.preview.size());
    // Offsets are placeholders until the directories' sizes are known; those do not depend
    // on them.
    auto directories = [&](uint32_t rawAt, uint32_t previewAt, uint32_t exifAt,
                           uint32_t thumbnailAt, uint32_t sensorAt, uint32_t jpegAt) {
        std::vector<IfdEntry> first = {Long(254, 1)};
        if (!thumbnail.empty()) {
            first.push_back(Long(256, uint32_t(parts.thumbnail.width)));
            first.push_back(Long(257, uint32_t(parts.thumbnail.height)));
            first.push_back(Shorts(258, {8, 8, 8}));
            first.push_back(Shorts(259, {1}));
            first.push_back(Shorts(262, {2}));
        }
        first.push_back(Ascii(271, parts.make));
        first.push_back(Ascii(272, "Test Camera"));
        if (!thumbnail.empty()) first.push_back(Long(273, thumbnailAt));
        first.push_back(Shorts(274, {uint16_t(parts.orientation)}));
        if (!thumbnail.empty()) {
            first.push_back(Shorts(277, {3}));
            first.push_back(Long(278, uint32_t(parts.thumbnail.height)));
            first.push_back(Long(279, uint32_t(thumbnail.size())));
        }
        std::vector<uint32_t> subAt = {rawAt};
        if (!parts.preview.empty()) subAt.push_back(previewAt);
        Bytes subValue;
        for (uint32_t at : subAt) subValue = subValue + Le(at, 4);
        first.push_back({330, 4, uint32_t(subAt.size()), subValue});
        if (!parts.makernote.empty()) first.push_back(Long(34665, exifAt));
        first.push_back({50706, 1, 4, Bytes{1, 4, 0, 0}});
        first.push_back(Ascii(50708, parts.make + " Test Camera"));
        const std::vector<IfdEntry> raw = {
            Long(254, 0),          Long(256, side),
            Long(257, side),       Shorts(258, {16}),
            Shorts(259, {1}),      Shorts(262, {32803}),
            Long(273, sensorAt),   Shorts(277, {1}),
            Long(278, side),       Long(279, uint32_t(sensor.size())),
            Shorts(33421, {2, 2}), {33422, 1, 4, Bytes{0, 1, 1, 2}},
        };
        std::vector<IfdEntry> preview;
        if (!parts.preview.empty()) {
            uint64_t width = 0, height = 0;
            for (size_t i = 2; i + 9 < parts.preview.size(); ++i) {
                if (parts.preview[i] == 0xFF && (parts.preview[i + 1] & 0xF0) == 0xC0 &&
                    parts.preview[i + 1] != 0xC4) {
                    height = uint32_t(parts.preview[i + 5] << 8 | parts.preview[i + 6]);
                    width = uint32_t(parts.preview[i + 7] << 8 | parts.preview[i + 8]);
                    break;
                }
            }
            preview = {Long(254, 1),
                       Long(256, uint32_t(width)),
                       Long(257, uint32_t(height)),
                       Shorts(258, {8, 8, 8}),
                       Shorts(259, {7}),
                       Shorts(262, {6}),
                       Long(273, jpegAt),
                       Shorts(277, {3}),
                       Long(278, uint32_t(height)),
                       Long(279, previewLength)};
        }
        std::vector<IfdEntry> exif;
        if (!parts.makernote.empty())
            exif = {{37500, 7, uint32_t(parts.makernote.size()), parts.makernote}};
        return std::vector<std::vector<IfdEntry>>{first, raw, preview, exif};
    };
    const auto sizes = directories(0, 0, 0, 0, 0, 0);
    uint32_t at[4], next = 8;
    for (int i = 0; i < 4; ++i) {
        at[i] = next;
        // A directory's size does not depend on where it is placed.
        next += uint32_t(sizes[size_t(i)].empty() ? 0 : Ifd(sizes[size_t(i)], 0).size());
    }
    const uint32_t thumbnailAt = next, sensorAt = thumbnailAt + uint32_t(thumbnail.size());
    const uint32_t jpegAt = sensorAt + uint32_t(sensor.size());
    const auto placed = directories(at[1], at[2], at[3], thumbnailAt, sensorAt, jpegAt);
    Bytes out = Bytes{'I', 'I', 42, 0} + Le(8, 4);
    for (int i = 0; i < 4; ++i) {
        if (!placed[size_t(i)].empty()) out = out + Ifd(placed[size_t(i)], at[i]);
    }
    return out + thumbnail + sensor + parts.preview;
}

Bytes Raf(const Bytes& preview, int orientation) {
    const Bytes exif = Bytes{'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0} + Le(8, 4) +
                       Ifd({Ascii(271, "FUJIFILM"), Shorts(274, {uint16_t(orientation)})}, 8);
    const Bytes jpeg = Bytes{0xFF, 0xD8, 0xFF, 0xE1} + Be(uint32_t(exif.size() + 2), 2) + exif +
                       Bytes(preview.begin() + 2, preview.end());
    // The sensor's description: raw and visible height and width (tags 0x100 and 0x121).
    const uint16_t side = 64;
    const Bytes sensorHeader = Be(2, 4) + Be(0x100, 2) + Be(4, 2) + Be(side, 2) + Be(side, 2) +
                               Be(0x121, 2) + Be(4, 2) + Be(side, 2) + Be(side, 2);
    const Bytes sensor(size_t(side) * side * 2, 0);
    Bytes model(0x20, 0);
    memcpy(model.data(), "TEST CAMERA", 11);
    // Signature, serial signature, model and format version, then where the parts are.
    const uint32_t jpegAt = 124, headerAt = jpegAt + uint32_t(jpeg.size());
    const uint32_t sensorAt = headerAt + uint32_t(sensorHeader.size());
    const Bytes head =
        Bytes(reinterpret_cast<const uint8_t*>("FUJIFILMCCD-RAW 0201FF383501"),
              reinterpret_cast<const uint8_t*>("FUJIFILMCCD-RAW 0201FF383501") + 28) +
        model + Tag("0100") + Bytes(84 - 0x40, 0) + Be(jpegAt, 4) + Be(uint32_t(jpeg.size()), 4) +
        Be(headerAt, 4) + Be(uint32_t(sensorHeader.size()), 4) + Be(sensorAt, 4) +
        Be(uint32_t(sensor.size()), 4);
    return head + Bytes(jpegAt - head.size(), 0) + jpeg + sensorHeader + sensor;
}

Bytes ShortShotInfoMakernote() {
    // "Nikon", a format byte, then a big-endian TIFF structure of its own: ShotInfo (0x0091),
    // whose version "0243" names the layout with a field at 0xA0, and the shutter count
    // (0x00A7), on which the parser decodes and reads the block.
    const Bytes header =
        Bytes{'N', 'i', 'k', 'o', 'n', 0, 2, 0x10, 0, 0} + Bytes{'M', 'M'} + Be(42, 2) + Be(8, 4);
    const Bytes entries = Be(2, 2) + Be(0x0091, 2) + Be(7, 2) + Be(8, 4) + Be(38, 4) +
                          Be(0x00A7, 2) + Be(4, 2) + Be(1, 4) + Be(1, 4) + Be(0, 4);
    return header + entries + Bytes{'0', '2', '4', '3', 1, 2, 3, 4};
}

std::vector<uint8_t> WithIccProfile(const std::vector<uint8_t>& jpeg,
                                    const std::vector<uint8_t>& icc, size_t chunkBytes,
                                    bool reversed) {
    const size_t count = (icc.size() + chunkBytes - 1) / chunkBytes;
    std::vector<uint8_t> markers;
    for (size_t n = 0; n < count; ++n) {
        const size_t i = reversed ? count - 1 - n : n;
        const size_t size = std::min(chunkBytes, icc.size() - i * chunkBytes);
        const size_t length = 2 + 12 + 2 + size;
        std::vector<uint8_t> marker = {0xFF, 0xE2, uint8_t(length >> 8), uint8_t(length)};
        const char* name = "ICC_PROFILE";
        marker.insert(marker.end(), name, name + 12);
        marker.insert(marker.end(), {uint8_t(i + 1), uint8_t(count)});
        marker.insert(marker.end(), icc.begin() + i * chunkBytes,
                      icc.begin() + i * chunkBytes + size);
        markers.insert(markers.end(), marker.begin(), marker.end());
    }
    std::vector<uint8_t> out(jpeg.begin(), jpeg.begin() + 2);
    out.insert(out.end(), markers.begin(), markers.end());
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

std::vector<uint8_t> WithPngChunk(const std::vector<uint8_t>& png, const char* type,
                                  const std::vector<uint8_t>& data) {
    constexpr size_t kAfterHeader = 8 + 25;  // signature, IHDR
    Bytes chunk = Be(uint32_t(data.size()), 4) + Tag(type) + data;
    chunk = chunk + Be(uint32_t(crc32(0, chunk.data() + 4, uInt(chunk.size() - 4))), 4);
    std::vector<uint8_t> out(png.begin(), png.begin() + kAfterHeader);
    out.insert(out.end(), chunk.begin(), chunk.end());
    out.insert(out.end(), png.begin() + kAfterHeader, png.end());
    return out;
}

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::vector<uint8_t> bytes;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return bytes;
    uint8_t buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + n);
    fclose(f);
    return bytes;
}

bool WritePng(const std::string& path, int width, int height, int colorType, int bitDepth,
              const std::vector<uint8_t>& samples, bool interlaced, const PngPalette* palette,
              bool withTransparentGrey) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_set_user_limits(png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
    png_set_IHDR(png, info, width, height, bitDepth, colorType,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> entries;
    if (palette) {
        for (size_t i = 0; i + 2 < palette->rgb.size(); i += 3) {
            entries.push_back({palette->rgb[i], palette->rgb[i + 1], palette->rgb[i + 2]});
        }
        png_set_PLTE(png, info, entries.data(), int(entries.size()));
    }
    if (withTransparentGrey) {
        png_color_16 transparent{};
        transparent.gray = 0;
        png_set_tRNS(png, info, nullptr, 0, &transparent);
    }
    png_write_info(png, info);
    if (bitDepth < 8) png_set_packing(png);
    const int channels = png_get_channels(png, info);
    const size_t rowBytes = size_t(width) * channels * (bitDepth == 16 ? 2 : 1);
    std::vector<png_bytep> rows(height);
    for (int y = 0; y < height; ++y) {
        rows[y] = const_cast<png_bytep>(samples.data() + y * rowBytes);
    }
    png_write_image(png, rows.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return fclose(f) == 0;
}

bool WriteJpeg(const std::string& path, const Pixels& pixels, int quality, bool progressive) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return false;
    jpeg_compress_struct cinfo;
    jpeg_error_mgr errors;
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, f);
    cinfo.image_width = JDIMENSION(pixels.width);
    cinfo.image_height = JDIMENSION(pixels.height);
    cinfo.input_components = pixels.channels;
    cinfo.in_color_space = pixels.channels == 1   ? JCS_GRAYSCALE
                           : pixels.channels == 3 ? JCS_RGB
                                                  : JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    if (progressive) jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    const size_t stride = size_t(pixels.width) * pixels.channels;
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(pixels.data.data() + cinfo.next_scanline * stride);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return fclose(f) == 0;
}

namespace {
bool WriteTiffSamples(const std::string& path, int width, int height, int channels, int bits,
                      const uint8_t* samples, int compression, int rowsPerStrip, int orientation,
                      const std::vector<uint8_t>& icc) {
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    if (!tiff) return false;
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, uint32_t(width));
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, uint32_t(height));
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, uint16_t(channels));
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, uint16_t(bits));
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC,
                 channels == 1 ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, uint16_t(compression));
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, uint32_t(rowsPerStrip));
    TIFFSetField(tiff, TIFFTAG_ORIENTATION, uint16_t(orientation));
    if (!icc.empty()) TIFFSetField(tiff, TIFFTAG_ICCPROFILE, uint32_t(icc.size()), icc.data());
    const size_t stride = size_t(width) * channels * (bits / 8);
    bool ok = true;
    for (int y = 0; y < height && ok; ++y) {
        ok = TIFFWriteScanline(tiff, const_cast<uint8_t*>(samples + y * stride), uint32_t(y), 0) ==
             1;
    }
    TIFFClose(tiff);
    return ok;
}
}  // namespace

bool WriteTiff(const std::string& path, const Pixels& pixels, int compression, int rowsPerStrip,
               int orientation, const std::vector<uint8_t>& icc) {
    return WriteTiffSamples(path, pixels.width, pixels.height, pixels.channels, 8,
                            pixels.data.data(), compression, rowsPerStrip, orientation, icc);
}

bool WriteTiff16(const std::string& path, int width, int height, int channels,
                 const std::vector<uint16_t>& samples, int compression,
                 const std::vector<uint8_t>& icc, int rowsPerStrip) {
    return WriteTiffSamples(path, width, height, channels, 16,
                            reinterpret_cast<const uint8_t*>(samples.data()), compression,
                            rowsPerStrip, 1, icc);
}

std::vector<uint8_t> Bmp24(const Pixels& rgb, bool topDown, bool coreHeader) {
    const size_t rowSize = (size_t(rgb.width) * 3 + 3) & ~size_t(3);
    const size_t headerSize = coreHeader ? 12 : 40;
    const size_t offset = 14 + headerSize;
    std::vector<uint8_t> out(offset + rowSize * rgb.height, 0);
    out[0] = 'B';
    out[1] = 'M';
    Put32(&out, 2, uint32_t(out.size()));
    Put32(&out, 10, uint32_t(offset));
    Put32(&out, 14, uint32_t(headerSize));
    if (coreHeader) {
        Put16(&out, 18, uint32_t(rgb.width));
        Put16(&out, 20, uint32_t(rgb.height));
        Put16(&out, 22, 1);
        Put16(&out, 24, 24);
    } else {
        Put32(&out, 18, uint32_t(rgb.width));
        Put32(&out, 22, uint32_t(topDown ? -rgb.height : rgb.height));
        Put16(&out, 26, 1);
        Put16(&out, 28, 24);
    }
    for (int k = 0; k < rgb.height; ++k) {
        const int y = topDown ? k : rgb.height - 1 - k;
        uint8_t* row = out.data() + offset + k * rowSize;
        for (int x = 0; x < rgb.width; ++x) {
            row[3 * x] = rgb.At(x, y)[2];
            row[3 * x + 1] = rgb.At(x, y)[1];
            row[3 * x + 2] = rgb.At(x, y)[0];
        }
        for (size_t pad = size_t(rgb.width) * 3; pad < rowSize; ++pad) row[pad] = 0xEE;
    }
    return out;
}

std::vector<uint8_t> BmpHeaderOnly(int32_t width, int32_t height, int bits, int compression,
                                   size_t dataBytes) {
    std::vector<uint8_t> out(54 + dataBytes, 0);
    out[0] = 'B';
    out[1] = 'M';
    Put32(&out, 2, uint32_t(out.size()));
    Put32(&out, 10, 54);
    Put32(&out, 14, 40);
    Put32(&out, 18, uint32_t(width));
    Put32(&out, 22, uint32_t(height));
    Put16(&out, 26, 1);
    Put16(&out, 28, uint32_t(bits));
    Put32(&out, 30, uint32_t(compression));
    return out;
}

void PcxEncodeLine(const uint8_t* line, size_t length, std::vector<uint8_t>* out) {
    size_t i = 0;
    while (i < length) {
        size_t run = 1;
        while (i + run < length && line[i + run] == line[i] && run < 63) ++run;
        if (run > 1 || line[i] >= 0xC0) {
            out->push_back(uint8_t(0xC0 | run));
        }
        out->push_back(line[i]);
        i += run;
    }
}

std::vector<uint8_t> Pcx8(const Pixels& indexes, const std::vector<uint8_t>& paletteRgb,
                          int bytesPerLine) {
    std::vector<uint8_t> out = PcxHeader(indexes.width, indexes.height, 8, 1, bytesPerLine);
    std::vector<uint8_t> line(size_t(bytesPerLine), 0);
    for (int y = 0; y < indexes.height; ++y) {
        for (int x = 0; x < indexes.width; ++x) line[x] = *indexes.At(x, y);
        PcxEncodeLine(line.data(), line.size(), &out);
    }
    out.push_back(0x0C);
    std::vector<uint8_t> palette = paletteRgb;
    palette.resize(768, 0);
    out.insert(out.end(), palette.begin(), palette.end());
    return out;
}

std::vector<uint8_t> Pcx24(const Pixels& rgb, int bytesPerLine) {
    std::vector<uint8_t> out = PcxHeader(rgb.width, rgb.height, 8, 3, bytesPerLine);
    std::vector<uint8_t> line(size_t(bytesPerLine) * 3, 0);
    for (int y = 0; y < rgb.height; ++y) {
        for (int plane = 0; plane < 3; ++plane) {
            for (int x = 0; x < rgb.width; ++x)
                line[plane * bytesPerLine + x] = rgb.At(x, y)[plane];
        }
        PcxEncodeLine(line.data(), line.size(), &out);
    }
    return out;
}

PhotoCdPlanes PhotoCdPattern() {
    PhotoCdPlanes planes;
    planes.luma.resize(768 * 512);
    planes.c1.resize(384 * 256);
    planes.c2.resize(384 * 256);
    for (int y = 0; y < 512; ++y) {
        for (int x = 0; x < 768; ++x) planes.luma[y * 768 + x] = uint8_t((x / 3 + y) & 0xFF);
    }
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 384; ++x) {
            planes.c1[y * 384 + x] = uint8_t((x * 2 + 7 * y) & 0xFF);
            planes.c2[y * 384 + x] = uint8_t((255 - x + 3 * y) & 0xFF);
        }
    }
    return planes;
}

std::vector<uint8_t> PhotoCdFile(const PhotoCdPlanes& planes, bool withSignature) {
    std::vector<uint8_t> out(0x30000, 0);
    if (withSignature) memcpy(out.data() + 2048, "PCD_IPI", 7);
    for (int pair = 0; pair < 256; ++pair) {
        const uint8_t* upper = planes.luma.data() + size_t(2 * pair) * 768;
        out.insert(out.end(), upper, upper + 768);
        out.insert(out.end(), upper + 768, upper + 1536);
        out.insert(out.end(), planes.c1.begin() + pair * 384, planes.c1.begin() + (pair + 1) * 384);
        out.insert(out.end(), planes.c2.begin() + pair * 384, planes.c2.begin() + (pair + 1) * 384);
    }
    out.resize(0x100000 + 4096, 0x55);  // the higher resolutions would follow
    return out;
}

BmpFile ReadBmp(const std::string& path) {
    BmpFile bmp;
    bmp.bytes = ReadFile(path);
    const std::vector<uint8_t>& b = bmp.bytes;
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') return bmp;
    bmp.fileSize = Get32(b, 2);
    bmp.pixelOffset = Get32(b, 10);
    bmp.headerSize = Get32(b, 14);
    bmp.width = int32_t(Get32(b, 18));
    bmp.height = int32_t(Get32(b, 22));
    bmp.planes = Get16(b, 26);
    bmp.bits = Get16(b, 28);
    bmp.compression = Get32(b, 30);
    if (bmp.width <= 0 || bmp.height <= 0 || bmp.bits != 24) return bmp;
    bmp.rowSize = (size_t(bmp.width) * 3 + 3) & ~size_t(3);
    if (b.size() < bmp.pixelOffset + bmp.rowSize * bmp.height) return bmp;
    bmp.rgb = {bmp.width, bmp.height, 3, std::vector<uint8_t>(size_t(bmp.width) * bmp.height * 3)};
    for (int k = 0; k < bmp.height; ++k) {
        const uint8_t* row = b.data() + bmp.pixelOffset + k * bmp.rowSize;
        uint8_t* out = bmp.rgb.data.data() + size_t(bmp.height - 1 - k) * bmp.width * 3;
        for (int x = 0; x < bmp.width; ++x) {
            out[3 * x] = row[3 * x + 2];
            out[3 * x + 1] = row[3 * x + 1];
            out[3 * x + 2] = row[3 * x];
        }
    }
    bmp.valid = true;
    return bmp;
}

}  // namespace kv::imageconv::test
