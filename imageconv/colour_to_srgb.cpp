#include "imageconv/colour_to_srgb.h"

// lcms2's header marks callback parameters `register`, which C++17 no longer has.
#define CMS_NO_REGISTER_KEYWORD 1
#include <lcms2.h>

#include <cstdlib>
#include <memory>
#include <vector>

namespace kv::imageconv {
namespace {

struct ProfileCloser {
    void operator()(void* profile) const { cmsCloseProfile(profile); }
};
using Profile = std::unique_ptr<void, ProfileCloser>;

struct TransformDeleter {
    void operator()(void* transform) const { cmsDeleteTransform(transform); }
};
using Transform = std::unique_ptr<void, TransformDeleter>;

struct CurveDeleter {
    void operator()(cmsToneCurve* curve) const { cmsFreeToneCurve(curve); }
};
using Curve = std::unique_ptr<cmsToneCurve, CurveDeleter>;

// White point and red, green, blue chromaticities (x, y) of the coded primaries that differ
// from sRGB's own (1: BT.709; 2: unspecified, taken as sRGB).
struct Chromaticities {
    double white[2], red[2], green[2], blue[2];
};

bool PrimariesOf(int code, Chromaticities* c) {
    constexpr double d65[2] = {0.3127, 0.3290};
    switch (code) {
        case 4:  // BT.470 System M, white C
            *c = {{0.310, 0.316}, {0.67, 0.33}, {0.21, 0.71}, {0.14, 0.08}};
            return true;
        case 5:  // BT.470 System B, G
            *c = {{d65[0], d65[1]}, {0.64, 0.33}, {0.29, 0.60}, {0.15, 0.06}};
            return true;
        case 6:  // BT.601 525 lines
        case 7:  // SMPTE 240M
            *c = {{d65[0], d65[1]}, {0.630, 0.340}, {0.310, 0.595}, {0.155, 0.070}};
            return true;
        case 9:  // BT.2020, BT.2100
            *c = {{d65[0], d65[1]}, {0.708, 0.292}, {0.170, 0.797}, {0.131, 0.046}};
            return true;
        case 11:  // DCI-P3, DCI white
            *c = {{0.314, 0.351}, {0.680, 0.320}, {0.265, 0.690}, {0.150, 0.060}};
            return true;
        case 12:  // Display P3: DCI-P3 primaries, D65 white
            *c = {{d65[0], d65[1]}, {0.680, 0.320}, {0.265, 0.690}, {0.150, 0.060}};
            return true;
        case 22:  // EBU Tech. 3213
            *c = {{d65[0], d65[1]}, {0.630, 0.340}, {0.295, 0.605}, {0.155, 0.077}};
            return true;
        default:
            return false;
    }
}

// The tone curve of a transfer characteristic. The BT.709 family (1, 6, 14, 15), sRGB (13),
// unspecified and the high-dynamic-range curves this 8-bit output cannot render are shown as
// displays show them: with the sRGB curve.
Curve CurveOf(int transfer, bool* isSrgbCurve) {
    *isSrgbCurve = false;
    switch (transfer) {
        case 4:
            return Curve(cmsBuildGamma(nullptr, 2.2));
        case 5:
            return Curve(cmsBuildGamma(nullptr, 2.8));
        case 8:
            return Curve(cmsBuildGamma(nullptr, 1.0));
        default: {
            *isSrgbCurve = true;
            const double srgb[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
            return Curve(cmsBuildParametricToneCurve(nullptr, 4, srgb));
        }
    }
}

// A matrix-and-curves profile for coded primaries and transfer; empty when the code points
// describe sRGB (or nothing this library knows to be different).
Profile ProfileOfCodePoints(int primaries, int transfer) {
    bool srgbCurve = false;
    Curve curve = CurveOf(transfer, &srgbCurve);
    Chromaticities c = {{0.3127, 0.3290}, {0.64, 0.33}, {0.30, 0.60}, {0.15, 0.06}};
    const bool otherPrimaries = PrimariesOf(primaries, &c);
    if (!curve || (srgbCurve && !otherPrimaries)) return nullptr;
    const cmsCIExyY white = {c.white[0], c.white[1], 1.0};
    const cmsCIExyYTRIPLE rgb = {
        {c.red[0], c.red[1], 1.0}, {c.green[0], c.green[1], 1.0}, {c.blue[0], c.blue[1], 1.0}};
    cmsToneCurve* curves[3] = {curve.get(), curve.get(), curve.get()};
    return Profile(cmsCreateRGBProfile(&white, &rgb, curves));
}

// Colours that show what a conversion does: the ramps of grey, red, green and blue at every
// level and a coarse cube.
std::vector<uint8_t> SampleColours() {
    std::vector<uint8_t> samples;
    for (int level = 0; level < 256; ++level) {
        const uint8_t v = uint8_t(level);
        samples.insert(samples.end(), {v, v, v, v, 0, 0, 0, v, 0, 0, 0, v});
    }
    for (int r = 0; r <= 256; r += 32)
        for (int g = 0; g <= 256; g += 32)
            for (int b = 0; b <= 256; b += 32)
                samples.insert(samples.end(),
                               {uint8_t(r > 255 ? 255 : r), uint8_t(g > 255 ? 255 : g),
                                uint8_t(b > 255 ? 255 : b)});
    return samples;
}

// True when the conversion moves no sample colour by more than one step: the picture is
// sRGB already (profiles of sRGB differ in how they store its curve).
bool LeavesColoursAsTheyAre(void* transform) {
    const std::vector<uint8_t> samples = SampleColours();
    std::vector<uint8_t> converted(samples.size());
    cmsDoTransform(transform, samples.data(), converted.data(),
                   cmsUInt32Number(samples.size() / 3));
    for (size_t i = 0; i < samples.size(); ++i) {
        if (std::abs(int(samples[i]) - int(converted[i])) > 1) return false;
    }
    return true;
}

}  // namespace

void ConvertRowsToSrgb(RasterImage* image, const ColourDescription& colours) {
    if (image->empty() || image->bits() != 24) return;
    Profile source;
    if (colours.icc && colours.iccSize > 0) {
        source.reset(cmsOpenProfileFromMem(colours.icc, cmsUInt32Number(colours.iccSize)));
        if (source && cmsGetColorSpace(source.get()) != cmsSigRgbData) source.reset();
    } else if (colours.hasCodePoints) {
        source = ProfileOfCodePoints(colours.primaries, colours.transfer);
    }
    if (!source) return;
    const Profile srgb(cmsCreate_sRGBProfile());
    if (!srgb) return;
    const Transform transform(
        cmsCreateTransform(source.get(), TYPE_RGB_8, srgb.get(), TYPE_RGB_8, INTENT_PERCEPTUAL, 0));
    if (!transform || LeavesColoursAsTheyAre(transform.get())) return;
    // Same pixel size in and out: each row is converted where it lies.
    for (int32_t y = 0; y < image->height(); ++y) {
        cmsDoTransform(transform.get(), image->Row(y), image->Row(y),
                       cmsUInt32Number(image->width()));
    }
}

}  // namespace kv::imageconv
