// The conversion's pixels against decoders that share no code with the library's readers'
// callers, as command-line programs: libjpeg-turbo's djpeg, ImageMagick (also for EXIF
// orientation, which RAW previews are compared with), libwebp's dwebp, libheif's heif-convert
// and libjxl's djxl.
#include <lcms2.h>
#include <png.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "imageconv/convert_to_bmp.h"
#include "tests/host/imageconv/scratch_dir.h"

namespace kv::imageconv::test {
namespace {

constexpr const char* kDjpeg = "/usr/bin/djpeg";
constexpr const char* kMagick = "/usr/bin/convert";
constexpr const char* kDwebp = "/usr/bin/dwebp";
constexpr const char* kHeifConvert = "/usr/bin/heif-convert";
// Debian's JPEG XL tools, an older libjxl than the one we link.
constexpr const char* kDjxl = "/usr/bin/djxl";
constexpr const char* kCjxl = "/usr/bin/cjxl";
// heif-convert is Debian's, built on an older libheif than the one we link: its colour
// conversion rounds some samples one step apart from ours.
constexpr int kOtherLibheif = 1;
constexpr const char* kSrgbProfile = "/usr/share/color/icc/ghostscript/srgb.icc";

// Runs a command that makes a test file; true when it succeeded.
bool Make(const std::string& command) {
    return system((command + " >/dev/null 2>&1").c_str()) == 0;
}
std::string Quoted(const std::string& path) {
    return "'" + path + "'";
}

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

// A Display P3 profile: DCI-P3 primaries, D65 white, the sRGB tone curve.
bool WriteDisplayP3Profile(const std::string& path) {
    const cmsCIExyY white = {0.3127, 0.3290, 1};
    const cmsCIExyYTRIPLE primaries = {{0.680, 0.320, 1}, {0.265, 0.690, 1}, {0.150, 0.060, 1}};
    const double srgbCurve[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
    cmsToneCurve* curve = cmsBuildParametricToneCurve(nullptr, 4, srgbCurve);
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE profile = curve ? cmsCreateRGBProfile(&white, &primaries, curves) : nullptr;
    const bool ok = profile && cmsSaveProfileToFile(profile, path.c_str());
    if (profile) cmsCloseProfile(profile);
    if (curve) cmsFreeToneCurve(curve);
    return ok;
}

// Known sRGB colours in patches of 16 × 16 (whole JPEG blocks), side by side; grey pictures
// show the grey of each patch's green.
constexpr uint8_t kPatches[][3] = {{200, 40, 40},   {40, 170, 60}, {50, 70, 200},   {230, 190, 150},
                                   {128, 128, 128}, {30, 30, 30},  {245, 245, 245}, {90, 200, 210}};
constexpr int kPatch = 16, kPatchCount = 8;

Pixels PatchPicture(bool grey) {
    Pixels p = Solid(kPatch * kPatchCount, kPatch, {0, 0, 0});
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            for (int c = 0; c < 3; ++c)
                p.data[(size_t(y) * p.width + x) * 3 + c] = kPatches[x / kPatch][grey ? 1 : c];
    return p;
}

Bytes Saved(cmsHPROFILE profile) {
    cmsUInt32Number size = 0;
    Bytes bytes;
    if (profile && cmsSaveProfileToMem(profile, nullptr, &size)) {
        bytes.resize(size);
        cmsSaveProfileToMem(profile, bytes.data(), &size);
    }
    if (profile) cmsCloseProfile(profile);
    return bytes;
}

// A matrix-and-curves profile with a power curve and D65 white.
Bytes PowerProfile(const cmsCIExyYTRIPLE& primaries, double gamma) {
    const cmsCIExyY white = {0.3127, 0.3290, 1};
    cmsToneCurve* curve = cmsBuildGamma(nullptr, gamma);
    cmsToneCurve* curves[3] = {curve, curve, curve};
    const Bytes bytes = Saved(cmsCreateRGBProfile(&white, &primaries, curves));
    cmsFreeToneCurve(curve);
    return bytes;
}

// The patches as a photo editor saves them in the space of `icc`: 16-bit samples, one or
// three a pixel.
std::vector<uint16_t> CodedPatches(const Bytes& icc, bool grey) {
    const Pixels srgb = PatchPicture(grey);
    std::vector<uint16_t> coded(srgb.data.size() / (grey ? 3 : 1));
    cmsHPROFILE from = cmsCreate_sRGBProfile();
    cmsHPROFILE to = cmsOpenProfileFromMem(icc.data(), cmsUInt32Number(icc.size()));
    cmsHTRANSFORM transform = cmsCreateTransform(
        from, TYPE_RGB_8, to, grey ? TYPE_GRAY_16 : TYPE_RGB_16, INTENT_RELATIVE_COLORIMETRIC, 0);
    if (transform)
        cmsDoTransform(transform, srgb.data.data(), coded.data(), srgb.width * srgb.height);
    if (transform) cmsDeleteTransform(transform);
    if (to) cmsCloseProfile(to);
    cmsCloseProfile(from);
    return coded;
}

Pixels EightBits(const std::vector<uint16_t>& coded, bool grey) {
    Pixels p = Solid(kPatch * kPatchCount, kPatch, std::vector<uint8_t>(grey ? 1 : 3, 0));
    for (size_t i = 0; i < coded.size(); ++i) p.data[i] = uint8_t((coded[i] + 128) / 257);
    return p;
}

class IndependentDecoderTest : public ScratchDirTest {
  protected:
    // Converts `path` and expects the pixels the other program decodes, each sample within
    // `tolerance` of it.
    void ExpectSamePixels(const std::string& path, const std::string& command, int tolerance = 0) {
        ASSERT_EQ(ConvertFileToBmp(path.c_str(), Path("out.bmp").c_str()), kConverted) << path;
        const BmpFile ours = ReadBmp(Path("out.bmp"));
        ASSERT_TRUE(ours.valid);
        const Pixels theirs = DecodeWith(command + " 2>/dev/null");
        ASSERT_EQ(theirs.width, ours.width) << command;
        ASSERT_EQ(theirs.height, ours.height) << command;
        ASSERT_FALSE(theirs.data.empty()) << command;
        size_t differing = 0;
        int largest = 0;
        for (size_t i = 0; i < theirs.data.size(); ++i) {
            const int difference = abs(theirs.data[i] - ours.rgb.data[i]);
            differing += difference > tolerance;
            largest = std::max(largest, difference);
        }
        EXPECT_EQ(differing, 0u) << path << ", largest difference " << largest;
    }
    static bool Have(const char* tool) { return access(tool, X_OK) == 0; }
    // heif-convert's picture of the primary image (its first output), alpha left out.
    std::string HeifConvert(const std::string& path) {
        const std::string png = Path("reference.png");
        return "rm -f " + Path("reference*.png") + "; " + kHeifConvert + " --quiet " +
               Quoted(path) + " " + png + " && " + kMagick + " $(ls " + Path("reference*.png") +
               " | head -n 1) -alpha off -depth 8 ppm:-";
    }
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

TEST_F(IndependentDecoderTest, ExifOrientationMatchesImageMagicksAutoOrient) {
    if (!Have(kMagick) || !Have(kDjpeg)) GTEST_SKIP() << "ImageMagick or djpeg is not installed";
    ASSERT_TRUE(WriteJpeg(Path("plain.jpg"), Pattern(13, 7, 3, 10)));
    const std::vector<uint8_t> plain = ReadFile(Path("plain.jpg"));
    for (int orientation = 1; orientation <= 8; ++orientation) {
        const std::string path =
            WriteBytes("o" + std::to_string(orientation) + ".jpg",
                       WithExifOrientation(plain, orientation, /*bigEndian=*/orientation % 2 == 0));
        ExpectSamePixels(path, std::string(kMagick) + " " + Quoted(path) + " -auto-orient ppm:-");
        // A RAW file's preview, turned by the RAW file's own orientation.
        DngParts raw;
        raw.preview = plain;
        raw.orientation = orientation;
        ExpectSamePixels(WriteBytes("o" + std::to_string(orientation) + ".dng", Dng(raw)),
                         std::string(kMagick) + " " + Quoted(path) + " -auto-orient ppm:-");
        ExpectSamePixels(
            WriteBytes("o" + std::to_string(orientation) + ".raf", Raf(plain, orientation)),
            std::string(kMagick) + " " + Quoted(path) + " -auto-orient ppm:-");
    }
    // Out of range, or a block cut short before its entry: the picture as stored.
    std::vector<uint8_t> cut = WithExifOrientation(plain, 6);
    cut[5] = 20;  // the segment now ends inside the IFD's entry
    cut.erase(cut.begin() + 4 + 20, cut.begin() + 4 + 30);
    const std::string asStored = std::string(kDjpeg) + " -rgb -pnm " + Quoted(Path("plain.jpg"));
    ExpectSamePixels(WriteBytes("o9.jpg", WithExifOrientation(plain, 9)), asStored);
    ExpectSamePixels(WriteBytes("cut.jpg", cut), asStored);
}

TEST_F(IndependentDecoderTest, WebpPixelsMatchDwebp) {
    if (!Have(kDwebp) || !Have(kMagick) || !Have("/usr/bin/cwebp") || !Have("/usr/bin/img2webp"))
        GTEST_SKIP() << "webp or ImageMagick is not installed";
    ASSERT_TRUE(
        WritePng(Path("rgba.png"), 37, 23, PNG_COLOR_TYPE_RGBA, 8, Pattern(37, 23, 4).data));
    ASSERT_TRUE(WritePng(Path("rgb.png"), 37, 23, PNG_COLOR_TYPE_RGB, 8, Pattern(37, 23, 3).data));
    ASSERT_TRUE(Make("cwebp -q 70 " + Path("rgba.png") + " -o " + Path("lossy.webp")));
    ASSERT_TRUE(
        Make("cwebp -lossless -exact " + Path("rgba.png") + " -o " + Path("lossless.webp")));
    ASSERT_TRUE(Make("img2webp -lossless " + Path("rgb.png") + " " + Path("rgba.png") + " -o " +
                     Path("animated.webp")));
    for (const std::string& path :
         {DataFile("test.webp"), Path("lossy.webp"), Path("lossless.webp")}) {
        ExpectSamePixels(path, std::string(kDwebp) + " -ppm " + Quoted(path) + " -o -");
    }
    // Lossless: the alpha dropped leaves exactly the colours written; an animation shows its
    // first frame.
    ExpectSamePixels(Path("lossless.webp"),
                     std::string(kMagick) + " " + Path("rgba.png") + " -alpha off ppm:-");
    ExpectSamePixels(Path("animated.webp"),
                     std::string(kMagick) + " " + Path("rgb.png") + " ppm:-");
}

TEST_F(IndependentDecoderTest, HeicAndAvifPixelsMatchHeifConvert) {
    if (!Have(kHeifConvert) || !Have(kMagick) || !Have("/usr/bin/heif-enc") ||
        !Have("/usr/bin/avifenc"))
        GTEST_SKIP() << "libheif-examples, libavif-bin or ImageMagick is not installed";
    ASSERT_TRUE(
        WritePng(Path("rgba.png"), 41, 27, PNG_COLOR_TYPE_RGBA, 8, Pattern(41, 27, 4).data));
    ASSERT_TRUE(Make("heif-enc -q 60 " + Path("rgba.png") + " -o " + Path("alpha.heic")));
    ASSERT_TRUE(Make("avifenc -s 10 " + Path("rgba.png") + " " + Path("alpha.avif")));
    // libheif's samples: a tiled HEIC photo and an AVIF.
    for (const std::string& path : {DataFile("example.heic"), DataFile("example.avif"),
                                    Path("alpha.heic"), Path("alpha.avif")}) {
        ExpectSamePixels(path, HeifConvert(path), kOtherLibheif);
    }
    // A grid of tiles that differ, composed at less than they cover, as phones write photos:
    // each tile, decoded beside the others, lands in its own place.
    std::vector<Bytes> tiles;
    for (uint8_t i = 0; i < 6; ++i) {
        Pixels tile = Pattern(64, 64, 3, i);
        for (uint8_t& sample : tile.data) sample ^= uint8_t(i * 37);
        const std::string png = Path("tile.png"), heic = Path("tile.heic");
        ASSERT_TRUE(WritePng(png, 64, 64, PNG_COLOR_TYPE_RGB, 8, tile.data));
        ASSERT_TRUE(Make("heif-enc -q 80 " + png + " -o " + heic));
        tiles.push_back(ReadFile(heic));
    }
    const std::string grid = WriteBytes("grid.heic", GridHeic(tiles, 3, 2, 180, 120));
    ExpectSamePixels(grid, HeifConvert(grid), kOtherLibheif);
    // Ten bits per sample, reduced to 8 (the two libheif versions round the reduction and
    // the chroma differently: up to three steps).
    std::vector<uint8_t> deep;
    for (uint8_t sample : Pattern(29, 17, 3).data)
        deep.insert(deep.end(), {sample, uint8_t(sample * 7)});
    ASSERT_TRUE(WritePng(Path("deep.png"), 29, 17, PNG_COLOR_TYPE_RGB, 16, deep));
    ASSERT_TRUE(Make("heif-enc -b 10 -q 90 " + Path("deep.png") + " -o " + Path("deep.heic")));
    ExpectSamePixels(Path("deep.heic"), HeifConvert(Path("deep.heic")), 3);
    // Monochrome AV1 in limited range: black at 16 and white at 235, scaled to every bit
    // depth alike (grey 40 stays 40, not the coded 50).
    ASSERT_TRUE(WritePng(Path("grey.png"), 8, 8, PNG_COLOR_TYPE_GRAY, 8, Solid(8, 8, {40}).data));
    for (const char* depth : {"8", "10", "12"}) {
        const std::string avif = Path(std::string("grey") + depth + ".avif");
        ASSERT_TRUE(Make(std::string("avifenc --min 0 --max 0 -d ") + depth +
                         " -y 400 -r limited " + Path("grey.png") + " " + avif));
        ASSERT_EQ(ConvertFileToBmp(avif.c_str(), Path("out.bmp").c_str()), kConverted) << avif;
        for (uint8_t sample : ReadBmp(Path("out.bmp")).rgb.data) ASSERT_NEAR(sample, 40, 1) << avif;
    }
    // heif-enc turns a JPEG's EXIF orientation into rotation and mirror properties: the
    // picture comes out upright, its width and height exchanged.
    ASSERT_TRUE(WriteJpeg(Path("plain.jpg"), Pattern(30, 20, 3, 11)));
    WriteBytes("turned.jpg", WithExifOrientation(ReadFile(Path("plain.jpg")), 7));
    ASSERT_TRUE(Make("heif-enc " + Path("turned.jpg") + " -o " + Path("turned.heic")));
    ExpectSamePixels(Path("turned.heic"), HeifConvert(Path("turned.heic")), kOtherLibheif);
    EXPECT_EQ(ReadBmp(Path("out.bmp")).width, 20);
}

// Every kind of JPEG XL picture a camera or editor writes, made by cjxl: djxl's picture (alpha
// left out; of an animation its first frame) within a step for lossless pictures and within
// a few for lossy ones, which the two libjxl versions reconstruct apart.
TEST_F(IndependentDecoderTest, JpegXlPixelsMatchDjxl) {
    if (!Have(kDjxl) || !Have(kCjxl) || !Have(kMagick)) {
        GTEST_SKIP() << "libjxl-tools or ImageMagick is not installed";
    }
    const Pixels rgb = Pattern(64, 48, 3), rgba = Pattern(64, 48, 4);
    ASSERT_TRUE(WritePng(Path("rgb.png"), 64, 48, PNG_COLOR_TYPE_RGB, 8, rgb.data));
    ASSERT_TRUE(WritePng(Path("rgba.png"), 64, 48, PNG_COLOR_TYPE_RGB_ALPHA, 8, rgba.data));
    ASSERT_TRUE(
        WritePng(Path("grey.png"), 40, 30, PNG_COLOR_TYPE_GRAY, 8, Pattern(40, 30, 1).data));
    std::vector<uint8_t> deep(64 * 48 * 6);
    for (size_t i = 0; i < deep.size(); ++i) deep[i] = uint8_t(i * 7 + i / 97);
    ASSERT_TRUE(WritePng(Path("deep.png"), 64, 48, PNG_COLOR_TYPE_RGB, 16, deep));
    ASSERT_TRUE(WriteJpeg(Path("plain.jpg"), rgb));
    WriteBytes("turned.jpg", WithExifOrientation(ReadFile(Path("plain.jpg")), 6, true));
    const struct {
        const char* file;
        const char* made;  // cjxl's options and input
        int tolerance;
    } cases[] = {
        {"lossy.jxl", "-d 1 rgb.png", 2},
        {"progressive.jxl", "-d 1 -p rgb.png", 2},
        {"lossless.jxl", "-d 0 rgb.png", 0},
        {"alpha.jxl", "-d 0 rgba.png", 0},
        {"lossy-alpha.jxl", "-d 1 --container=1 rgba.png", 2},
        {"grey.jxl", "-d 0 grey.png", 0},
        {"lossy-grey.jxl", "-d 1 grey.png", 2},
        {"deep.jxl", "-d 0 deep.png", 1},
        {"turned.jxl", "turned.jpg", 2},  // orientation 6, from the JPEG's EXIF block
    };
    for (const auto& c : cases) {
        const std::string file = Path(c.file);
        ASSERT_TRUE(Make("cd " + Path("") + " && cjxl " + c.made + " " + file)) << c.file;
        ExpectSamePixels(file,
                         std::string(kDjxl) + " " + file + " " + Path("reference.png") + " && " +
                             kMagick + " " + Path("reference.png") + " -alpha off -depth 8 ppm:-",
                         c.tolerance);
    }
    // An animation's first frame, below a second one that covers part of it (cjxl made it
    // from an animated PNG, whose first frame djxl's PNG holds as its still picture).
    const std::string animated = DataFile("seed-animated.jxl");
    ExpectSamePixels(animated, std::string(kDjxl) + " " + animated + " " + Path("reference.png") +
                                   " && " + kMagick + " " + Path("reference.png") +
                                   " -depth 8 ppm:-");
}

TEST_F(IndependentDecoderTest, WideGamutPicturesComeOutAsAColourManagedConversionShowsThem) {
    for (const char* tool :
         {kMagick, "/usr/bin/heif-enc", "/usr/bin/cwebp", "/usr/bin/avifenc", kSrgbProfile}) {
        if (!Have(tool) && access(tool, R_OK) != 0) GTEST_SKIP() << tool << " is missing";
    }
    const std::string p3 = Path("p3.icc");
    ASSERT_TRUE(WriteDisplayP3Profile(p3));
    ASSERT_TRUE(
        WritePng(Path("plain.png"), 43, 29, PNG_COLOR_TYPE_RGB, 8, Pattern(43, 29, 3).data));
    const std::string png = Path("plain.png") + " ";
    ASSERT_TRUE(Make(std::string(kMagick) + " " + png + "-profile " + p3 + " " + Path("p3.png")));
    ASSERT_TRUE(Make(std::string(kMagick) + " " + png + "-profile " + kSrgbProfile + " " +
                     Path("srgb.png")));
    // Each picture also without a colour description (avifenc's default is sRGB), coded alike:
    // its conversion is the decoded picture the colour management starts from. heif-enc
    // writes no nclx box; avifenc does.
    for (const char* space : {"plain", "p3", "srgb"}) {
        const std::string name = Path(space);
        ASSERT_TRUE(Make("heif-enc -q 90 " + name + ".png -o " + name + ".heic"));
        ASSERT_TRUE(Make("cwebp -q 90 -metadata icc " + name + ".png -o " + name + ".webp"));
    }
    ASSERT_TRUE(Make("avifenc -s 10 " + png + Path("plain.avif")));
    ASSERT_TRUE(Make("avifenc -s 10 --cicp 12/13/6 " + png + Path("p3.avif")));
    ASSERT_TRUE(Make("avifenc -s 10 --cicp 1/13/6 " + png + Path("srgb.avif")));

    // Display P3 (an ICC profile, or nclx primaries 12): what ImageMagick makes of the decoded
    // picture with the P3 profile and an sRGB profile; sRGB pictures exactly as decoded.
    for (const char* format : {".heic", ".webp", ".avif"}) {
        const std::string decoded = Path(std::string("plain") + format + ".bmp");
        ASSERT_EQ(ConvertFileToBmp(Path(std::string("plain") + format).c_str(), decoded.c_str()),
                  kConverted);
        ExpectSamePixels(Path(std::string("p3") + format),
                         std::string(kMagick) + " " + decoded + " -intent Perceptual -profile " +
                             p3 + " -profile " + kSrgbProfile + " -depth 8 ppm:-",
                         2);
        ExpectSamePixels(Path(std::string("srgb") + format),
                         std::string(kMagick) + " " + decoded + " -depth 8 ppm:-");
    }
}

TEST_F(IndependentDecoderTest, TaggedPicturesInEveryFormatComeOutInTheirTrueSrgbColours) {
    for (const char* tool : {"/usr/bin/heif-enc", "/usr/bin/cwebp", "/usr/bin/avifenc", kCjxl}) {
        if (!Have(tool)) GTEST_SKIP() << tool << " is missing";
    }
    const std::string ghostscript = "/usr/share/color/icc/ghostscript/";
    // Red and green exchanged: a reader that ignores the profile shows red patches green.
    const Bytes swapped = PowerProfile({{0.30, 0.60, 1}, {0.64, 0.33, 1}, {0.15, 0.06, 1}}, 2.2);
    const cmsCIExyYTRIPLE adobe = {{0.64, 0.33, 1}, {0.21, 0.71, 1}, {0.15, 0.06, 1}};
    cmsToneCurve* curve = cmsBuildGamma(nullptr, 1.5);
    const cmsCIExyY d65 = {0.3127, 0.3290, 1};
    const Bytes grey = Saved(cmsCreateGrayProfile(&d65, curve));
    cmsFreeToneCurve(curve);
    ASSERT_TRUE(WriteDisplayP3Profile(Path("p3.icc")));
    const struct {
        const char* name;
        Bytes icc;  // what the samples are coded in
        bool grey;
    } spaces[] = {
        {"swapped", swapped, false},
        {"adobe", ReadFile(ghostscript + "a98.icc"), false},
        {"prophoto", ReadFile(ghostscript + "rommrgb.icc"), false},
        {"grey", grey, true},
        {"p3", ReadFile(Path("p3.icc")), false},
        {"gamma", PowerProfile(adobe, 1.8), false},  // PNG's gAMA and cHRM, no profile
        {"broken", Bytes(300, 'x'), false},          // unusable: the picture as coded
    };
    // Each file: a space, a format; the largest difference a patch may show. Lossless JPEG XL
    // keeps the profile; lossy turns the picture into libjxl's own colours (XYB), which it
    // brings into sRGB itself.
    const struct {
        const char* file;
        int tolerance;
    } cases[] = {
        {"swapped.jpg", 4},  {"adobe.jpg", 4},     {"grey.jpg", 3},       {"broken.jpg", 3},
        {"swapped.png", 2},  {"adobe.png", 2},     {"grey.png", 2},       {"p3.png", 2},
        {"gamma.png", 2},    {"swapped.tif", 2},   {"adobe.tif", 2},      {"prophoto16.tif", 1},
        {"grey16.tif", 1},   {"swapped.webp", 2},  {"swapped.heic", 5},   {"grey.heic", 5},
        {"swapped.avif", 3}, {"swapped8.avif", 3}, {"swapped12.avif", 3}, {"p3.avif", 4},
        {"swapped.jxl", 2},  {"grey.jxl", 2},      {"p3.jxl", 6},
    };
    for (const auto& c : cases) {
        const std::string file = c.file;
        const std::string format = file.substr(file.find('.'));
        const auto* space = &spaces[0];
        while (file.compare(0, strlen(space->name), space->name) != 0) ++space;
        const bool deep = file.find("16.") != std::string::npos;
        const bool broken = space->icc.size() == 300;
        const std::vector<uint16_t> coded =
            broken ? CodedPatches(Saved(cmsCreate_sRGBProfile()), false)
                   : CodedPatches(space->icc, space->grey);
        const Pixels eight = EightBits(coded, space->grey);
        const std::string path = Path(file);
        const std::string png = Path(std::string(space->name) + ".png");
        const std::string avif = "avifenc -s 10 --min 0 --max 0 -y 444 ";
        if (format == ".jpg") {
            ASSERT_TRUE(WriteJpeg(path, eight, 100));
            // In three chunks, the last one first.
            WriteBytes(file,
                       WithIccProfile(ReadFile(path), space->icc, space->icc.size() / 3 + 1, true));
        } else if (format == ".tif") {
            ASSERT_TRUE(
                deep ? WriteTiff16(path, eight.width, eight.height, eight.channels, coded, 32946,
                                   space->icc)
                     : WriteTiff(path, eight, file == "adobe.tif" ? 8 : 5, 8, 1, space->icc));
        } else if (format == ".png" || format == ".webp" || format == ".heic" || format == ".jxl") {
            ASSERT_TRUE(WritePng(png, eight.width, eight.height,
                                 space->grey ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB, 8,
                                 eight.data));
            Bytes chunked = ReadFile(png);
            if (file == "p3.png") {
                chunked = WithPngChunk(chunked, "cICP", {12, 13, 0, 1});
            } else if (file == "gamma.png") {
                chunked = WithPngChunk(chunked, "gAMA", Be(55556, 4));
                chunked =
                    WithPngChunk(chunked, "cHRM",
                                 Be(31270, 4) + Be(32900, 4) + Be(64000, 4) + Be(33000, 4) +
                                     Be(21000, 4) + Be(71000, 4) + Be(15000, 4) + Be(6000, 4));
            } else {
                uLongf size = compressBound(uLong(space->icc.size()));
                Bytes packed(size);
                compress(packed.data(), &size, space->icc.data(), uLong(space->icc.size()));
                packed.resize(size);
                chunked = WithPngChunk(chunked, "iCCP", Bytes{'p', 0, 0} + packed);
            }
            WriteBytes(std::string(space->name) + ".png", chunked);
            if (format == ".webp") {
                ASSERT_TRUE(Make("cwebp -lossless -exact -metadata icc " + png + " -o " + path));
            } else if (format == ".heic") {
                ASSERT_TRUE(Make("heif-enc -q 100 -p chroma=444 " + png + " -o " + path));
            } else if (format == ".jxl") {
                ASSERT_TRUE(Make(std::string("cjxl -d ") + (file == "p3.jxl" ? "1 " : "0 ") + png +
                                 " " + path));
            }
        } else if (file == "swapped.avif") {
            ASSERT_TRUE(
                WritePng(png, eight.width, eight.height, PNG_COLOR_TYPE_RGB, 8, eight.data));
            WriteBytes("swapped.icc", space->icc);
            ASSERT_TRUE(Make(avif + "--icc " + Path("swapped.icc") + " " + png + " " + path));
        } else if (file == "p3.avif") {
            // The colours of the AV1 sequence header alone: avifenc's colr box renamed away.
            ASSERT_TRUE(
                WritePng(png, eight.width, eight.height, PNG_COLOR_TYPE_RGB, 8, eight.data));
            ASSERT_TRUE(Make(avif + "--cicp 12/13/1 " + png + " " + path));
            Bytes bytes = ReadFile(path);
            const std::string text(bytes.begin(), bytes.end());
            ASSERT_NE(text.find("colrnclx"), std::string::npos);
            memcpy(&bytes[text.find("colrnclx")], "free", 4);
            WriteBytes(file, bytes);
        } else {
            // YCgCo (matrix 8) and the matrix derived from BT.709's primaries (12), in sRGB.
            const Pixels srgb = PatchPicture(false);
            ASSERT_TRUE(WritePng(png, srgb.width, srgb.height, PNG_COLOR_TYPE_RGB, 8, srgb.data));
            ASSERT_TRUE(Make(avif + "--cicp 1/13/" + (file == "swapped8.avif" ? "8 " : "12 ") +
                             png + " " + path));
        }
        ASSERT_EQ(ConvertFileToBmp(path.c_str(), Path("out.bmp").c_str()), kConverted) << file;
        const Pixels ours = ReadBmp(Path("out.bmp")).rgb;
        const Pixels truth = PatchPicture(space->grey);
        for (int patch = 0; patch < kPatchCount; ++patch) {
            const int x = patch * kPatch + kPatch / 2, y = kPatch / 2;
            for (int channel = 0; channel < 3; ++channel) {
                EXPECT_NEAR(ours.At(x, y)[channel], truth.At(x, y)[channel], c.tolerance)
                    << file << ", patch " << patch << ", channel " << channel;
            }
        }
    }
}

// HDR greys in AVIF (BT.2020, PQ or HLG) and JPEG XL: the tone curve's anchors. Black stays black;
// light a quarter of the 203 cd/m² SDR white (PQ 113, HLG 128: about 51 cd/m²) is below the
// roll-off and shows as that quarter (sRGB 138); the mastering peak of 1000 cd/m² (PQ 192, HLG 255)
// becomes SDR white; reference white itself (PQ 148, HLG 191) shows bright, not dark and flat.
TEST_F(IndependentDecoderTest, HdrPicturesAreToneMappedToSdr) {
    if (!Have("/usr/bin/avifenc") || !Have(kCjxl)) GTEST_SKIP() << "avifenc or cjxl is missing";
    const struct {
        const char* transfer;
        const char* name;  // cjxl's
        uint8_t code[4];
    } curves[] = {{"16", "PeQ", {0, 113, 192, 148}}, {"18", "HLG", {0, 128, 255, 191}}};
    for (const auto& curve : curves) {
        Pixels picture = Solid(4 * kPatch, kPatch, {0});
        for (int y = 0; y < kPatch; ++y)
            for (int x = 0; x < 4 * kPatch; ++x)
                picture.data[size_t(y) * 4 * kPatch + x] = curve.code[x / kPatch];
        ASSERT_TRUE(WritePng(Path("hdr.png"), picture.width, picture.height, PNG_COLOR_TYPE_GRAY, 8,
                             picture.data));
        const std::string avif = Path(std::string("hdr") + curve.transfer + ".avif");
        ASSERT_TRUE(Make(std::string("avifenc -s 10 --min 0 --max 0 -y 444 --cicp 9/") +
                         curve.transfer + "/9 " + Path("hdr.png") + " " + avif));
        // JPEG XL names the same curves in its own header.
        const std::string jxl = Path(std::string("hdr") + curve.transfer + ".jxl");
        ASSERT_TRUE(Make(std::string("cjxl -d 0 -x color_space=Gra_D65_Rel_") + curve.name + " " +
                         Path("hdr.png") + " " + jxl));
        for (const std::string& file : {avif, jxl}) {
            ASSERT_EQ(ConvertFileToBmp(file.c_str(), Path("out.bmp").c_str()), kConverted);
            const Pixels ours = ReadBmp(Path("out.bmp")).rgb;
            const int expected[3] = {0, 138, 255};
            for (int patch = 0; patch < 3; ++patch) {
                EXPECT_NEAR(ours.At(patch * kPatch + 8, 8)[1], expected[patch], 3)
                    << file << ", patch " << patch;
            }
            EXPECT_GE(ours.At(3 * kPatch + 8, 8)[1], 220) << file;
        }
    }
}

}  // namespace
}  // namespace kv::imageconv::test
