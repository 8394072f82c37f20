#include "imageconv/bench/bench_images.h"

// lcms2's header marks callback parameters `register`, which C++17 no longer has.
#define CMS_NO_REGISTER_KEYWORD 1
#include <lcms2.h>
#include <png.h>
#include <sys/stat.h>

#include <cstdlib>

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

// Makes `out` from `in` with a command-line encoder (avifenc and cjxl take both as plain
// arguments, the others name the output with -o).
void Encode(const std::string& command, const std::string& in, const std::string& out) {
    const bool plain = command.find("avifenc") == 0 || command.find("cjxl") == 0;
    const std::string line =
        command + " '" + in + "' " + (plain ? "" : "-o ") + "'" + out + "' >/dev/null 2>&1";
    if (system(line.c_str()) != 0) fprintf(stderr, "could not make %s\n", out.c_str());
}

// A 12-megapixel photo as phones store it: a JPEG, and a HEIC of 8 × 6 tiles of 512 × 512
// cropped to 4032 × 3024, its tiles coded one by one by heif-enc at the quality that gives
// about the 4 MB such a photo takes.
void AddPhoneImages(const std::string& dir, std::vector<BenchImage>* images) {
    constexpr int kTile = 512, kColumns = 8, kRows = 6, kWidth = 4032, kHeight = 3024;
    const std::string jpeg = dir + "/phone.jpg", heic = dir + "/phone-grid.heic";
    const uint64_t design = uint64_t(kWidth) * kHeight * 3;
    test::Pixels photo;
    if (!Exists(jpeg) || !Exists(heic))
        photo = test::Pattern(kColumns * kTile, kRows * kTile, 3, 15);
    if (!Exists(jpeg)) {
        test::Pixels cropped{kWidth, kHeight, 3, {}};
        for (int y = 0; y < kHeight; ++y) {
            const uint8_t* row = photo.At(0, y);
            cropped.data.insert(cropped.data.end(), row, row + kWidth * 3);
        }
        test::WriteJpeg(jpeg, cropped, 92);
    }
    images->push_back({"JPEG phone", jpeg, kWidth, kHeight, design});
    if (!Exists(heic)) {
        std::vector<test::Bytes> tiles;
        const std::string png = dir + "/tile.png", coded = dir + "/tile.heic";
        for (int t = 0; t < kColumns * kRows; ++t) {
            std::vector<uint8_t> samples;
            for (int y = 0; y < kTile; ++y) {
                const uint8_t* row = photo.At(t % kColumns * kTile, t / kColumns * kTile + y);
                samples.insert(samples.end(), row, row + kTile * 3);
            }
            test::WritePng(png, kTile, kTile, PNG_COLOR_TYPE_RGB, 8, samples);
            Encode("heif-enc -q 65", png, coded);
            tiles.push_back(test::ReadFile(coded));
            if (tiles.back().empty()) return;  // no HEIC encoder here
        }
        test::WriteFile(heic, test::GridHeic(tiles, kColumns, kRows, kWidth, kHeight));
    }
    if (Exists(heic)) images->push_back({"HEIC phone", heic, kWidth, kHeight, design});
    // The same photo as a phone saves it in JPEG XL (lossy, from its pixels).
    const std::string jxl = dir + "/phone.jxl";
    if (!Exists(jxl)) Encode("cjxl --lossless_jpeg=0 -d 1 -e 4", jpeg, jxl);
    if (Exists(jxl)) images->push_back({"JPEG XL phone", jxl, kWidth, kHeight, design});
}

// Display P3 (DCI-P3 primaries, D65 white, the sRGB curve), or a wide space with a 1.8 curve
// (ProPhoto's primaries).
std::vector<uint8_t> WideProfile(bool proPhoto) {
    const cmsCIExyY white = {0.3127, 0.3290, 1};
    const cmsCIExyYTRIPLE p3 = {{0.680, 0.320, 1}, {0.265, 0.690, 1}, {0.150, 0.060, 1}};
    const cmsCIExyYTRIPLE wide = {{0.7347, 0.2653, 1}, {0.1596, 0.8404, 1}, {0.0366, 0.0001, 1}};
    const double srgbCurve[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
    cmsToneCurve* curve =
        proPhoto ? cmsBuildGamma(nullptr, 1.8) : cmsBuildParametricToneCurve(nullptr, 4, srgbCurve);
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, proPhoto ? &wide : &p3, curves);
    cmsUInt32Number size = 0;
    std::vector<uint8_t> bytes;
    if (profile && cmsSaveProfileToMem(profile, nullptr, &size)) {
        bytes.resize(size);
        cmsSaveProfileToMem(profile, bytes.data(), &size);
    }
    if (profile) cmsCloseProfile(profile);
    cmsFreeToneCurve(curve);
    return bytes;
}

}  // namespace

std::vector<BenchImage> MakeBenchImages(const std::string& dir, bool large) {
    using test::Pixels;
    const int w = large ? 6000 : 640, h = large ? 4000 : 480;
    const int pw = large ? 4000 : 640, ph = large ? 3000 : 480;
    const std::string tag = large ? "large" : "small";
    const uint64_t px = uint64_t(w) * h, ppx = uint64_t(pw) * ph;
    std::vector<BenchImage> images;
    auto add = [&](const std::string& label, const std::string& name, int iw, int ih,
                   uint64_t design, auto make) {
        const std::string path = dir + "/" + tag + "-" + name;
        if (!Exists(path)) make(path);
        images.push_back({label, path, iw, ih, design});
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
    add("JPEG colour", "colour.jpg", w, h, px * 3,
        [&](const std::string& p) { test::WriteJpeg(p, colour(), 90); });
    add("JPEG grey", "grey.jpg", w, h, px * 3,
        [&](const std::string& p) { test::WriteJpeg(p, greys(), 90); });
    add("PNG RGB", "rgb.png", w, h, px * 3, [&](const std::string& p) {
        test::WritePng(p, w, h, PNG_COLOR_TYPE_RGB, 8, colour().data);
    });
    add("PNG palette", "palette.png", w, h, px * 3, [&](const std::string& p) {
        test::PngPalette palette{Palette256()};
        test::WritePng(p, w, h, PNG_COLOR_TYPE_PALETTE, 8, greys().data, false, &palette);
    });
    add("TIFF LZW", "lzw.tif", w, h, px * 3,
        [&](const std::string& p) { test::WriteTiff(p, colour(), 5, 16); });
    // Photos with a colour profile (Display P3 as phones save it; a wide space with a 1.8
    // curve in 16 bits as photo editors save it), beside the same pictures without.
    add("JPEG P3 profile", "p3.jpg", w, h, px * 3, [&](const std::string& p) {
        test::WriteJpeg(p, colour(), 90);
        test::WriteFile(p, test::WithIccProfile(test::ReadFile(p), WideProfile(false), 65519));
    });
    std::vector<uint16_t> deep;
    auto deepColour = [&]() -> const std::vector<uint16_t>& {
        if (deep.empty()) {
            for (uint8_t sample : colour().data) deep.push_back(uint16_t(sample * 257));
        }
        return deep;
    };
    add("TIFF 16-bit", "deep.tif", w, h, px * 3,
        [&](const std::string& p) { test::WriteTiff16(p, w, h, 3, deepColour(), 8); });
    add("TIFF 16-bit profile", "deep-wide.tif", w, h, px * 3, [&](const std::string& p) {
        test::WriteTiff16(p, w, h, 3, deepColour(), 8, WideProfile(true));
    });
    add("BMP 24-bit", "rgb.bmp", w, h, px * 3,
        [&](const std::string& p) { test::WriteFile(p, test::Bmp24(colour())); });
    Pixels pcxRgb, pcxGrey;
    if (pw != w) {
        pcxRgb = test::Pattern(pw, ph, 3, 13);
        pcxGrey = test::Pattern(pw, ph, 1, 14);
    }
    const Pixels& pcxColour = pw != w ? pcxRgb : colour();
    const Pixels& pcxIndexes = pw != w ? pcxGrey : greys();
    add("PCX 24-bit", "rgb.pcx", pw, ph, 0,
        [&](const std::string& p) { test::WriteFile(p, test::Pcx24(pcxColour, pw + (pw & 1))); });
    add("PCX 8-bit", "palette.pcx", pw, ph, 0, [&](const std::string& p) {
        test::WriteFile(p, test::Pcx8(pcxIndexes, Palette256(), pw + (pw & 1)));
    });
    // The newer formats, encoded from the RGB PNG by Debian's encoders (cwebp, heif-enc,
    // avifenc) when they are installed. WebP conversions hold the file in a scratch block.
    const std::string png = images[2].path;
    const size_t pcxRows = images.size();
    const struct {
        const char *label, *name, *encoder;
    } encoded[] = {
        {"WebP lossy", "lossy.webp", "cwebp -quiet -q 90"},
        {"WebP lossless", "lossless.webp", "cwebp -quiet -lossless -z 1"},
        {"HEIC", "photo.heic", "heif-enc -q 90"},
        {"AVIF", "photo.avif", "avifenc -s 8 -j 2"},
        {"JPEG XL", "photo.jxl", "cjxl -d 1 -e 4"},
    };
    for (const auto& e : encoded) {
        add(e.label, e.name, w, h, px * 3,
            [&](const std::string& p) { Encode(e.encoder, png, p); });
        if (!Exists(images.back().path)) images.pop_back();
    }
    if (large) AddPhoneImages(dir, &images);
    // A camera's RAW photo: 24 megapixels of 16-bit sensor data (48 MB) and a preview of the
    // whole picture, the colour JPEG.
    add("RAW DNG preview", "camera.dng", w, h, px * 3, [&](const std::string& p) {
        test::DngParts raw;
        raw.preview = test::ReadFile(images[0].path);
        raw.sensorSide = large ? 4900 : 512;
        test::WriteFile(p, test::Dng(raw));
    });
    for (size_t i = pcxRows; i < images.size(); ++i) {
        if (images[i].path.find(".webp") != std::string::npos) {
            images[i].designBytes += FileSize(images[i].path);
        }
    }
    // PCX conversions also hold the compressed data in a scratch block.
    images[pcxRows - 2].designBytes = ppx * 3 + FileSize(images[pcxRows - 2].path) - 128;
    images[pcxRows - 1].designBytes = ppx * 4 + FileSize(images[pcxRows - 1].path) - 896;
    return images;
}

}  // namespace kv::imageconv::bench
