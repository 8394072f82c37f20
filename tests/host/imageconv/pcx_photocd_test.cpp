// The PCX and Photo CD readers.
#include <cmath>

#include "imageconv/formats/pcx_reader.h"
#include "imageconv/formats/photocd_reader.h"
#include "tests/host/imageconv/scratch_dir.h"

namespace kv::imageconv::test {
namespace {

class PcxTest : public ScratchDirTest {
  protected:
    int Run(const std::vector<uint8_t>& bytes, RasterImage* image) {
        PcxReader reader;
        if (!reader.Open(WriteBytes("in.pcx", bytes).c_str(), image)) return -1;
        return reader.Decode() ? 1 : 0;
    }
    static std::vector<uint8_t> Greys() {
        std::vector<uint8_t> palette;
        for (int i = 0; i < 256; ++i)
            palette.insert(palette.end(), {uint8_t(i), uint8_t(255 - i), 7});
        return palette;
    }
};

TEST_F(PcxTest, PaletteFilesKeepIndexesAndTheTrailingPalette) {
    const Pixels indexes = Pattern(5, 4, 1);
    RasterImage image;
    ASSERT_EQ(Run(Pcx8(indexes, Greys(), 6), &image), 1);
    EXPECT_EQ(image.bits(), 8);
    EXPECT_EQ(image.paletteCount(), 256);
    EXPECT_EQ(PixelsOf(image).data, indexes.data);
    EXPECT_EQ(image.palette()[10].red, 10);
    EXPECT_EQ(image.palette()[10].green, 245);
    EXPECT_EQ(image.palette()[255].blue, 7);
}

TEST_F(PcxTest, ThreePlaneFilesOfAnyWidthDecodeToTheExactWidth) {
    // Odd widths with even line lengths, and lines longer than a row; the largest is read in
    // several chunks and its rows are made writable ahead of the decoder.
    for (auto [width, height] : {std::pair{2, 5}, {3, 5}, {7, 5}, {64, 5}, {65, 5}, {1531, 1001}}) {
        for (int extra : {0, 1, 6}) {
            const int bytesPerLine = width + (width % 2) + extra;
            const Pixels rgb = Pattern(width, height, 3, uint32_t(width));
            RasterImage image;
            ASSERT_EQ(Run(Pcx24(rgb, bytesPerLine), &image), 1) << width << " " << extra;
            EXPECT_EQ(image.bits(), 24);
            EXPECT_EQ(image.width(), width);
            EXPECT_EQ(PixelsOf(image).data, rgb.data) << width << " " << extra;
        }
    }
    EXPECT_EQ(BackingFiles(), 0);
}

TEST_F(PcxTest, RunsStopAtTheEndOfTheirLineAndZeroCountsWriteNothing) {
    const Pixels rgb = Solid(2, 2, {1, 2, 3});
    std::vector<uint8_t> bytes = Pcx24(rgb, 2);
    bytes.resize(128);
    // Line 1: a run of 63 for a 6-byte line (cut), nothing of it may reach line 2.
    bytes.insert(bytes.end(), {0xFF, 9});
    // Line 2: a zero-count run, then six literals.
    bytes.insert(bytes.end(), {0xC0, 0x77, 1, 1, 2, 2, 3, 3});
    RasterImage image;
    ASSERT_EQ(Run(bytes, &image), 1);
    EXPECT_EQ(PixelsOf(image).data, (std::vector<uint8_t>{9, 9, 9, 9, 9, 9, 1, 2, 3, 1, 2, 3}));
}

TEST_F(PcxTest, HeadersThatCannotHoldARowAreRefused) {
    const Pixels rgb = Pattern(4, 4, 3);
    std::vector<uint8_t> bytes = Pcx24(rgb, 4);
    RasterImage image;
    auto with = [&](size_t at, uint8_t value) {
        std::vector<uint8_t> changed = bytes;
        changed[at] = value;
        return changed;
    };
    EXPECT_EQ(Run(with(0, 0x0B), &image), -1);   // manufacturer
    EXPECT_EQ(Run(with(8, 0), &image), -1);      // Xmax = Xmin: one pixel wide
    EXPECT_EQ(Run(with(10, 0), &image), -1);     // Ymax = Ymin
    EXPECT_EQ(Run(with(65, 2), &image), -1);     // 2 planes × 8 bits
    EXPECT_EQ(Run(with(66, 3), &image), -1);     // bytes per line below the width
    std::vector<uint8_t> reversed = with(4, 9);  // Xmin above Xmax
    EXPECT_EQ(Run(reversed, &image), -1);
    EXPECT_EQ(Run({0x0A, 5, 1, 8}, &image), -1);  // short header
}

TEST_F(PcxTest, DataEndingEarlyFailsTheDecode) {
    std::vector<uint8_t> bytes = Pcx24(Pattern(9, 6, 3), 10);
    bytes.resize(bytes.size() - 5);
    RasterImage image;
    EXPECT_EQ(Run(bytes, &image), 0);
    // A palette file shorter than its palette has no data at all.
    std::vector<uint8_t> tiny = Pcx8(Pattern(3, 3, 1), Greys(), 4);
    tiny.resize(600);
    EXPECT_EQ(Run(tiny, &image), 0);
    // The line data runs into the palette: the run decoder must not read past its data.
    std::vector<uint8_t> shortData = Pcx8(Pattern(30, 30, 1), Greys(), 30);
    shortData.erase(shortData.begin() + 128, shortData.begin() + 400);
    EXPECT_EQ(Run(shortData, &image), 0);
    image.Release();
    EXPECT_EQ(BackingFiles(), 0);
}

TEST(PcxLineTest, DecoderKeepsOnlyTheRequestedBytes) {
    const uint8_t data[] = {0xC5, 4, 7, 8, 0xC2, 9};
    uint8_t out[4] = {0, 0, 0, 0xAA};
    size_t pos = 0;
    ASSERT_TRUE(DecodePcxLine(data, sizeof data, &pos, 9, out, 3));
    EXPECT_EQ(pos, sizeof data);
    EXPECT_EQ(out[0], 4);
    EXPECT_EQ(out[2], 4);
    EXPECT_EQ(out[3], 0xAA);  // beyond `keep`: untouched
    pos = 0;
    EXPECT_FALSE(DecodePcxLine(data, sizeof data, &pos, 10, out, 3));
    pos = 0;
    EXPECT_FALSE(DecodePcxLine(data, 1, &pos, 3, out, 3));  // run byte without its value
}

class PhotoCdTest : public ScratchDirTest {};

TEST_F(PhotoCdTest, BaseImageIsConvertedFromLumaAndChroma) {
    const PhotoCdPlanes planes = PhotoCdPattern();
    PhotoCdReader reader;
    RasterImage image;
    ASSERT_TRUE(reader.Open(WriteBytes("img.pcd", PhotoCdFile(planes)).c_str(), &image));
    ASSERT_TRUE(reader.Decode());
    ASSERT_EQ(image.width(), 768);
    ASSERT_EQ(image.height(), 512);
    int checked = 0;
    for (int y = 0; y < 512; y += 37) {
        for (int x = 0; x < 768; x += 13) {
            const double luma = planes.luma[y * 768 + x];
            const double c1 = planes.c1[(y / 2) * 384 + x / 2] - 156;
            const double c2 = planes.c2[(y / 2) * 384 + x / 2] - 137;
            const double expected[3] = {
                std::floor(1.407488 * luma + 1.3230336 * c2 + 0.0000256 * c1 + 0.5),
                std::floor(1.407488 * luma - 0.67392 * c2 - 0.3954176 * c1 + 0.5),
                std::floor(1.407488 * luma + 0.0000256 * c2 + 2.0360448 * c1 + 0.5)};
            for (int c = 0; c < 3; ++c) {
                const double clamped = std::fmin(255, std::fmax(0, expected[c]));
                ASSERT_EQ(image.Row(y)[3 * x + c], clamped) << x << "," << y << " " << c;
            }
            ++checked;
        }
    }
    EXPECT_GT(checked, 500);
}

TEST_F(PhotoCdTest, ExtremeValuesAreClamped) {
    uint8_t rgb[3];
    PhotoCdPixel(255, 255 - 156, 255 - 137, rgb);
    EXPECT_EQ(rgb[0], 255);
    EXPECT_EQ(rgb[2], 255);
    PhotoCdPixel(0, -156, -137, rgb);
    EXPECT_EQ(rgb[0], 0);
    EXPECT_EQ(rgb[1], 154);  // floor(92.32704 + 61.6851456 + 0.5)
    EXPECT_EQ(rgb[2], 0);
    PhotoCdPixel(100, 0, 0, rgb);
    EXPECT_EQ(rgb[0], 141);  // floor(140.7488 + 0.5)
}

TEST_F(PhotoCdTest, OnlyLargeFilesWithTheSignatureAreAccepted) {
    const PhotoCdPlanes planes = PhotoCdPattern();
    PhotoCdReader reader;
    RasterImage image;
    EXPECT_FALSE(reader.Open(WriteBytes("nosig.pcd", PhotoCdFile(planes, false)).c_str(), &image));
    std::vector<uint8_t> small = PhotoCdFile(planes);
    small.resize(0x100000 - 1);
    EXPECT_FALSE(reader.Open(WriteBytes("small.pcd", small).c_str(), &image));
    // Exactly 1 MiB with the signature: the base image is all there is to read.
    std::vector<uint8_t> cut = PhotoCdFile(planes);
    cut.resize(0x100000);
    std::fill(cut.begin() + 0x30000, cut.end(), 0);
    ASSERT_TRUE(reader.Open(WriteBytes("ok.pcd", cut).c_str(), &image));
    EXPECT_TRUE(reader.Decode());
}

}  // namespace
}  // namespace kv::imageconv::test
