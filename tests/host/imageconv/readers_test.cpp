// The JPEG, PNG, TIFF and RAW readers: what each accepts and the image it produces.
#include <png.h>

#include <cstring>

#include "imageconv/colour/colour_to_srgb.h"
#include "imageconv/convert_to_bmp.h"
#include "imageconv/formats/jpeg_reader.h"
#include "imageconv/formats/png_reader.h"
#include "imageconv/formats/tiff_reader.h"
#include "tests/host/imageconv/scratch_dir.h"

namespace kv::imageconv::test {
namespace {

class ReaderTest : public ScratchDirTest {
  protected:
    // Open and decode through `reader`; -1 when the open step refuses, 0 when the decode
    // fails, 1 on success.
    int Run(ImageReader& reader, const std::string& path, RasterImage* image) {
        if (!reader.Open(path.c_str(), image)) {
            reader.Close();
            return -1;
        }
        const bool ok = reader.Decode();
        reader.Close();
        return ok ? 1 : 0;
    }
};

using JpegTest = ReaderTest;

// Offset of the first JPEG marker FF `code` after the start-of-image marker, or 0.
size_t FindMarker(const std::vector<uint8_t>& bytes, uint8_t code) {
    for (size_t i = 2; i + 1 < bytes.size(); ++i) {
        if (bytes[i] == 0xFF && bytes[i + 1] == code) return i;
    }
    return 0;
}

TEST_F(JpegTest, ColourFilesBecome24BitAndGreyFilesGrey) {
    JpegReader reader;
    RasterImage image;
    ASSERT_TRUE(WriteJpeg(Path("c.jpg"), Pattern(33, 17, 3)));
    ASSERT_EQ(Run(reader, Path("c.jpg"), &image), 1);
    EXPECT_EQ(image.bits(), 24);
    EXPECT_EQ(image.width(), 33);
    EXPECT_EQ(image.height(), 17);

    // A flat colour survives the lossy round trip almost exactly.
    ASSERT_TRUE(WriteJpeg(Path("flat.jpg"), Solid(16, 16, {200, 40, 90}), 100));
    ASSERT_EQ(Run(reader, Path("flat.jpg"), &image), 1);
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(image.pixels()[i], (std::vector<int>{200, 40, 90}[i]), 2);

    ASSERT_TRUE(WriteJpeg(Path("g.jpg"), Solid(9, 4, {77}), 100));
    ASSERT_EQ(Run(reader, Path("g.jpg"), &image), 1);
    EXPECT_EQ(image.bits(), 8);
    EXPECT_EQ(image.paletteCount(), 0);
    EXPECT_NEAR(image.pixels()[9 * 4 - 1], 77, 1);

    // A tall photo in a wide space, read in true colour: its rows are converted on a second
    // thread in batches as they are decoded, to what the whole picture converts to.
    const std::vector<uint8_t> proPhoto = ReadFile("/usr/share/color/icc/ghostscript/rommrgb.icc");
    ASSERT_TRUE(WriteJpeg(Path("tall.jpg"), Pattern(40, 900, 3, 9), 95));
    ASSERT_TRUE(WriteFile(Path("tagged.jpg"),
                          WithIccProfile(ReadFile(Path("tall.jpg")), proPhoto, proPhoto.size())));
    RasterImage converted;
    JpegReader trueColour;
    trueColour.set_true_colour(true);
    ASSERT_EQ(Run(trueColour, Path("tagged.jpg"), &converted), 1);
    ASSERT_EQ(Run(reader, Path("tall.jpg"), &image), 1);
    const std::vector<uint8_t> plain = PixelsOf(image).data;
    ConvertRowsToSrgb(&image, {proPhoto.data(), proPhoto.size()});
    EXPECT_NE(PixelsOf(image).data, plain);
    EXPECT_EQ(PixelsOf(converted).data, PixelsOf(image).data);
    image.Release();
    converted.Release();
    EXPECT_EQ(BackingFiles(), 0);
}

TEST_F(JpegTest, CmykAndNonJpegFilesAreRefusedAtOpen) {
    JpegReader reader;
    RasterImage image;
    ASSERT_TRUE(WriteJpeg(Path("k.jpg"), Pattern(8, 8, 4)));
    EXPECT_EQ(Run(reader, Path("k.jpg"), &image), -1);
    EXPECT_EQ(Run(reader, WriteBytes("t.txt", {'h', 'i'}), &image), -1);
    EXPECT_EQ(Run(reader, WriteBytes("one.bin", {0xFF}), &image), -1);
    // The right signature with nothing behind it is a libjpeg error, caught.
    EXPECT_EQ(Run(reader, WriteBytes("sig.jpg", {0xFF, 0xD8, 0xFF, 0xE0, 0, 3}), &image), -1);
    EXPECT_EQ(Run(reader, Path("missing.jpg"), &image), -1);
    EXPECT_TRUE(image.empty());
}

TEST_F(JpegTest, CorruptEntropyDataStillDecodesAndTruncationKeepsTheSize) {
    ASSERT_TRUE(WriteJpeg(Path("c.jpg"), Pattern(64, 64, 3)));
    std::vector<uint8_t> bytes = ReadFile(Path("c.jpg"));
    std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + bytes.size() / 2);
    JpegReader reader;
    RasterImage image;
    // libjpeg treats missing data as a warning and fills the rest; the size stays right.
    ASSERT_EQ(Run(reader, WriteBytes("cut.jpg", cut), &image), 1);
    EXPECT_EQ(image.width(), 64);
    EXPECT_EQ(image.height(), 64);
}

TEST_F(JpegTest, LibraryErrorsAreCaughtAndReleaseEverything) {
    ASSERT_TRUE(WriteJpeg(Path("c.jpg"), Pattern(64, 64, 3)));
    std::vector<uint8_t> bytes = ReadFile(Path("c.jpg"));
    // A bad Huffman table reference in the scan header: libjpeg fails on it while it starts
    // the decompression, which the open step does (a fatal error while rows are read is
    // hard to provoke: damaged entropy data only raises warnings).
    const size_t sos = FindMarker(bytes, 0xDA);
    ASSERT_NE(sos, 0u);
    bytes[sos + 6] = 0x77;  // table numbers 7/7 do not exist
    JpegReader reader;
    RasterImage image;
    EXPECT_EQ(Run(reader, WriteBytes("bad.jpg", bytes), &image), -1);
    image.Release();
    EXPECT_EQ(BackingFiles(), 0);
}

TEST_F(JpegTest, ImagesTooLargeToStoreAreRefusedBeforeDecoding) {
    ASSERT_TRUE(WriteJpeg(Path("c.jpg"), Pattern(16, 16, 3)));
    std::vector<uint8_t> bytes = ReadFile(Path("c.jpg"));
    const size_t sof = FindMarker(bytes, 0xC0);
    ASSERT_NE(sof, 0u);
    // Height and width 65500: 12.9 GB of pixels.
    for (size_t at : {sof + 5, sof + 7}) {
        bytes[at] = 0xFF;
        bytes[at + 1] = 0xDC;
    }
    JpegReader reader;
    RasterImage image;
    EXPECT_EQ(Run(reader, WriteBytes("huge.jpg", bytes), &image), -1);
    EXPECT_EQ(BackingFiles(), 0);
}

using PngTest = ReaderTest;

TEST_F(PngTest, RgbRgbaGreyAndPaletteFilesKeepTheirSamples) {
    PngReader reader;
    RasterImage image;
    const Pixels rgb = Pattern(13, 7, 3);
    ASSERT_TRUE(WritePng(Path("rgb.png"), 13, 7, PNG_COLOR_TYPE_RGB, 8, rgb.data));
    ASSERT_EQ(Run(reader, Path("rgb.png"), &image), 1);
    EXPECT_EQ(image.bits(), 24);
    EXPECT_EQ(PixelsOf(image).data, rgb.data);

    const Pixels rgba = Pattern(5, 4, 4);
    ASSERT_TRUE(WritePng(Path("rgba.png"), 5, 4, PNG_COLOR_TYPE_RGBA, 8, rgba.data));
    ASSERT_EQ(Run(reader, Path("rgba.png"), &image), 1);
    EXPECT_EQ(image.bits(), 32);
    // Alpha comes first in the image.
    for (size_t i = 0; i < rgba.data.size(); i += 4) {
        EXPECT_EQ(image.pixels()[i], rgba.data[i + 3]);
        EXPECT_EQ(image.pixels()[i + 1], rgba.data[i]);
        EXPECT_EQ(image.pixels()[i + 3], rgba.data[i + 2]);
    }

    const Pixels grey = Pattern(6, 6, 1);
    ASSERT_TRUE(WritePng(Path("grey.png"), 6, 6, PNG_COLOR_TYPE_GRAY, 8, grey.data));
    ASSERT_EQ(Run(reader, Path("grey.png"), &image), 1);
    EXPECT_EQ(image.bits(), 8);
    EXPECT_EQ(image.paletteCount(), 0);
    EXPECT_EQ(PixelsOf(image).data, grey.data);
}

TEST_F(PngTest, TwoBitPaletteBecomesOneIndexPerByte) {
    PngPalette palette{{0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255}};
    std::vector<uint8_t> indexes;
    for (int i = 0; i < 9 * 3; ++i) indexes.push_back(uint8_t(i % 4));
    ASSERT_TRUE(
        WritePng(Path("p2.png"), 9, 3, PNG_COLOR_TYPE_PALETTE, 2, indexes, false, &palette));
    PngReader reader;
    RasterImage image;
    ASSERT_EQ(Run(reader, Path("p2.png"), &image), 1);
    EXPECT_EQ(image.bits(), 8);
    EXPECT_EQ(image.paletteCount(), 4);
    EXPECT_EQ(PixelsOf(image).data, indexes);
    EXPECT_EQ(image.palette()[1].red, 255);
    EXPECT_EQ(image.palette()[3].blue, 255);
}

TEST_F(PngTest, SmallGreySamplesAreScaledAndTransparencyAddsNoChannel) {
    std::vector<uint8_t> samples;
    for (int i = 0; i < 10 * 2; ++i) samples.push_back(uint8_t(i % 4));
    ASSERT_TRUE(
        WritePng(Path("g2.png"), 10, 2, PNG_COLOR_TYPE_GRAY, 2, samples, false, nullptr, true));
    PngReader reader;
    RasterImage image;
    ASSERT_EQ(Run(reader, Path("g2.png"), &image), 1);
    EXPECT_EQ(image.bits(), 8);
    for (size_t i = 0; i < samples.size(); ++i) EXPECT_EQ(image.pixels()[i], samples[i] * 85);
}

TEST_F(PngTest, GreyWithAlphaKeepsTheGreyAndDropsTheAlpha) {
    std::vector<uint8_t> samples;
    for (int i = 0; i < 7 * 5; ++i) {
        samples.push_back(uint8_t(i * 7));    // grey
        samples.push_back(uint8_t(255 - i));  // alpha
    }
    ASSERT_TRUE(WritePng(Path("ga.png"), 7, 5, PNG_COLOR_TYPE_GRAY_ALPHA, 8, samples));
    PngReader reader;
    RasterImage image;
    ASSERT_EQ(Run(reader, Path("ga.png"), &image), 1);
    EXPECT_EQ(image.bits(), 8);
    EXPECT_EQ(image.stride(), 7u);
    for (int i = 0; i < 7 * 5; ++i) EXPECT_EQ(image.pixels()[i], samples[2 * i]);
}

TEST_F(PngTest, AMillionAndOnePixelsWideIsRead) {
    const int width = 1000001;
    std::vector<uint8_t> grey(width);
    for (int i = 0; i < width; ++i) grey[i] = uint8_t(i * 13);
    ASSERT_TRUE(WritePng(Path("wide.png"), width, 1, PNG_COLOR_TYPE_GRAY, 8, grey));
    PngReader reader;
    RasterImage image;
    ASSERT_EQ(Run(reader, Path("wide.png"), &image), 1);
    EXPECT_EQ(image.width(), width);
    EXPECT_EQ(image.pixels()[width - 1], grey[width - 1]);
}

TEST_F(PngTest, InterlacedFilesAreAssembledFromAllPasses) {
    const Pixels rgb = Pattern(19, 11, 3);
    ASSERT_TRUE(WritePng(Path("i.png"), 19, 11, PNG_COLOR_TYPE_RGB, 8, rgb.data, true));
    PngReader reader;
    RasterImage image;
    ASSERT_EQ(Run(reader, Path("i.png"), &image), 1);
    EXPECT_EQ(PixelsOf(image).data, rgb.data);
}

TEST_F(PngTest, SixteenBitFilesAndNonPngFilesAreRefused) {
    std::vector<uint8_t> wide(4 * 4 * 3 * 2, 0x80);
    ASSERT_TRUE(WritePng(Path("16.png"), 4, 4, PNG_COLOR_TYPE_RGB, 16, wide));
    PngReader reader;
    RasterImage image;
    EXPECT_EQ(Run(reader, Path("16.png"), &image), -1);
    EXPECT_EQ(Run(reader, WriteBytes("x.txt", {'P', 'N', 'G'}), &image), -1);
    EXPECT_TRUE(image.empty());
}

TEST_F(PngTest, TruncatedDataFailsTheDecodeButNothingAfterTheLastRowIsRead) {
    const Pixels rgb = Pattern(40, 40, 3, 9);
    ASSERT_TRUE(WritePng(Path("rgb.png"), 40, 40, PNG_COLOR_TYPE_RGB, 8, rgb.data));
    const std::vector<uint8_t> bytes = ReadFile(Path("rgb.png"));
    PngReader reader;
    RasterImage image;
    // Without its closing chunk the file still holds every row.
    const std::vector<uint8_t> noEnd(bytes.begin(), bytes.end() - 12);
    ASSERT_EQ(Run(reader, WriteBytes("noend.png", noEnd), &image), 1);
    EXPECT_EQ(PixelsOf(image).data, rgb.data);
    image.Release();
    const std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + bytes.size() * 2 / 3);
    EXPECT_EQ(Run(reader, WriteBytes("cut.png", cut), &image), 0);
    image.Release();
    EXPECT_EQ(BackingFiles(), 0);
}

using TiffTest = ReaderTest;

TEST_F(TiffTest, UncompressedLzwPackBitsAndDeflateFilesGiveTheExactPicture) {
    const Pixels rgb = Pattern(23, 9, 3);
    // Deflate as photo editors write it (8) and in its older number (32946).
    for (int compression : {1, 5, 32773, 8, 32946}) {
        const std::string path = Path("t" + std::to_string(compression) + ".tif");
        ASSERT_TRUE(WriteTiff(path, rgb, compression, 4));
        TiffReader reader;
        RasterImage image;
        ASSERT_EQ(Run(reader, path, &image), 1) << compression;
        EXPECT_EQ(image.bits(), 24);
        EXPECT_EQ(PixelsOf(image).data, rgb.data) << compression;
    }
    EXPECT_EQ(BackingFiles(), 0);
}

TEST_F(TiffTest, TallImagesReadInBandsMatchTheWholePicture) {
    // 150 rows in strips of 7: bands of 70, 70 and 10 rows.
    const Pixels rgb = Pattern(31, 150, 3, 5);
    for (int rowsPerStrip : {7, 64, 150, 1}) {
        const std::string path = Path("tall" + std::to_string(rowsPerStrip) + ".tif");
        ASSERT_TRUE(WriteTiff(path, rgb, 5, rowsPerStrip));
        TiffReader reader;
        RasterImage image;
        ASSERT_EQ(Run(reader, path, &image), 1) << rowsPerStrip;
        EXPECT_EQ(PixelsOf(image).data, rgb.data) << rowsPerStrip;
    }
    // 16 bits in a wide space: bands of strips are converted on a second thread while the
    // next band is read; the picture is the one read as a single band.
    const std::vector<uint8_t> proPhoto = ReadFile("/usr/share/color/icc/ghostscript/rommrgb.icc");
    ASSERT_FALSE(proPhoto.empty());
    std::vector<uint16_t> deep;
    for (uint8_t sample : rgb.data) deep.push_back(uint16_t(sample * 257 + (sample & 0x7F)));
    std::vector<uint8_t> pictures[2];
    for (int rowsPerStrip : {150, 3}) {
        const std::string path = Path("deep" + std::to_string(rowsPerStrip) + ".tif");
        ASSERT_TRUE(WriteTiff16(path, 31, 150, 3, deep, 8, proPhoto, rowsPerStrip));
        TiffReader reader;
        RasterImage image;
        ASSERT_EQ(Run(reader, path, &image), 1) << rowsPerStrip;
        pictures[rowsPerStrip == 3] = PixelsOf(image).data;
    }
    EXPECT_NE(pictures[0], rgb.data);
    EXPECT_EQ(pictures[1], pictures[0]);
}

TEST_F(TiffTest, BottomFirstOrientationIsShownTopRowFirst) {
    const Pixels rgb = Pattern(12, 90, 3, 6);
    ASSERT_TRUE(WriteTiff(Path("bl.tif"), rgb, 1, 8, 4));
    TiffReader reader;
    RasterImage image;
    ASSERT_EQ(Run(reader, Path("bl.tif"), &image), 1);
    // The stored first row is the picture's bottom row.
    for (int y = 0; y < 90; ++y) {
        ASSERT_EQ(memcmp(image.Row(y), rgb.At(0, 89 - y), 36), 0) << y;
    }
}

TEST_F(TiffTest, GreyFilesBecomeColourAndNonTiffFilesAreRefused) {
    const Pixels grey = Pattern(5, 3, 1);
    ASSERT_TRUE(WriteTiff(Path("g.tif"), grey, 1));
    TiffReader reader;
    RasterImage image;
    ASSERT_EQ(Run(reader, Path("g.tif"), &image), 1);
    ASSERT_EQ(image.bits(), 24);
    for (int i = 0; i < 15; ++i) {
        EXPECT_EQ(image.pixels()[3 * i], grey.data[i]);
        EXPECT_EQ(image.pixels()[3 * i + 2], grey.data[i]);
    }
    EXPECT_EQ(Run(reader, WriteBytes("x.txt", {'I', 'I', 42, 0}), &image), -1);
}

TEST_F(TiffTest, DamagedStripsAreSkippedAndTheRestIsShown) {
    const Pixels rgb = Pattern(30, 30, 3);
    ASSERT_TRUE(WriteTiff(Path("t.tif"), rgb, 5, 2));
    std::vector<uint8_t> bytes = ReadFile(Path("t.tif"));
    // Corrupt the middle of the file (the strip data) and keep the directory intact.
    for (size_t i = 100; i < bytes.size() / 2; ++i) bytes[i] ^= 0x5A;
    TiffReader reader;
    RasterImage image;
    // Strips that cannot be decoded are skipped: the picture keeps its size, and the rows
    // of the strips stored after the damage are the original ones.
    ASSERT_EQ(Run(reader, WriteBytes("bad.tif", bytes), &image), 1);
    const Pixels shown = PixelsOf(image);
    ASSERT_EQ(shown.width, 30);
    ASSERT_EQ(shown.height, 30);
    for (int y = 28; y < 30; ++y) {
        for (int x = 0; x < 30; ++x) {
            EXPECT_EQ(std::vector<uint8_t>(shown.At(x, y), shown.At(x, y) + 3),
                      std::vector<uint8_t>(rgb.At(x, y), rgb.At(x, y) + 3))
                << x << ", " << y;
        }
    }
    image.Release();
    EXPECT_EQ(BackingFiles(), 0);
}

TEST_F(TiffTest, HeaderFieldsImplyingHugeBuffersFailWithoutAllocatingThem) {
    // Found by fuzzing: 200 bytes whose sample layout made libtiff ask for 34 GB at once.
    const std::vector<uint8_t> bytes = {
        0x49, 0x49, 0x2A, 0x00, 0x3A, 0x00, 0x00, 0x00, 0x08, 0x08, 0x11, 0x33, 0x53, 0x7D, 0x9B,
        0xB2, 0xDB, 0xF0, 0x08, 0x08, 0x15, 0x34, 0x50, 0x75, 0x91, 0xB6, 0xD8, 0xF5, 0x08, 0x0A,
        0x17, 0x32, 0x50, 0x7D, 0x91, 0xBE, 0xDB, 0xF5, 0x08, 0x00, 0x1D, 0x34, 0x52, 0x72, 0x9F,
        0xB0, 0xDE, 0xFF, 0x08, 0x05, 0x10, 0x38, 0x5E, 0x74, 0x94, 0xBB, 0xDE, 0xFA, 0x0A, 0x00,
        0x00, 0x01, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00, 0x01, 0x01, 0x03,
        0x00, 0x01, 0x00, 0x00, 0x00, 0x02, 0xFF, 0xFD, 0x00, 0x02, 0x01, 0x03, 0x00, 0x01, 0x00,
        0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x03, 0x01, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x05,
        0x80, 0x00, 0x00, 0x06, 0x81, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00,
        0x11, 0x01, 0x04, 0x00, 0x02, 0x00, 0x00, 0x00, 0xC0, 0x00, 0x00, 0x00, 0x15, 0x01, 0x03,
        0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x7F, 0xDD, 0x2F, 0x37, 0xA0, 0x00, 0x00, 0x01, 0x00,
        0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x17, 0x01, 0x04, 0x00, 0x02, 0x00, 0x00, 0x00, 0xB8,
        0x00, 0x00, 0x00, 0x1C, 0x01, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00,
        0x00, 0x00, 0x00, 0x00, 0x1E, 0x00, 0x00, 0x00, 0x14, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00,
        0x00, 0x26, 0x00, 0x00, 0x00,
    };
    TiffReader reader;
    RasterImage image;
    EXPECT_NE(Run(reader, WriteBytes("huge.tif", bytes), &image), 1);
    image.Release();
    EXPECT_EQ(BackingFiles(), 0);
}

using RawTest = ReaderTest;

// Which reader takes a file goes by its extension and its contents together; a RAW file
// shows its largest preview, upright by the RAW file's orientation, or nothing at all.
TEST_F(RawTest, TheLargestPreviewShowsUprightAndOtherFilesKeepTheirReaders) {
    ASSERT_TRUE(WriteJpeg(Path("p.jpg"), Pattern(40, 30, 3)));
    const Bytes jpeg = ReadFile(Path("p.jpg"));
    const Pixels thumbnail = Pattern(16, 12, 3, 2);
    const Bytes cut(jpeg.begin(), jpeg.begin() + jpeg.size() / 2);
    auto dng = [](const Pixels& thumbnail, const Bytes& preview, int orientation) {
        DngParts parts;
        parts.thumbnail = thumbnail;
        parts.preview = preview;
        parts.orientation = orientation;
        return Dng(parts);
    };
    const struct {
        const char* name;
        Bytes file;
        int32_t result, width, height;
    } cases[] = {
        {"turned.dng", dng(thumbnail, jpeg, 6), kConverted, 30, 40},
        {"turned.raf", Raf(jpeg, 8), kConverted, 30, 40},
        {"turned.tif", dng(thumbnail, jpeg, 6), kConverted, 16, 12},  // a TIFF stays a TIFF
        {"BITMAP.DNG", dng(thumbnail, {}, 3), kConverted, 16, 12},
        {"none.dng", dng({}, {}, 1), kNotDecoded, 0, 0},
        // The largest preview ends early: no half picture, and no smaller one instead.
        {"cut.nef", dng(thumbnail, cut, 1), kNotDecoded, 0, 0},
    };
    for (const auto& c : cases) {
        RasterImage image;
        ASSERT_EQ(LoadAnyImage(WriteBytes(c.name, c.file).c_str(), &image, true), c.result)
            << c.name;
        EXPECT_EQ(image.width(), c.width) << c.name;
        EXPECT_EQ(image.height(), c.height) << c.name;
        if (std::string(c.name) == "BITMAP.DNG") {
            // Turned half way: the stored last pixel comes first.
            EXPECT_EQ(memcmp(image.Row(0), thumbnail.At(15, 11), 3), 0);
        }
        image.Release();
        EXPECT_EQ(BackingFiles(), 0) << c.name;
    }
    // A JPEG named like a RAW file is still a JPEG.
    RasterImage image;
    ASSERT_EQ(LoadAnyImage(WriteBytes("photo.nef", jpeg).c_str(), &image, true), kConverted);
    EXPECT_EQ(image.width(), 40);
}

}  // namespace
}  // namespace kv::imageconv::test
