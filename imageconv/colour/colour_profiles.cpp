#include "imageconv/colour/colour_profiles.h"

// lcms2's header marks callback parameters `register`, which C++17 no longer has.
#define CMS_NO_REGISTER_KEYWORD 1
#include <lcms2.h>

#include <cmath>
#include <vector>

namespace kv::imageconv {
namespace {

struct CurveDeleter {
    void operator()(cmsToneCurve* curve) const { cmsFreeToneCurve(curve); }
};
using Curve = std::unique_ptr<cmsToneCurve, CurveDeleter>;

constexpr double kD65[2] = {0.3127, 0.3290};
constexpr Chromaticities kSrgbPrimaries = {
    {kD65[0], kD65[1]}, {0.64, 0.33}, {0.30, 0.60}, {0.15, 0.06}};

// The coded primaries that differ from sRGB's own (1: BT.709; 2: unspecified).
bool OtherPrimaries(int code, Chromaticities* c) {
    switch (code) {
        case 4:  // BT.470 System M, white C
            *c = {{0.310, 0.316}, {0.67, 0.33}, {0.21, 0.71}, {0.14, 0.08}};
            return true;
        case 5:  // BT.470 System B, G
            *c = {{kD65[0], kD65[1]}, {0.64, 0.33}, {0.29, 0.60}, {0.15, 0.06}};
            return true;
        case 6:  // BT.601 525 lines
        case 7:  // SMPTE 240M
            *c = {{kD65[0], kD65[1]}, {0.630, 0.340}, {0.310, 0.595}, {0.155, 0.070}};
            return true;
        case 9:  // BT.2020, BT.2100
            *c = {{kD65[0], kD65[1]}, {0.708, 0.292}, {0.170, 0.797}, {0.131, 0.046}};
            return true;
        case 11:  // DCI-P3, DCI white
            *c = {{0.314, 0.351}, {0.680, 0.320}, {0.265, 0.690}, {0.150, 0.060}};
            return true;
        case 12:  // Display P3: DCI-P3 primaries, D65 white
            *c = {{kD65[0], kD65[1]}, {0.680, 0.320}, {0.265, 0.690}, {0.150, 0.060}};
            return true;
        case 22:  // EBU Tech. 3213
            *c = {{kD65[0], kD65[1]}, {0.630, 0.340}, {0.295, 0.605}, {0.155, 0.077}};
            return true;
        default:
            return false;
    }
}

}  // namespace

double EncodeSrgb(double v) {
    return v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 1 / 2.4) - 0.055;
}

double DecodeSrgb(double e) {
    return e <= 0.04045 ? e / 12.92 : std::pow((e + 0.055) / 1.055, 2.4);
}

namespace {

Curve SrgbCurve() {
    const double srgb[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
    return Curve(cmsBuildParametricToneCurve(nullptr, 4, srgb));
}

// PQ (SMPTE ST 2084) between code values and display light in cd/m².
constexpr double kPqM1 = 2610.0 / 16384, kPqM2 = 2523.0 / 4096 * 128;
constexpr double kPqC1 = 3424.0 / 4096, kPqC2 = 2413.0 / 4096 * 32, kPqC3 = 2392.0 / 4096 * 32;

double PqToLight(double code) {
    const double p = std::pow(code, 1 / kPqM2);
    return 10000 * std::pow(std::max(p - kPqC1, 0.0) / (kPqC2 - kPqC3 * p), 1 / kPqM1);
}
double LightToPq(double light) {
    const double y = std::pow(std::max(light, 0.0) / 10000, kPqM1);
    return std::pow((kPqC1 + kPqC2 * y) / (1 + kPqC3 * y), kPqM2);
}

// HLG (BT.2100) code value to display light on the reference 1000 cd/m² display: the inverse
// OETF, then the OOTF's system gamma 1.2 (applied to each colour, exact for greys).
double HlgToLight(double code) {
    constexpr double a = 0.17883277, b = 1 - 4 * a, c = 0.55991073;
    const double scene = code <= 0.5 ? code * code / 3 : (std::exp((code - c) / a) + b) / 12;
    return 1000 * std::pow(scene, 1.2);
}

constexpr double kMasteringPeak = 1000;  // cd/m², what HDR photos are graded for
constexpr double kSdrWhite = 203;        // cd/m², BT.2408's reference white

// BT.2390's EETF: light above the knee rolls off along a Hermite spline in the PQ domain,
// from the mastering peak to the SDR white; below it light passes unchanged.
double Eetf(double light) {
    const double sourcePeak = LightToPq(kMasteringPeak);
    const double e = std::min(LightToPq(light) / sourcePeak, 1.0);
    const double maxLum = LightToPq(kSdrWhite) / sourcePeak;
    const double knee = 1.5 * maxLum - 0.5;
    if (e < knee) return light;
    const double t = (e - knee) / (1 - knee), t2 = t * t, t3 = t2 * t;
    const double p =
        (2 * t3 - 3 * t2 + 1) * knee + (t3 - 2 * t2 + t) * (1 - knee) + (-2 * t3 + 3 * t2) * maxLum;
    return PqToLight(p * sourcePeak);
}

// The tone curve of a transfer characteristic. The BT.709 family (1, 6, 14, 15), sRGB (13),
// unspecified and curves not known here are shown as displays show them: with the sRGB curve.
Curve CurveOf(int transfer, bool* isSrgbCurve) {
    *isSrgbCurve = false;
    switch (transfer) {
        case 4:
            return Curve(cmsBuildGamma(nullptr, 2.2));
        case 5:
            return Curve(cmsBuildGamma(nullptr, 2.8));
        case 8:
            return Curve(cmsBuildGamma(nullptr, 1.0));
        case 16:
        case 18: {
            std::vector<float> table(4096);
            for (size_t i = 0; i < table.size(); ++i)
                table[i] = float(HdrToSdrLinear(transfer, double(i) / double(table.size() - 1)));
            return Curve(cmsBuildTabulatedToneCurveFloat(nullptr, cmsUInt32Number(table.size()),
                                                         table.data()));
        }
        default:
            *isSrgbCurve = true;
            return SrgbCurve();
    }
}

Profile RgbProfile(const Chromaticities& c, cmsToneCurve* curve) {
    const cmsCIExyY white = {c.white[0], c.white[1], 1.0};
    const cmsCIExyYTRIPLE rgb = {
        {c.red[0], c.red[1], 1.0}, {c.green[0], c.green[1], 1.0}, {c.blue[0], c.blue[1], 1.0}};
    cmsToneCurve* curves[3] = {curve, curve, curve};
    return Profile(cmsCreateRGBProfile(&white, &rgb, curves));
}

// A matrix-and-curves profile for coded primaries and transfer; empty when the code points
// describe sRGB (or nothing this library knows to be different).
Profile ProfileOfCodePoints(int primaries, int transfer) {
    bool srgbCurve = false;
    const Curve curve = CurveOf(transfer, &srgbCurve);
    Chromaticities c = kSrgbPrimaries;
    const bool otherPrimaries = OtherPrimaries(primaries, &c);
    if (!curve || (srgbCurve && !otherPrimaries)) return nullptr;
    return RgbProfile(c, curve.get());
}

// PNG's gAMA and cHRM: a pure power curve and the given primaries. Pictures whose gamma is
// within libpng's own threshold of 1/2.2 and that give sRGB's primaries or none are shown as
// they are, like untagged ones.
Profile ProfileOfGammaAndChromaticities(double gamma, const double (&xy)[8]) {
    if (gamma == 0) gamma = 1 / 2.2;
    if (!(gamma >= 0.1 && gamma <= 10)) return nullptr;
    bool given = false, valid = true, nearSrgb = true;
    const double* srgb = &kSrgbPrimaries.white[0];
    for (int i = 0; i < 8; ++i) {
        given |= xy[i] != 0;
        valid &= xy[i] > 0 && xy[i] < 1;
        nearSrgb &= std::fabs(xy[i] - srgb[i]) < 0.01;
    }
    if (given && !valid) return nullptr;
    if (std::fabs(gamma * 2.2 - 1) <= 0.05 && (!given || nearSrgb)) return nullptr;
    const Chromaticities c =
        given ? Chromaticities{{xy[0], xy[1]}, {xy[2], xy[3]}, {xy[4], xy[5]}, {xy[6], xy[7]}}
              : kSrgbPrimaries;
    const Curve curve(cmsBuildGamma(nullptr, 1 / gamma));
    return curve ? RgbProfile(c, curve.get()) : nullptr;
}

Profile IccProfile(const uint8_t* data, size_t size) {
    if (size > kMaxIccBytes) return nullptr;
    Profile profile(cmsOpenProfileFromMem(data, cmsUInt32Number(size)));
    if (!profile) return nullptr;
    // Device links, abstract and named-colour profiles do not describe a picture's colours.
    const cmsProfileClassSignature kind = cmsGetDeviceClass(profile.get());
    const cmsColorSpaceSignature space = cmsGetColorSpace(profile.get());
    if (kind == cmsSigLinkClass || kind == cmsSigAbstractClass || kind == cmsSigNamedColorClass ||
        (space != cmsSigRgbData && space != cmsSigGrayData)) {
        return nullptr;
    }
    return profile;
}

}  // namespace

void ProfileCloser::operator()(void* profile) const {
    cmsCloseProfile(profile);
}

void TransformDeleter::operator()(void* transform) const {
    cmsDeleteTransform(transform);
}

Chromaticities PrimariesOf(int code) {
    Chromaticities c = kSrgbPrimaries;
    OtherPrimaries(code, &c);
    return c;
}

bool IsHdrTransfer(int transfer) {
    return transfer == 16 || transfer == 18;
}

double HdrToSdrLinear(int transfer, double code) {
    code = std::min(std::max(code, 0.0), 1.0);
    const double light = transfer == 16 ? PqToLight(code) : HlgToLight(code);
    return std::min(Eetf(light) / kSdrWhite, 1.0);
}

Profile SourceProfile(const ColourDescription& colours) {
    if (colours.icc && colours.iccSize > 0) return IccProfile(colours.icc, colours.iccSize);
    if (colours.hasCodePoints) return ProfileOfCodePoints(colours.primaries, colours.transfer);
    if (colours.encodingGamma != 0 || colours.chromaticities[0] != 0) {
        return ProfileOfGammaAndChromaticities(colours.encodingGamma, colours.chromaticities);
    }
    return nullptr;
}

}  // namespace kv::imageconv
