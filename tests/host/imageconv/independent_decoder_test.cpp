// The conversion's pixels against decoders that share no code with the library's readers'
// callers: libjpeg-turbo's djpeg and ImageMagick, as command-line programs.
#include <png.h>
#include <unistd.h>

#include <cstdio>

#include "imageconv/convert_to_bmp.h"
#include "tests/host/imageconv/scratch_dir.h"

namespace kv::imageconv::test {
namespace {

constexpr const char* kDjpeg = "/usr/bin/djpeg";
constexpr const char* kMagick = "/usr/bin/convert";

// Runs `command` and parses the binary PPM it prints; empty pixels when that fails.
Pixels DecodeWith(const std::string& command) {
    Pixels p;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return p;
    int maxValue = 0;
    if (fscanf(pipe, "P6 %d %d %d", &p.width, &p.height, &maxValue) == 3 && maxValue == 255 &&
        fgetc(pipe) != EOF) {
        p.channels = 3;
        p.data.resize(size_t(p.width) * p.height * 3);
        if (fread(p.data.data(), 1, p.data.size(), pipe) != p.data.size()) p.data.clear();
    }
    pclose(pipe);
    return p;
}

class IndependentDecoderTest : public ScratchDirTest {
  protected:
    // Converts `path` and expects exactly the pixels the other program decodes.
    void ExpectSamePixels(const std::string& path, const std::string& command) {
        ASSERT_EQ(ConvertFileToBmp(path.c_str(), Path("out.bmp").c_str()), kConverted) << path;
        const BmpFile ours = ReadBmp(Path("out.bmp"));
        ASSERT_TRUE(ours.valid);
        const Pixels theirs = DecodeWith(command + " 2>/dev/null");
        ASSERT_EQ(theirs.width, ours.width) << command;
        ASSERT_EQ(theirs.height, ours.height) << command;
        ASSERT_FALSE(theirs.data.empty()) << command;
        size_t differing = 0;
        for (size_t i = 0; i < theirs.data.size(); ++i)
            differing += theirs.data[i] != ours.rgb.data[i];
        EXPECT_EQ(differing, 0u) << path;
    }
    static bool Have(const char* tool) { return access(tool, X_OK) == 0; }
};

TEST_F(IndependentDecoderTest, JpegPixelsMatchDjpeg) {
    if (!Have(kDjpeg)) GTEST_SKIP() << "djpeg is not installed";
    const struct {
        const char* name;
        Pixels pixels;
        int quality;
    } cases[] = {
        {"colour.jpg", Pattern(97, 61, 3, 1), 90},
        {"small.jpg", Pattern(7, 5, 3, 2), 40},
        {"grey.jpg", Pattern(50, 33, 1, 3), 75},
        {"flat.jpg", Solid(16, 9, {250, 5, 128}), 100},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(WriteJpeg(Path(c.name), c.pixels, c.quality));
        ExpectSamePixels(Path(c.name), std::string(kDjpeg) + " -rgb -pnm '" + Path(c.name) + "'");
    }
}

TEST_F(IndependentDecoderTest, PngPixelsMatchImageMagick) {
    if (!Have(kMagick)) GTEST_SKIP() << "ImageMagick is not installed";
    const Pixels rgb = Pattern(45, 31, 3, 4);
    ASSERT_TRUE(WritePng(Path("rgb.png"), 45, 31, PNG_COLOR_TYPE_RGB, 8, rgb.data));
    ASSERT_TRUE(WritePng(Path("interlaced.png"), 45, 31, PNG_COLOR_TYPE_RGB, 8, rgb.data, true));
    PngPalette palette;
    for (int i = 0; i < 16; ++i)
        palette.rgb.insert(palette.rgb.end(),
                           {uint8_t(i * 16), uint8_t(255 - i * 9), uint8_t(i * i)});
    std::vector<uint8_t> indexes;
    for (int i = 0; i < 29 * 17; ++i) indexes.push_back(uint8_t((i * 7 + i / 29) % 16));
    ASSERT_TRUE(WritePng(Path("palette4.png"), 29, 17, PNG_COLOR_TYPE_PALETTE, 4, indexes, false,
                         &palette));
    const Pixels grey = Pattern(23, 19, 1, 5);
    ASSERT_TRUE(WritePng(Path("grey.png"), 23, 19, PNG_COLOR_TYPE_GRAY, 8, grey.data));
    for (const char* name : {"rgb.png", "interlaced.png", "palette4.png", "grey.png"}) {
        ExpectSamePixels(Path(name), std::string(kMagick) + " '" + Path(name) + "' -depth 8 ppm:-");
    }
}

TEST_F(IndependentDecoderTest, TiffPixelsMatchImageMagick) {
    if (!Have(kMagick)) GTEST_SKIP() << "ImageMagick is not installed";
    ASSERT_TRUE(WriteTiff(Path("lzw.tif"), Pattern(57, 140, 3, 6), 5, 9));
    ASSERT_TRUE(WriteTiff(Path("packbits.tif"), Pattern(20, 11, 3, 7), 32773, 3));
    ASSERT_TRUE(WriteTiff(Path("grey.tif"), Pattern(33, 12, 1, 8), 1, 5));
    for (const char* name : {"lzw.tif", "packbits.tif", "grey.tif"}) {
        ExpectSamePixels(Path(name), std::string(kMagick) + " '" + Path(name) + "' -depth 8 ppm:-");
    }
}

}  // namespace
}  // namespace kv::imageconv::test
