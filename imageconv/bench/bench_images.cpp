#include "imageconv/bench/bench_images.h"

#include <png.h>
#include <sys/stat.h>

#include "tests/host/imageconv/test_images.h"

namespace kv::imageconv::bench {
namespace {

uint64_t FileSize(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 ? uint64_t(info.st_size) : 0;
}

bool Exists(const std::string& path) {
    return FileSize(path) > 0;
}

std::vector<uint8_t> Palette256() {
    std::vector<uint8_t> rgb;
    for (int i = 0; i < 256; ++i) {
        rgb.insert(rgb.end(), {uint8_t(i), uint8_t((i * 3) & 0xFF), uint8_t(255 - i)});
    }
    return rgb;
}

}  // namespace

std::vector<BenchImage> MakeBenchImages(const std::string& dir, bool large) {
    using test::Pixels;
    const int w = large ? 6000 : 640, h = large ? 4000 : 480;
    const int pw = large ? 4000 : 640, ph = large ? 3000 : 480;
    const std::string tag = large ? "large" : "small";
    const uint64_t px = uint64_t(w) * h, ppx = uint64_t(pw) * ph;
    std::vector<BenchImage> images;
    auto add = [&](const std::string& label, const std::string& name, int iw, int ih, bool isJpeg,
                   uint64_t design, auto make) {
        const std::string path = dir + "/" + tag + "-" + name;
        if (!Exists(path)) make(path);
        images.push_back({label, path, iw, ih, isJpeg, design});
    };
    Pixels rgb, grey;
    auto colour = [&]() -> const Pixels& {
        if (rgb.data.empty()) rgb = test::Pattern(w, h, 3, 11);
        return rgb;
    };
    auto greys = [&]() -> const Pixels& {
        if (grey.data.empty()) grey = test::Pattern(w, h, 1, 12);
        return grey;
    };
    add("JPEG colour", "colour.jpg", w, h, true, px * 3,
        [&](const std::string& p) { test::WriteJpeg(p, colour(), 90); });
    add("JPEG grey", "grey.jpg", w, h, true, px * 4,
        [&](const std::string& p) { test::WriteJpeg(p, greys(), 90); });
    add("PNG RGB", "rgb.png", w, h, false, px * 3, [&](const std::string& p) {
        test::WritePng(p, w, h, PNG_COLOR_TYPE_RGB, 8, colour().data);
    });
    add("PNG palette", "palette.png", w, h, false, px * 4, [&](const std::string& p) {
        test::PngPalette palette{Palette256()};
        test::WritePng(p, w, h, PNG_COLOR_TYPE_PALETTE, 8, greys().data, false, &palette);
    });
    add("TIFF LZW", "lzw.tif", w, h, false, px * 7,
        [&](const std::string& p) { test::WriteTiff(p, colour(), 5, 16); });
    add("BMP 24-bit", "rgb.bmp", w, h, false, px * 3,
        [&](const std::string& p) { test::WriteFile(p, test::Bmp24(colour())); });
    Pixels pcxRgb, pcxGrey;
    if (pw != w) {
        pcxRgb = test::Pattern(pw, ph, 3, 13);
        pcxGrey = test::Pattern(pw, ph, 1, 14);
    }
    const Pixels& pcxColour = pw != w ? pcxRgb : colour();
    const Pixels& pcxIndexes = pw != w ? pcxGrey : greys();
    add("PCX 24-bit", "rgb.pcx", pw, ph, false, 0,
        [&](const std::string& p) { test::WriteFile(p, test::Pcx24(pcxColour, pw + (pw & 1))); });
    add("PCX 8-bit", "palette.pcx", pw, ph, false, 0, [&](const std::string& p) {
        test::WriteFile(p, test::Pcx8(pcxIndexes, Palette256(), pw + (pw & 1)));
    });
    // PCX conversions also hold the compressed data in a scratch block.
    images[images.size() - 2].designBytes =
        ppx * 3 + FileSize(images[images.size() - 2].path) - 128;
    images.back().designBytes = ppx * 4 + FileSize(images.back().path) - 896;
    return images;
}

}  // namespace kv::imageconv::bench
