#include "tests/host/imageconv/seed_images.h"

#include <png.h>

#include "tests/host/imageconv/test_images.h"

namespace kv::imageconv::test {

std::vector<std::pair<std::string, std::vector<uint8_t>>> SeedImages(const std::string& scratch) {
    std::vector<std::pair<std::string, std::vector<uint8_t>>> seeds;
    auto fromFile = [&](const std::string& name, bool made) {
        if (made) seeds.emplace_back(name, ReadFile(scratch + "/" + name));
    };
    const Pixels rgb = Pattern(19, 7, 3);
    const Pixels grey = Pattern(9, 5, 1);
    fromFile("rgb.jpg", WriteJpeg(scratch + "/rgb.jpg", rgb));
    fromFile("grey.jpg", WriteJpeg(scratch + "/grey.jpg", grey));
    fromFile("cmyk.jpg", WriteJpeg(scratch + "/cmyk.jpg", Pattern(8, 8, 4)));
    fromFile("rgb.png", WritePng(scratch + "/rgb.png", 19, 7, PNG_COLOR_TYPE_RGB, 8, rgb.data));
    fromFile("interlaced.png",
             WritePng(scratch + "/interlaced.png", 19, 7, PNG_COLOR_TYPE_RGB, 8, rgb.data, true));
    fromFile("grey.png", WritePng(scratch + "/grey.png", 9, 5, PNG_COLOR_TYPE_GRAY, 8, grey.data));
    std::vector<uint8_t> twoBit(9 * 5);
    for (size_t i = 0; i < twoBit.size(); ++i) twoBit[i] = uint8_t(i % 4);
    PngPalette palette{{0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255}};
    fromFile("palette2.png", WritePng(scratch + "/palette2.png", 9, 5, PNG_COLOR_TYPE_PALETTE, 2,
                                      twoBit, false, &palette));
    std::vector<uint8_t> greyAlpha(9 * 5 * 2, 0x80);
    fromFile("greyalpha.png",
             WritePng(scratch + "/greyalpha.png", 9, 5, PNG_COLOR_TYPE_GRAY_ALPHA, 8, greyAlpha));
    fromFile("lzw.tif", WriteTiff(scratch + "/lzw.tif", rgb, 5, 2));
    fromFile("packbits.tif", WriteTiff(scratch + "/packbits.tif", grey, 32773, 3));
    seeds.emplace_back("bottomup.bmp", Bmp24(rgb));
    seeds.emplace_back("topdown.bmp", Bmp24(rgb, true));
    seeds.emplace_back("core.bmp", Bmp24(rgb, false, true));
    seeds.emplace_back("8bit.bmp", BmpHeaderOnly(4, 4, 8, 0, 16));
    std::vector<uint8_t> greys;
    for (int i = 0; i < 256; ++i) greys.insert(greys.end(), {uint8_t(i), uint8_t(i), uint8_t(i)});
    seeds.emplace_back("palette.pcx", Pcx8(grey, greys, 10));
    seeds.emplace_back("rgb.pcx", Pcx24(rgb, 20));
    // The Photo CD target places its input at the base image's offset.
    std::vector<uint8_t> photoCd(768 * 3);
    for (size_t i = 0; i < photoCd.size(); ++i) photoCd[i] = uint8_t(i * 7);
    seeds.emplace_back("photocd-rows.bin", photoCd);
    for (const char* name :
         {"test.webp", "seed-alpha.webp", "seed-lossless.webp", "seed-animated.webp", "seed.heic",
          "seed-alpha.avif", "seed.jxl", "seed-lossless.jxl", "seed-animated.jxl", "turned.jxl"}) {
        seeds.emplace_back(name, ReadFile(DataFile(name)));
    }
    // Structures whose sizes disagree: HEIF grids and overlays over a coded picture, and a
    // picture whose parameter set codes another size, all declared 64 × 64; WebP extended layouts
    // with the frame after an ICC chunk, animations.
    const Bytes photo = ReadFile(DataFile("seed.heic"));
    seeds.emplace_back("grid.heic", DerivedHeic(photo, "grid", 64, 64));
    seeds.emplace_back("grid-wide.heic", DerivedHeic(photo, "grid", 3000, 8));
    seeds.emplace_back("overlay.heic", DerivedHeic(photo, "iovl", 64, 64));
    seeds.emplace_back("coded-size.heic", CodedSizeHeic(photo, 3000, 8));
    seeds.emplace_back("coded-size-in-data.heic", CodedSizeHeic(photo, 3000, 8, true));
    const Bytes frame = WebpChunk("VP8L", Vp8l(5, 3));
    seeds.emplace_back("iccp-first.webp",
                       Riff(Vp8x(0x20, 5, 3) + WebpChunk("ICCP", Bytes(80, 7)) + frame));
    seeds.emplace_back("iccp-mismatch.webp",
                       Riff(Vp8x(0x20, 500, 3) + WebpChunk("ICCP", Bytes(80, 7)) + frame));
    seeds.emplace_back("no-frame.webp", Riff(Vp8x(0x10, 5, 3)));
    seeds.emplace_back("animated.webp", AnimatedWebp(40, 30));
    // RAW files: a JPEG preview over a bitmap one, and a maker's note of one maker.
    DngParts raw;
    raw.thumbnail = Pattern(16, 12, 3);
    raw.preview = ReadFile(scratch + "/rgb.jpg");
    raw.orientation = 6;
    seeds.emplace_back("preview.dng", Dng(raw));
    raw.preview.clear();
    raw.make = "NIKON CORPORATION";
    raw.makernote = ShortShotInfoMakernote();
    seeds.emplace_back("makernote.dng", Dng(raw));
    // An EXIF block (for the orientation target, which reads its input as one).
    const std::vector<uint8_t> exif = WithExifOrientation({0xFF, 0xD8}, 6, true);
    seeds.emplace_back("orientation.exif", std::vector<uint8_t>(exif.begin() + 12, exif.end()));
    seeds.emplace_back("text.txt", std::vector<uint8_t>{'n', 'o', 't', ' ', 'a', 'n', ' ', 'i'});
    return seeds;
}

}  // namespace kv::imageconv::test
