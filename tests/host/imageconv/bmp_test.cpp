// Reading 24-bit BMPs and writing the library's BMPs.
#include <sys/resource.h>

#include <csignal>
#include <cstring>
#include <filesystem>

#include "imageconv/bmp_writer.h"
#include "imageconv/convert_to_bmp.h"
#include "imageconv/formats/bmp_reader.h"
#include "tests/host/imageconv/scratch_dir.h"

namespace kv::imageconv::test {
namespace {

class BmpTest : public ScratchDirTest {
  protected:
    // Opens and decodes `bytes` with BmpReader; false when either step fails.
    bool Read(const std::vector<uint8_t>& bytes, RasterImage* image) {
        const std::string path = WriteBytes("in.bmp", bytes);
        BmpReader codec;
        return codec.Open(path.c_str(), image) && codec.Decode();
    }
    bool Opens(const std::vector<uint8_t>& bytes) {
        RasterImage image;
        BmpReader codec;
        return codec.Open(WriteBytes("in.bmp", bytes).c_str(), &image);
    }
};

TEST_F(BmpTest, BottomUpTopDownAndCoreHeaderFilesGiveTheSamePicture) {
    const Pixels picture = Pattern(7, 5, 3);
    for (auto bytes : {Bmp24(picture), Bmp24(picture, true), Bmp24(picture, false, true)}) {
        RasterImage image;
        ASSERT_TRUE(Read(bytes, &image));
        EXPECT_EQ(image.bits(), 24);
        EXPECT_EQ(image.paletteCount(), 0);
        EXPECT_EQ(PixelsOf(image).data, picture.data);
    }
    EXPECT_EQ(BackingFiles(), 0);
}

TEST_F(BmpTest, BitFieldsCompressionIsReadAsUncompressedAndBaIsAccepted) {
    const Pixels picture = Pattern(3, 2, 3);
    std::vector<uint8_t> bytes = Bmp24(picture);
    bytes[30] = 3;
    RasterImage image;
    ASSERT_TRUE(Read(bytes, &image));
    EXPECT_EQ(PixelsOf(image).data, picture.data);
    bytes[1] = 'A';
    EXPECT_TRUE(Read(bytes, &image));
}

TEST_F(BmpTest, OnlyUncompressed24BitFilesAreAccepted) {
    EXPECT_TRUE(Opens(BmpHeaderOnly(4, 4, 24, 0, 48)));
    EXPECT_FALSE(Opens(BmpHeaderOnly(4, 4, 8, 0, 16)));
    EXPECT_FALSE(Opens(BmpHeaderOnly(4, 4, 32, 0, 64)));
    EXPECT_FALSE(Opens(BmpHeaderOnly(4, 4, 16, 3, 32)));
    EXPECT_FALSE(Opens(BmpHeaderOnly(4, 4, 24, 1, 48)));
    EXPECT_FALSE(Opens(BmpHeaderOnly(4, 4, 24, 2, 48)));
    EXPECT_FALSE(Opens(BmpHeaderOnly(4, 4, 24, 4, 48)));
    EXPECT_FALSE(Opens(BmpHeaderOnly(0, 4, 24, 0, 48)));
    EXPECT_FALSE(Opens(BmpHeaderOnly(-4, 4, 24, 0, 48)));
    EXPECT_FALSE(Opens(BmpHeaderOnly(4, 0, 24, 0, 48)));
    std::vector<uint8_t> notBmp = BmpHeaderOnly(4, 4, 24, 0, 48);
    notBmp[0] = 'X';
    EXPECT_FALSE(Opens(notBmp));
    EXPECT_FALSE(Opens({'B', 'M', 0, 0}));
}

TEST_F(BmpTest, ImpossibleHeightsAndOffsetsAreRefused) {
    // A height of -2^31 has no positive counterpart.
    EXPECT_FALSE(Opens(BmpHeaderOnly(4, INT32_MIN, 24, 0, 48)));
    // A pixel-data offset inside the headers leaves no room for the header block.
    std::vector<uint8_t> bytes = BmpHeaderOnly(4, 4, 24, 0, 48);
    bytes[10] = 20;
    EXPECT_FALSE(Opens(bytes));
    // A huge offset is fine for opening (only the header's leading fields are read) but
    // the decode finds no rows there.
    bytes = BmpHeaderOnly(4, 4, 24, 0, 48);
    memset(&bytes[10], 0xFF, 4);
    RasterImage image;
    EXPECT_TRUE(Opens(bytes));
    EXPECT_FALSE(Read(bytes, &image));
}

TEST_F(BmpTest, ShortPixelDataFailsTheDecodeAndCleansUp) {
    std::vector<uint8_t> bytes = Bmp24(Pattern(5, 4, 3));
    bytes.resize(bytes.size() - 1);
    RasterImage image;
    EXPECT_FALSE(Read(bytes, &image));
    image.Release();
    EXPECT_EQ(BackingFiles(), 0);
}

TEST_F(BmpTest, HugeDeclaredSizeFailsWithoutTouchingMemory) {
    RasterImage image;
    EXPECT_FALSE(Read(BmpHeaderOnly(0x7FFFFFFF, 0x7FFFFFFF, 24, 0, 16), &image));
    EXPECT_FALSE(Read(BmpHeaderOnly(60000, -60000, 24, 0, 16), &image));
    EXPECT_TRUE(image.empty());
    EXPECT_EQ(BackingFiles(), 0);
}

class BmpWriteTest : public ScratchDirTest {};

TEST_F(BmpWriteTest, RowsArePaddedToFourBytesAndTheHeadersDescribeThem) {
    // Widths 1-4 as the classic padding cases, up to 9 for rows of several four-pixel steps.
    const size_t expectedRow[] = {0, 4, 8, 12, 12, 16, 20, 24, 24, 28};
    for (int width = 1; width <= 9; ++width) {
        const Pixels picture = Pattern(width, 3, 3, uint32_t(width));
        const std::string in = WriteBytes("in.bmp", Bmp24(picture));
        ASSERT_EQ(ConvertFileToBmp(in.c_str(), Path("out.bmp").c_str()), kConverted);
        BmpFile bmp = ReadBmp(Path("out.bmp"));
        ASSERT_TRUE(bmp.valid) << width;
        EXPECT_EQ(bmp.rowSize, expectedRow[width]);
        EXPECT_EQ(bmp.bytes.size(), 3 * expectedRow[width] + 54);
        EXPECT_EQ(bmp.fileSize, bmp.bytes.size());
        EXPECT_EQ(bmp.pixelOffset, 54u);
        EXPECT_EQ(bmp.headerSize, 40u);
        EXPECT_EQ(bmp.width, width);
        EXPECT_EQ(bmp.height, 3);
        EXPECT_EQ(bmp.planes, 1);
        EXPECT_EQ(bmp.compression, 0u);
        // Everything after the compression word is zero: no palette, no resolution.
        for (size_t i = 34; i < 54; ++i) EXPECT_EQ(bmp.bytes[i], 0) << i;
        EXPECT_EQ(bmp.rgb.data, picture.data);
        // Padding bytes are zero.
        for (int k = 0; k < 3; ++k) {
            for (size_t pad = size_t(width) * 3; pad < bmp.rowSize; ++pad) {
                EXPECT_EQ(bmp.bytes[54 + k * bmp.rowSize + pad], 0);
            }
        }
    }
}

TEST_F(BmpWriteTest, BottomRowComesFirstAndPureRedIsStoredBlueGreenRed) {
    Pixels picture = Solid(2, 2, {255, 0, 0});
    picture.data[0] = 1;  // the top row's first pixel is marked
    const std::string in = WriteBytes("red.bmp", Bmp24(picture));
    ASSERT_EQ(ConvertFileToBmp(in.c_str(), Path("out.bmp").c_str()), kConverted);
    const std::vector<uint8_t> out = ReadFile(Path("out.bmp"));
    ASSERT_EQ(out.size(), 54u + 2 * 8);
    const std::vector<uint8_t> firstRow(out.begin() + 54, out.begin() + 60);
    const std::vector<uint8_t> secondRow(out.begin() + 62, out.begin() + 68);
    EXPECT_EQ(firstRow, (std::vector<uint8_t>{0, 0, 0xFF, 0, 0, 0xFF}));
    EXPECT_EQ(secondRow, (std::vector<uint8_t>{0, 0, 0x01, 0, 0, 0xFF}));
    // Rows go out in chunks of about a megabyte written side by side: three here, the last
    // one short, each in its place.
    const Pixels tall = Pattern(701, 1300, 3);
    const std::string tallIn = WriteBytes("tall.bmp", Bmp24(tall));
    ASSERT_EQ(ConvertFileToBmp(tallIn.c_str(), Path("tall-out.bmp").c_str()), kConverted);
    EXPECT_EQ(ReadBmp(Path("tall-out.bmp")).rgb.data, tall.data);
}

TEST_F(BmpWriteTest, WriterRefusesEmptyImagesAndOtherDepths) {
    RasterImage image;
    BmpWriter writer;
    EXPECT_FALSE(writer.OpenWrite(Path("a.bmp").c_str(), &image, 24));
    ASSERT_TRUE(image.Create(2, 2, 24, 0));
    EXPECT_FALSE(writer.OpenWrite(Path("b.bmp").c_str(), &image, 32));
    EXPECT_FALSE(writer.OpenWrite(Path("missing/c.bmp").c_str(), &image, 24));
    EXPECT_FALSE(writer.Write());
    ASSERT_TRUE(image.Create(2, 2, 8, 0));
    EXPECT_FALSE(writer.OpenWrite(Path("d.bmp").c_str(), &image, 24));
}

// Whatever has the bitmap's name is never written through: a link there may lead to a user's
// photo. A name that cannot be freed fails the conversion.
TEST_F(BmpWriteTest, TheBitmapIsCreatedAfreshWhateverHasItsName) {
    const Pixels picture = Pattern(5, 4, 3);
    const std::string in = WriteBytes("in.bmp", Bmp24(picture));
    const std::vector<uint8_t> photoBytes(300, 0x5A);
    const struct {
        const char* inTheWay;
        bool converts;
    } cases[] = {{"file", true}, {"hard link", true}, {"symbolic link", true}, {"folder", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.inTheWay);
        const std::string out = Path("out.bmp");
        std::filesystem::remove_all(out);
        const std::string photo = WriteBytes("photo.jpg", photoBytes);
        const std::string kind = c.inTheWay;
        if (kind == "file") WriteBytes("out.bmp", photoBytes);
        if (kind == "hard link") std::filesystem::create_hard_link(photo, out);
        if (kind == "symbolic link") std::filesystem::create_symlink(photo, out);
        if (kind == "folder") std::filesystem::create_directory(out);

        EXPECT_EQ(ConvertFileToBmp(in.c_str(), out.c_str()),
                  c.converts ? kConverted : kBmpNotWritten);
        EXPECT_EQ(ReadFile(photo), photoBytes);
        if (c.converts) {
            EXPECT_EQ(ReadBmp(out).rgb.data, picture.data);
        } else {
            EXPECT_TRUE(std::filesystem::is_directory(out));
        }
        EXPECT_EQ(BackingFiles(), 0);
    }
}

// A write the system cuts short (a full disk; here the process's file-size limit) fails.
TEST_F(BmpWriteTest, AWriteCutShortFailsTheWrite) {
    RasterImage image;
    ASSERT_TRUE(image.Create(64, 64, 24, 0));
    BmpWriter writer;
    ASSERT_TRUE(writer.OpenWrite(Path("cut.bmp").c_str(), &image, 24));
    rlimit previous{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
    rlimit limited = previous;
    limited.rlim_cur = 1000;
    void (*previousHandler)(int) = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    const bool written = writer.Write();
    setrlimit(RLIMIT_FSIZE, &previous);
    signal(SIGXFSZ, previousHandler);
    EXPECT_FALSE(written);
}

}  // namespace
}  // namespace kv::imageconv::test
