// ConvertToBmp end to end: result codes, the reader order, the output and the clean-up of
// backing files; the library's registration record.
#include "imageconv/convert_to_bmp.h"

#include <png.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <random>

#include "imageconv/library_info.h"
#include "tests/host/imageconv/scratch_dir.h"

namespace kv::imageconv::test {
namespace {

class ConvertToBmpTest : public ScratchDirTest {
  protected:
    int32_t Convert(const std::string& source) {
        return ConvertFileToBmp(source.c_str(), Path("out.bmp").c_str());
    }
    bool OutputExists() const { return std::filesystem::exists(Path("out.bmp")); }
};

std::vector<uint8_t> RandomBytes(size_t size, uint32_t seed) {
    std::mt19937 engine(seed);
    std::vector<uint8_t> bytes(size);
    for (auto& b : bytes) b = uint8_t(engine());
    return bytes;
}

TEST_F(ConvertToBmpTest, EveryFormatBecomesTheSame24BitPicture) {
    const Pixels rgb = Pattern(21, 13, 3);
    ASSERT_TRUE(WritePng(Path("a.png"), 21, 13, PNG_COLOR_TYPE_RGB, 8, rgb.data));
    ASSERT_TRUE(WriteTiff(Path("a.tif"), rgb, 5));
    WriteBytes("a.bmp", Bmp24(rgb));
    WriteBytes("a.pcx", Pcx24(rgb, 22));
    for (const char* name : {"a.png", "a.tif", "a.bmp", "a.pcx"}) {
        ASSERT_EQ(Convert(Path(name)), kConverted) << name;
        BmpFile bmp = ReadBmp(Path("out.bmp"));
        ASSERT_TRUE(bmp.valid) << name;
        EXPECT_EQ(bmp.rgb.data, rgb.data) << name;
        EXPECT_EQ(BackingFiles(), 0) << name;
    }
}

TEST_F(ConvertToBmpTest, PaletteAndGreyImagesGoThroughTheConversion) {
    std::vector<uint8_t> palette;
    for (int i = 0; i < 256; ++i)
        palette.insert(palette.end(), {uint8_t(i), uint8_t(i / 2), uint8_t(255 - i)});
    const Pixels indexes = Pattern(8, 3, 1);
    WriteBytes("p.pcx", Pcx8(indexes, palette, 8));
    ASSERT_EQ(Convert(Path("p.pcx")), kConverted);
    BmpFile bmp = ReadBmp(Path("out.bmp"));
    ASSERT_TRUE(bmp.valid);
    for (int i = 0; i < 24; ++i) {
        const uint8_t index = indexes.data[i];
        EXPECT_EQ(bmp.rgb.data[3 * i], index);
        EXPECT_EQ(bmp.rgb.data[3 * i + 1], index / 2);
        EXPECT_EQ(bmp.rgb.data[3 * i + 2], 255 - index);
    }
    ASSERT_TRUE(WriteJpeg(Path("g.jpg"), Solid(4, 4, {128}), 100));
    ASSERT_EQ(Convert(Path("g.jpg")), kConverted);
    bmp = ReadBmp(Path("out.bmp"));
    ASSERT_TRUE(bmp.valid);
    EXPECT_EQ(bmp.rgb.data[0], bmp.rgb.data[1]);
    EXPECT_EQ(bmp.rgb.data[1], bmp.rgb.data[2]);
    EXPECT_EQ(BackingFiles(), 0);
}

TEST_F(ConvertToBmpTest, MissingSourceGivesMinusOneAndNoBmp) {
    EXPECT_EQ(Convert(Path("absent.jpg")), kSourceMissing);
    EXPECT_EQ(Convert(""), kSourceMissing);
    EXPECT_FALSE(OutputExists());
}

TEST_F(ConvertToBmpTest, UnreadableFilesGiveMinusThreeAndNoBmp) {
    EXPECT_EQ(Convert(WriteBytes("t.txt", {'h', 'e', 'l', 'l', 'o', '\n'})), kNotDecoded);
    EXPECT_EQ(Convert(WriteBytes("empty", {})), kNotDecoded);
    // 8- and 32-bit BMPs are refused by every reader.
    EXPECT_EQ(Convert(WriteBytes("8.bmp", BmpHeaderOnly(4, 4, 8, 0, 16))), kNotDecoded);
    EXPECT_EQ(Convert(WriteBytes("32.bmp", BmpHeaderOnly(4, 4, 32, 0, 64))), kNotDecoded);
    // A file a reader accepts but cannot decode is not offered to the later readers.
    std::vector<uint8_t> shortBmp = Bmp24(Pattern(8, 8, 3));
    shortBmp.resize(100);
    EXPECT_EQ(Convert(WriteBytes("short.bmp", shortBmp)), kNotDecoded);
    // A folder exists but is no image.
    std::filesystem::create_directory(Path("folder"));
    EXPECT_EQ(Convert(Path("folder")), kNotDecoded);
    EXPECT_FALSE(OutputExists());
    EXPECT_EQ(BackingFiles(), 0);
}

TEST_F(ConvertToBmpTest, LargeFilesWithoutAnImageSignatureAreNotPhotoCds) {
    // 1.5 MB of random bytes.
    EXPECT_EQ(Convert(WriteBytes("random.bin", RandomBytes(1500000, 7))), kNotDecoded);
    // A 1.2 MB HEIC-like file: an ISO media "ftyp" box naming the heic brand, then data.
    std::vector<uint8_t> heic = RandomBytes(1200000, 8);
    const uint8_t box[] = {0, 0, 0, 0x18, 'f', 't', 'y', 'p', 'h', 'e', 'i', 'c',
                           0, 0, 0, 0,    'm', 'i', 'f', '1', 'h', 'e', 'i', 'c'};
    memcpy(heic.data(), box, sizeof box);
    EXPECT_EQ(Convert(WriteBytes("photo.heic", heic)), kNotDecoded);
    EXPECT_FALSE(OutputExists());
    EXPECT_EQ(BackingFiles(), 0);
}

TEST_F(ConvertToBmpTest, TruncatedAndHostileWebpHeicAndAvifFilesGiveMinusThree) {
    for (const char* name : {"test.webp", "seed-animated.webp", "example.heic", "example.avif"}) {
        // A third of each file ends inside its primary picture's coded data (example.heic
        // keeps that picture in its first half, ahead of the other items).
        std::vector<uint8_t> bytes = ReadFile(DataFile(name));
        bytes.resize(bytes.size() / 3);
        EXPECT_EQ(Convert(WriteBytes(std::string("cut-") + name, bytes)), kNotDecoded) << name;
    }
    // Headers that claim more pixels than the library stores. An animated WebP canvas of
    // 2^24 × 2^24 pixels:
    const std::vector<uint8_t> webp = {'R', 'I', 'F', 'F', 36,  0,   0,   0,   'W', 'E', 'B',
                                       'P', 'V', 'P', '8', 'X', 10,  0,   0,   0,   2,   0,
                                       0,   0,   255, 255, 255, 255, 255, 255, 'A', 'N', 'I',
                                       'M', 6,   0,   0,   0,   0,   0,   0,   0,   0,   0};
    EXPECT_EQ(Convert(WriteBytes("huge.webp", webp)), kNotDecoded);
    // An AVIF whose image size property says 30000 × 30000, within the library's own limits:
    std::vector<uint8_t> avif = ReadFile(DataFile("example.avif"));
    const auto ispe = std::search(avif.begin(), avif.end(), "ispe", "ispe" + 4);
    ASSERT_NE(ispe, avif.end());
    for (int field : {8, 12}) {
        const uint8_t side[] = {0, 0, 0x75, 0x30};
        std::copy(side, side + 4, ispe + field);
    }
    EXPECT_EQ(Convert(WriteBytes("huge.avif", avif)), kNotDecoded);
    EXPECT_FALSE(OutputExists());
    EXPECT_EQ(BackingFiles(), 0);
}

TEST_F(ConvertToBmpTest, PhotoCdFileGivesA768By512Bmp) {
    const PhotoCdPlanes planes = PhotoCdPattern();
    ASSERT_EQ(Convert(WriteBytes("img.pcd", PhotoCdFile(planes))), kConverted);
    BmpFile bmp = ReadBmp(Path("out.bmp"));
    ASSERT_TRUE(bmp.valid);
    EXPECT_EQ(bmp.width, 768);
    EXPECT_EQ(bmp.height, 512);
    EXPECT_EQ(bmp.bytes.size(), 768u * 3 * 512 + 54);
    // The top-left pixel: luma 0, chroma 0 and 255 against the biases.
    const double c1 = double(planes.c1[0]) - 156, c2 = double(planes.c2[0]) - 137;
    const double red = std::floor(1.3230336 * c2 + 0.0000256 * c1 + 0.5);
    EXPECT_EQ(bmp.rgb.data[0], uint8_t(std::fmin(255, std::fmax(0, red))));
    EXPECT_EQ(BackingFiles(), 0);
}

TEST_F(ConvertToBmpTest, UnwritableTargetGivesMinusFour) {
    const std::string in = WriteBytes("a.bmp", Bmp24(Pattern(3, 3, 3)));
    EXPECT_EQ(ConvertFileToBmp(in.c_str(), Path("no/such/dir/out.bmp").c_str()), kBmpNotWritten);
    EXPECT_EQ(ConvertFileToBmp(in.c_str(), Path("").c_str()), kBmpNotWritten);  // a folder
    EXPECT_EQ(BackingFiles(), 0);
}

TEST_F(ConvertToBmpTest, MissingTemporaryDirectoryFailsWithoutClaimingSuccess) {
    const std::string in = WriteBytes("a.bmp", Bmp24(Pattern(3, 3, 3)));
    setenv("TMPDIR", Path("gone").c_str(), 1);
    // The source image itself cannot be stored: a decode failure.
    EXPECT_EQ(Convert(in), kNotDecoded);
    EXPECT_FALSE(OutputExists());
}

TEST_F(ConvertToBmpTest, NullArgumentsGiveMinusSeven) {
    const std::string in = WriteBytes("a.bmp", Bmp24(Pattern(3, 3, 3)));
    EXPECT_EQ(ConvertFileToBmp(nullptr, Path("out.bmp").c_str()), kArgumentMissing);
    EXPECT_EQ(ConvertFileToBmp(in.c_str(), nullptr), kArgumentMissing);
    EXPECT_FALSE(OutputExists());
}

class CommandTest : public ConvertToBmpTest {
  protected:
    ArgValue Call(std::vector<ArgValue> args) {
        ArgValue result;
        memset(&result, 0, sizeof result);
        const LibraryInfo& info = ImageConvLibraryInfo();
        info.commands[0](&result, int32_t(args.size()), args.empty() ? nullptr : args.data());
        return result;
    }
    static ArgValue Text(const std::string& text) {
        ArgValue v;
        memset(&v, 0, sizeof v);
        v.value.text = const_cast<char*>(text.c_str());
        v.type = tag::kText;
        return v;
    }
};

TEST_F(CommandTest, TheCommandEntryAnswersAnIntegerResult) {
    const std::string in = WriteBytes("a.bmp", Bmp24(Pattern(3, 3, 3)));
    const std::string out = Path("out.bmp");
    ArgValue result = Call({Text(in), Text(out)});
    EXPECT_EQ(result.type, tag::kInt);
    EXPECT_EQ(result.value.i32, 1);
    EXPECT_TRUE(OutputExists());

    ArgValue missing = Text(in);
    missing.value.text = nullptr;
    EXPECT_EQ(Call({Text(in), missing}).value.i32, -7);
    EXPECT_EQ(Call({Text(in)}).value.i32, -7);
    EXPECT_EQ(Call({}).value.i32, -7);
    EXPECT_EQ(Call({Text(Path("none")), Text(out)}).value.i32, -1);
}

TEST(LibraryInfoTest, RecordDescribesTheLibrary) {
    const LibraryInfo& info = ImageConvLibraryInfo();
    EXPECT_EQ(info.formatNumber, 20000101u);
    EXPECT_STREQ(info.guid, "6B2E4D8F10A94c3eB7D15F2A9C8E0D13");
    EXPECT_EQ(info.majorVersion, 2u);
    EXPECT_EQ(info.minorVersion, 0u);
    EXPECT_EQ(info.buildNumber, 4u);
    EXPECT_EQ(info.requiredSystemMajor, 3u);
    EXPECT_EQ(info.requiredSystemMinor, 0u);
    EXPECT_EQ(info.requiredCoreMajor, 3u);
    EXPECT_EQ(info.requiredCoreMinor, 0u);
    // "图像转换支持库" in GBK.
    EXPECT_STREQ(info.displayName, "\xCD\xBC\xCF\xF1\xD7\xAA\xBB\xBB\xD6\xA7\xB3\xD6\xBF\xE2");
    EXPECT_EQ(info.localeWord, 1u);
    EXPECT_EQ(info.stateFlags, 0u);
    EXPECT_EQ(info.dataTypeCount, 0u);
    EXPECT_EQ(info.commandCount, 1u);
    ASSERT_NE(info.commands, nullptr);
    EXPECT_EQ(info.commands[0], &ConvertToBmp);
    ASSERT_NE(info.notify, nullptr);
    EXPECT_EQ(info.notify(libnotify::kStart, 0x1234, 0), 0);
    EXPECT_EQ(info.notify(libnotify::kEnd, 0, 0), -1);
    EXPECT_EQ(info.notify(2, 0, 0), -1);
}

}  // namespace
}  // namespace kv::imageconv::test
