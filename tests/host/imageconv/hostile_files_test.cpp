// Small generated files that declare one size and make a library decode or allocate for
// another: each is converted in a child process, whose outcome and growth of resident
// memory are checked against the row.
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <functional>

#include "imageconv/convert_to_bmp.h"
#include "imageconv/memory/counted_memory.h"
#include "tests/host/imageconv/scratch_dir.h"

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

struct Outcome {
    int32_t result = 0;
    double growthMegabytes = -1;
    double seconds = 0;
};

long StatusKilobytes(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0) return atol(line.c_str() + strlen(field) + 1);
    }
    return -1;
}

// Converts in a child process: its result, how far its peak resident memory rose above
// what it had at the start, and how long it took.
Outcome ConvertInChild(const std::string& source, const std::string& target) {
    const auto start = std::chrono::steady_clock::now();
    int channel[2];
    if (pipe(channel) != 0) return {};
    const pid_t child = fork();
    if (child == 0) {
        std::ofstream("/proc/self/clear_refs") << "5";  // peak := current
        const long before = StatusKilobytes("VmHWM:");
        Outcome outcome;
        outcome.result = ConvertFileToBmp(source.c_str(), target.c_str());
        outcome.growthMegabytes = double(StatusKilobytes("VmHWM:") - before) / 1024;
        _exit(write(channel[1], &outcome, sizeof outcome) == sizeof outcome ? 0 : 1);
    }
    // Without the write end here, a child that dies reads as end of file, not as a wait.
    close(channel[1]);
    Outcome outcome;
    if (read(channel[0], &outcome, sizeof outcome) != sizeof outcome) outcome = {};
    close(channel[0]);
    waitpid(child, nullptr, 0);
    outcome.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return outcome;
}

using HostileFileTest = ScratchDirTest;

// A HEIF file that reads far more than it holds: iloc entries of zero-byte offsets and
// lengths, each with the most extents a count can say (6 bytes of file per entry).
Bytes ManyExtentsHeif() {
    Bytes entries;
    for (uint32_t id = 1; id <= 200; ++id) entries = entries + Be(id, 2) + Be(0, 2) + Be(65535, 2);
    return Box("ftyp", Tag("heic") + Be(0, 4) + Tag("mif1") + Tag("heic")) +
           FullBox("meta", 0, FullBox("iloc", 0, Bytes{0, 0} + Be(200, 2) + entries));
}

// Not a speed target (the benchmark has those) but a bound no time bomb stays under, even
// with the sanitizers.
constexpr double kSecondsBound = 10;

TEST_F(HostileFileTest, AreRefusedOrConvertedWithinTheMemoryBound) {
    const Bytes photo = ReadFile(DataFile("example.heic"));
    // Items over the photo's coded picture, each claiming 64 × 64.
    const Bytes claim = FullBox("ispe", 0, Be(64, 4) + Be(64, 4));
    const Bytes hvcC = Box("hvcC", BoxBody(photo, "hvcC"));
    auto picture = [&](uint32_t id) {
        return HeifItem{id, "hvc1", BoxBody(photo, "mdat"), {}, {claim, hvcC}};
    };
    auto overlay = [&](uint32_t id, uint32_t side, uint32_t input) {
        return HeifItem{
            id, "iovl", Bytes(10, 0) + Be(side, 2) + Be(side, 2) + Be(0, 4), {input}, {claim}};
    };
    // Two items a rung, each referring to both of the next: paths double with every rung.
    auto ladder = [&](uint32_t rungs) {
        std::vector<HeifItem> items{picture(1)};
        items[0].inputs = {2, 3};
        for (uint32_t id = 2; id < 2 + 2 * rungs; ++id) {
            items.push_back({id, "hvc1", {}, {}, {}});
            if (id + 2 < 2 + 2 * rungs) items.back().inputs = {id + 2 - id % 2, id + 3 - id % 2};
        }
        return HeifFile(items, 1);
    };
    const struct {
        const char* name;
        std::function<Bytes()> make;
        int32_t result;
        double megabytes;
    } rows[] = {
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
        {"grey-30000.jpg", [&] { return JpegClaiming(Path("g.jpg"), 1, false, 30000, 64); },
         kNotDecoded, 128},
        {"progressive-12000.jpg", [&] { return JpegClaiming(Path("p.jpg"), 3, true, 12000, 0); },
         kNotDecoded, 128},
        {"one-strip.tif", [] { return OneStripTiff(20000); }, kNotDecoded, 128},
        {"grid-14000.heic", [&] { return DerivedHeic(photo, "grid", 14000, 14000); }, kNotDecoded,
         128},
        {"grid-legal.heic", [&] { return DerivedHeic(photo, "grid", 64, 64); }, kConverted, 128},
        {"overlay-14000.heic", [&] { return DerivedHeic(photo, "iovl", 14000, 14000); },
         kNotDecoded, 128},
        {"overlay-legal.heic", [&] { return DerivedHeic(photo, "iovl", 64, 64); }, kConverted, 128},
        {"coded-26880.heic", [&] { return CodedSizeHeic(photo, 26880, 26880); }, kNotDecoded, 128},
        {"coded-legal.heic", [&] { return CodedSizeHeic(photo, 1280, 856); }, kConverted, 128},
        // Found by fuzzing: an item located twice, once in the file and once in idat.
        {"item-listed-twice.heic", [] { return ReadFile(DataFile("item-listed-twice.heic")); },
         kNotDecoded, 128},
        {"coded-in-data.heic", [&] { return CodedSizeHeic(photo, 26880, 26880, true); },
         kNotDecoded, 128},
        {"coded-in-data-legal.heic", [&] { return CodedSizeHeic(photo, 1280, 856, true); },
         kConverted, 128},
        // Found by review: the box reader read less, or otherwise, than libheif decodes.
        {"many-extents.heic", ManyExtentsHeif, kNotDecoded, 128},
        {"second-pitm.heic",
         [&] {
             return HeifFile({overlay(1, 14000, 2), picture(2)}, 1, FullBox("pitm", 0, Be(2, 2)));
         },
         kNotDecoded, 128},
        {"identity-of-overlay.heic",
         [&] {
             return HeifFile({{3, "iden", {}, {1}, {claim}}, overlay(1, 14000, 2), picture(2)}, 3);
         },
         kNotDecoded, 128},
        {"overlay-of-overlay.heic",
         [&] {
             return HeifFile({overlay(3, 64, 1), overlay(1, 14000, 2), picture(2)}, 3);
         },
         kNotDecoded, 128},
        {"long-parameter-set.heic", [&] { return CodedSizeHeic(photo, 8000, 8000, true, 5000); },
         kNotDecoded, 128},
        // An unused configuration of a larger but monochrome picture.
        {"monochrome-config.heic",
         [&] {
             const Bytes mono = BoxBody(CodedSizeHeic(photo, 8200, 8200, false, 0, 0), "hvcC");
             HeifItem coded = picture(1);
             coded.data = BoxBody(CodedSizeHeic(photo, 8000, 8000, true), "idat");
             return HeifFile({coded, {2, "hvc1", coded.data, {}, {claim, Box("hvcC", mono)}}}, 1);
         },
         kNotDecoded, 128},
        {"reference-ladder.heic", [&] { return ladder(25); }, kNotDecoded, 128},
        {"mask.heic",
         [&] {
             return HeifFile({{1,
                               "mski",
                               Bytes(64 * 64 + 4096, 0x80),
                               {},
                               {claim, FullBox("mskC", 0, Bytes{8})}}},
                             1);
         },
         kNotDecoded, 128},
        // RAW files: a preview past the end, a preview claiming 60000 × 60000, and a maker's
        // note that sends its parser to fixed offsets past a short block.
        {"past-the-end.dng",
         [&] {
             DngParts parts;
             if (!WriteJpeg(Path("r.jpg"), Pattern(16, 16, 3))) return Bytes{};
             parts.preview = ReadFile(Path("r.jpg"));
             parts.previewLength = 1u << 30;
             return Dng(parts);
         },
         kNotDecoded, 128},
        {"preview-60000.dng",
         [&] {
             DngParts parts;
             parts.preview = JpegClaiming(Path("r.jpg"), 3, false, 60000, 64);
             return Dng(parts);
         },
         kNotDecoded, 128},
        {"short-shot-info.dng",
         [&] {
             DngParts parts;
             parts.thumbnail = Pattern(16, 12, 3);
             parts.make = "NIKON CORPORATION";
             parts.makernote = ShortShotInfoMakernote();
             return Dng(parts);
         },
         kConverted, 128},
        // Two tiles 64 wide do not cover 129 columns.
        {"grid-gap.heic",
         [&] {
             return HeifFile(
                 {{1, "grid", Bytes{0, 0, 0, 1} + Be(129, 2) + Be(64, 2), {2, 3}, {claim}},
                  picture(2),
                  picture(3)},
                 1);
         },
         kNotDecoded, 128},
    };
    for (const auto& row : rows) {
        const Bytes bytes = row.make();
        ASSERT_FALSE(bytes.empty()) << row.name;
        const Outcome outcome = ConvertInChild(WriteBytes(row.name, bytes), Path("out.bmp"));
        EXPECT_EQ(outcome.result, row.result) << row.name;
        EXPECT_GE(outcome.growthMegabytes, 0) << row.name;
        EXPECT_LT(outcome.growthMegabytes, row.megabytes) << row.name;
        EXPECT_LT(outcome.seconds, kSecondsBound) << row.name;
        EXPECT_EQ(BackingFiles(), 0) << row.name;
    }
}

// Each library in turn runs out of its budget at every step from nothing up: the picture
// is refused cleanly (the sanitizers see no fault or leak) or decoded whole, never in part.
TEST_F(HostileFileTest, AllocationsPastTheBudgetFailTheConversionCleanly) {
    const Pixels rgb = Pattern(64, 48, 3);
    ASSERT_TRUE(WriteJpeg(Path("a.jpg"), rgb));
    ASSERT_TRUE(WriteJpeg(Path("p.jpg"), rgb, 90, true));
    ASSERT_TRUE(WritePng(Path("a.png"), 64, 48, 2, 8, rgb.data));
    ASSERT_TRUE(WriteTiff(Path("a.tif"), rgb, 5));
    ASSERT_TRUE(WriteJpeg(Path("preview.jpg"), rgb));
    DngParts raw;
    raw.preview = ReadFile(Path("preview.jpg"));
    raw.orientation = 8;
    WriteBytes("a.dng", Dng(raw));
    const std::string files[] = {
        Path("a.jpg"),
        Path("p.jpg"),
        Path("a.png"),
        Path("a.tif"),
        Path("a.dng"),
        DataFile("test.webp"),
        DataFile("seed-lossless.webp"),
        DataFile("seed-alpha.webp"),
        DataFile("seed-animated.webp"),
        DataFile("seed.heic"),
        DataFile("seed-alpha.avif"),
    };
    for (const std::string& file : files) {
        RasterImage image;
        ASSERT_EQ(LoadAnyImage(file.c_str(), &image, true), kConverted) << file;
        const Pixels whole = PixelsOf(image);
        int refusals = 0;
        for (uint64_t heap = 0; heap < (1ull << 30); heap = heap ? heap * 2 : 256) {
            int32_t result = 0;
            {
                CountedMemory budget({kMaxBlockBytes, heap});
                result = LoadAnyImage(file.c_str(), &image, true);
            }
            EXPECT_EQ(BackingFiles(), 0) << file << " " << heap;
            if (result == kConverted) {
                EXPECT_EQ(PixelsOf(image).data, whole.data) << file << " " << heap;
                break;
            }
            EXPECT_EQ(result, kNotDecoded) << file << " " << heap;
            ++refusals;
        }
        EXPECT_GT(refusals, 0) << file;
        EXPECT_EQ(PixelsOf(image).data, whole.data) << file;
    }
    // Our own storage counts too.
    WriteBytes("a.bmp", Bmp24(rgb));
    RasterImage image;
    CountedMemory budget({64 * 48 * 3 - 1, kLibraryBudget});
    EXPECT_EQ(LoadAnyImage(Path("a.bmp").c_str(), &image, true), kNotDecoded);
}

}  // namespace
}  // namespace kv::imageconv::test
