#include "tests/host/imageconv/hostile_files.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "imageconv/convert_to_bmp.h"

namespace kv::imageconv::test {
namespace {

// Raw deflate data of `count` zero bytes, ending the stream when asked.
Bytes DeflatedZeros(size_t count, bool last) {
    z_stream z = {};
    deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
    const Bytes zeros(count, 0);
    Bytes out(deflateBound(&z, uLong(count)) + 16);
    z.next_in = const_cast<Bytef*>(zeros.data());
    z.avail_in = uInt(count);
    z.next_out = out.data();
    z.avail_out = uInt(out.size());
    deflate(&z, last ? Z_FINISH : Z_FULL_FLUSH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

Bytes PngChunk(const char* type, const Bytes& data) {
    const Bytes typed = Tag(type) + data;
    return Be(uint32_t(data.size()), 4) + typed +
           Be(uint32_t(crc32(0, typed.data(), uInt(typed.size()))), 4);
}

// A palette PNG of `side` × `side` black pixels. Its zlib stream repeats one flushed block
// of a million zero bytes, which depends on nothing before it, so making it costs little.
Bytes BlackPalettePng(uint32_t side) {
    const size_t total = size_t(side) * (side + 1), piece = 1000000;
    const Bytes block = DeflatedZeros(piece, false);
    Bytes stream{0x78, 0x01};
    for (size_t done = 0; done + piece <= total; done += piece) stream = stream + block;
    // Adler-32 of zeros: the first sum stays 1, the second grows by 1 per byte.
    stream = stream + DeflatedZeros(total % piece, true) + Be(uint32_t(total % 65521) << 16 | 1, 4);
    const Bytes header = Be(side, 4) + Be(side, 4) + Bytes{8, 3, 0, 0, 0};
    return Bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'} + PngChunk("IHDR", header) +
           PngChunk("PLTE", Bytes(3, 0)) + PngChunk("IDAT", stream) + PngChunk("IEND", {});
}

// A small JPEG with its frame header's height and width replaced, cut after `keep` bytes
// of the first scan.
Bytes JpegClaiming(const std::string& path, int channels, bool progressive, uint16_t side,
                   size_t keep) {
    if (!WriteJpeg(path, Pattern(16, 16, channels), 90, progressive)) return {};
    Bytes bytes = ReadFile(path);
    const uint8_t marker[] = {0xFF, uint8_t(progressive ? 0xC2 : 0xC0)};
    const auto frame = std::search(bytes.begin(), bytes.end(), marker, marker + 2);
    const uint8_t scan[] = {0xFF, 0xDA};
    const auto data = std::search(bytes.begin(), bytes.end(), scan, scan + 2);
    if (frame == bytes.end() || data == bytes.end()) return {};
    std::copy_n(Be(side, 2).begin(), 2, frame + 5);
    std::copy_n(Be(side, 2).begin(), 2, frame + 7);
    bytes.resize(size_t(data - bytes.begin()) + 14 + keep);
    return bytes;
}

// A grey LZW TIFF of one strip holding a few bytes.
Bytes OneStripTiff(uint32_t side) {
    const uint16_t kShort = 3, kLong = 4;
    auto entry = [](uint16_t tag, uint16_t type, uint32_t value) {
        return Le(tag, 2) + Le(type, 2) + Le(1, 4) + Le(value, 4);
    };
    const uint32_t dataOffset = 8 + 2 + 8 * 12 + 4;
    return Bytes{'I', 'I', 42, 0} + Le(8, 4) + Le(8, 2) + entry(256, kLong, side) +
           entry(257, kLong, side) + entry(258, kShort, 8) + entry(259, kShort, 5) +
           entry(262, kShort, 1) + entry(273, kLong, dataOffset) + entry(278, kLong, side) +
           entry(279, kLong, 16) + Le(0, 4) + Bytes(16, 0x80);
}

// A HEIF file that reads far more than it holds: iloc entries of zero-byte offsets and
// lengths, each with the most extents a count can say (6 bytes of file per entry).
Bytes ManyExtentsHeif() {
    Bytes entries;
    for (uint32_t id = 1; id <= 200; ++id) entries = entries + Be(id, 2) + Be(0, 2) + Be(65535, 2);
    return Box("ftyp", Tag("heic") + Be(0, 4) + Tag("mif1") + Tag("heic")) +
           FullBox("meta", 0, FullBox("iloc", 0, Bytes{0, 0} + Be(200, 2) + entries));
}

// The photo the HEIF rows are made from, read once.
const Bytes& Photo() {
    static const Bytes photo = ReadFile(DataFile("example.heic"));
    return photo;
}

// The size every item of the HEIF rows claims.
Bytes Claim() {
    return FullBox("ispe", 0, Be(64, 4) + Be(64, 4));
}

// An item over the photo's coded picture, claiming 64 × 64.
HeifItem Picture(uint32_t id) {
    return {
        id, "hvc1", BoxBody(Photo(), "mdat"), {}, {Claim(), Box("hvcC", BoxBody(Photo(), "hvcC"))}};
}

HeifItem Overlay(uint32_t id, uint32_t side, uint32_t input) {
    return {id, "iovl", Bytes(10, 0) + Be(side, 2) + Be(side, 2) + Be(0, 4), {input}, {Claim()}};
}

// Two items a rung, each referring to both of the next: paths double with every rung.
Bytes Ladder(uint32_t rungs) {
    std::vector<HeifItem> items{Picture(1)};
    items[0].inputs = {2, 3};
    for (uint32_t id = 2; id < 2 + 2 * rungs; ++id) {
        items.push_back({id, "hvc1", {}, {}, {}});
        if (id + 2 < 2 + 2 * rungs) items.back().inputs = {id + 2 - id % 2, id + 3 - id % 2};
    }
    return HeifFile(items, 1);
}

// `heif` with `count` empty top-level boxes between its file type box and its meta box.
Bytes WithEmptyBoxes(const Bytes& heif, size_t count) {
    const size_t ftyp =
        size_t(heif[0]) << 24 | size_t(heif[1]) << 16 | size_t(heif[2]) << 8 | heif[3];
    Bytes out(heif.size() + 8 * count);
    std::copy_n(heif.begin(), ftyp, out.begin());
    const uint8_t empty[] = {0, 0, 0, 8, 'f', 'r', 'e', 'e'};
    for (size_t i = 0; i < count; ++i) std::copy_n(empty, 8, out.begin() + ftyp + 8 * i);
    std::copy(heif.begin() + ftyp, heif.end(), out.begin() + ftyp + 8 * count);
    return out;
}

}  // namespace

Bytes SmallHeic(const Bytes& icc, int offsetBytes) {
    // The seed's tile.
    const Bytes seed = ReadFile(DataFile("seed.heic"));
    std::vector<Bytes> properties{Claim(), Box("hvcC", BoxBody(seed, "hvcC"))};
    if (!icc.empty()) properties.push_back(Box("colr", Tag("prof") + icc));
    return HeifFile({{1, "hvc1", BoxBody(seed, "mdat"), {}, properties}}, 1, {}, offsetBytes);
}

std::vector<HostileFile> HostileFiles(const std::string& scratch) {
    return {
        {"anim-32767.webp", [] { return AnimatedWebp(16384, 32767); }, kNotDecoded, 128},
        {"anim-17000.webp", [] { return AnimatedWebp(16384, 17000); }, kNotDecoded, 128},
        {"lossless.webp", [] { return Riff(WebpChunk("VP8L", Vp8l(16384, 16384))); }, kNotDecoded,
         128},
        {"iccp-first.webp",
         [] {
             return Riff(Vp8x(0x20, 16384, 16384) + WebpChunk("ICCP", Bytes(100, 0)) +
                         WebpChunk("VP8L", Vp8l(1, 1)));
         },
         kNotDecoded, 128},
        {"no-frame.webp", [] { return Riff(Vp8x(0, 16384, 16384)); }, kNotDecoded, 128},
        {"lossy-alpha-8000.webp",
         [] { return WithLosslessAlpha(Gunzip(ReadFile(DataFile("grey-8000.webp.gz")))); },
         kNotDecoded, 128},
        {"iccp-first-legal.webp",
         [] {
             return Riff(Vp8x(0x20, 3, 2) + WebpChunk("ICCP", Bytes(100, 0)) +
                         WebpChunk("VP8L", Vp8l(3, 2)));
         },
         kConverted, 128},
        {"black.png", [] { return BlackPalettePng(30000); }, kNotDecoded,
         128},  // 2.7 GB at 24 bits
        {"grey-30000.jpg", [scratch] { return JpegClaiming(scratch, 1, false, 30000, 64); },
         kNotDecoded, 128},
        {"progressive-12000.jpg", [scratch] { return JpegClaiming(scratch, 3, true, 12000, 0); },
         kNotDecoded, 128},
        {"one-strip.tif", [] { return OneStripTiff(20000); }, kNotDecoded, 128},
        {"grid-14000.heic", [] { return DerivedHeic(Photo(), "grid", 14000, 14000); }, kNotDecoded,
         128},
        {"grid-legal.heic", [] { return DerivedHeic(Photo(), "grid", 64, 64); }, kConverted, 128},
        {"overlay-14000.heic", [] { return DerivedHeic(Photo(), "iovl", 14000, 14000); },
         kNotDecoded, 128},
        {"overlay-legal.heic", [] { return DerivedHeic(Photo(), "iovl", 64, 64); }, kConverted,
         128},
        {"coded-26880.heic", [] { return CodedSizeHeic(Photo(), 26880, 26880); }, kNotDecoded, 128},
        {"coded-legal.heic", [] { return CodedSizeHeic(Photo(), 1280, 856, false, 0, -1, true); },
         kConverted, 128},
        // Found by fuzzing: an item located twice, once in the file and once in idat.
        {"item-listed-twice.heic", [] { return ReadFile(DataFile("item-listed-twice.heic")); },
         kNotDecoded, 128},
        {"coded-in-data.heic", [] { return CodedSizeHeic(Photo(), 26880, 26880, true); },
         kNotDecoded, 128},
        {"coded-in-data-legal.heic",
         [] { return CodedSizeHeic(Photo(), 1280, 856, true, 0, -1, true); }, kConverted, 128},
        // Found by review: the box reader read less, or otherwise, than libheif decodes.
        {"many-extents.heic", ManyExtentsHeif, kNotDecoded, 128},
        {"second-pitm.heic",
         [] {
             return HeifFile({Overlay(1, 14000, 2), Picture(2)}, 1, FullBox("pitm", 0, Be(2, 2)));
         },
         kNotDecoded, 128},
        {"identity-of-overlay.heic",
         [] {
             return HeifFile({{3, "iden", {}, {1}, {Claim()}}, Overlay(1, 14000, 2), Picture(2)},
                             3);
         },
         kNotDecoded, 128},
        {"overlay-of-overlay.heic",
         [] {
             return HeifFile({Overlay(3, 64, 1), Overlay(1, 14000, 2), Picture(2)}, 3);
         },
         kNotDecoded, 128},
        {"long-parameter-set.heic", [] { return CodedSizeHeic(Photo(), 8000, 8000, true, 5000); },
         kNotDecoded, 128},
        // An unused configuration of a larger but monochrome picture.
        {"monochrome-config.heic",
         [] {
             const Bytes mono = BoxBody(CodedSizeHeic(Photo(), 8200, 8200, false, 0, 0), "hvcC");
             HeifItem coded = Picture(1);
             coded.data = BoxBody(CodedSizeHeic(Photo(), 8000, 8000, true), "idat");
             return HeifFile({coded, {2, "hvc1", coded.data, {}, {Claim(), Box("hvcC", mono)}}}, 1);
         },
         kNotDecoded, 128},
        {"reference-ladder.heic", [] { return Ladder(25); }, kNotDecoded, 128},
        {"mask.heic",
         [] {
             return HeifFile({{1,
                               "mski",
                               Bytes(64 * 64 + 4096, 0x80),
                               {},
                               {Claim(), FullBox("mskC", 0, Bytes{8})}}},
                             1);
         },
         kNotDecoded, 128},
        // Two tiles 64 wide do not cover 129 columns.
        {"grid-gap.heic",
         [] {
             return HeifFile(
                 {{1, "grid", Bytes{0, 0, 0, 1} + Be(129, 2) + Be(64, 2), {2, 3}, {Claim()}},
                  Picture(2),
                  Picture(3)},
                 1);
         },
         kNotDecoded, 128},
        // Walks that cost more than reading the file once: 64 MB of empty top-level boxes
        // before the meta box of a plain picture (no file has that many).
        {"empty-boxes.heic", [] { return WithEmptyBoxes(SmallHeic(), 8u << 20); }, kNotDecoded,
         128},
        // Item locations whose offsets take 2 bytes, which libheif reads as none.
        {"iloc-offsets-2.heic", [] { return SmallHeic({}, 2); }, kNotDecoded, 128},
        {"huge.jxl", [] { return JxlHeaderOnly(100000, 100000); }, kNotDecoded, 128},
        {"header-only.jxl", [] { return JxlHeaderOnly(20000, 20000); }, kNotDecoded, 128},
        {"truncated.jxl",
         [] {
             const Bytes whole = ReadFile(DataFile("seed-lossless.jxl"));
             return Bytes(whole.begin(), whole.begin() + whole.size() / 2);
         },
         kNotDecoded, 128},
        {"legal.jxl", [] { return ReadFile(DataFile("turned.jxl")); }, kConverted, 128},
        // RAW files: a preview past the end, a preview claiming 60000 × 60000, and a maker's
        // note that sends its parser to fixed offsets past a short block.
        {"past-the-end.dng",
         [scratch] {
             DngParts parts;
             if (!WriteJpeg(scratch, Pattern(16, 16, 3))) return Bytes{};
             parts.preview = ReadFile(scratch);
             parts.previewLength = 1u << 30;
             return Dng(parts);
         },
         kNotDecoded, 128},
        {"preview-60000.dng",
         [scratch] {
             DngParts parts;
             parts.preview = JpegClaiming(scratch, 3, false, 60000, 64);
             return Dng(parts);
         },
         kNotDecoded, 128},
        {"short-shot-info.dng",
         [] {
             DngParts parts;
             parts.thumbnail = Pattern(16, 12, 3);
             parts.make = "NIKON CORPORATION";
             parts.makernote = ShortShotInfoMakernote();
             return Dng(parts);
         },
         kConverted, 128},
        // An AV1 frame header that overrides its 64 × 64 sequence with 4096 × 4096 (made from
        // an encoder's 4096 × 4096 picture; its item and ispe say 64 × 64).
        {"frame-beyond-sequence.avif",
         [] { return ReadFile(DataFile("frame-beyond-sequence.avif")); }, kNotDecoded, 128},
    };
}

}  // namespace kv::imageconv::test
