// What a picture says about its colours, the lcms2 profile that describes it, and lcms2's handles.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace kv::imageconv {

// An ICC profile; or coding-independent code points (colour primaries and transfer
// characteristics, as numbered for video, HEIF `nclx` and PNG `cICP`); or PNG's `gAMA` and
// `cHRM`. The first one given counts.
struct ColourDescription {
    const uint8_t* icc = nullptr;
    size_t iccSize = 0;
    bool hasCodePoints = false;
    int primaries = 2;  // 2: unspecified
    int transfer = 2;
    // The power samples were encoded with (gAMA; 0: not given) and the white point and red,
    // green, blue primaries as x, y pairs (cHRM; all 0: not given).
    double encodingGamma = 0;
    double chromaticities[8] = {};
};

// White point and red, green, blue chromaticities (x, y).
struct Chromaticities {
    double white[2], red[2], green[2], blue[2];
};

// The chromaticities of coded primaries; sRGB's (BT.709) for 1, 2 and codes not known here.
Chromaticities PrimariesOf(int code);

// Linear light (0–1) encoded with the sRGB curve (0–1), and back.
double EncodeSrgb(double linear);
double DecodeSrgb(double code);

// The high-dynamic-range curves brought to SDR: PQ (16) and HLG (18).
bool IsHdrTransfer(int transfer);

// An HDR code value (0–1) as relative SDR linear light (0–1): the curve's display light (HLG
// through the BT.2100 reference OOTF for a 1000 cd/m² display) is brought into a 203 cd/m²
// SDR white by the BT.2390 EETF (a Hermite knee in the PQ domain, mastering peak 1000 cd/m²).
double HdrToSdrLinear(int transfer, double code);

struct ProfileCloser {
    void operator()(void* profile) const;
};
using Profile = std::unique_ptr<void, ProfileCloser>;  // an lcms2 cmsHPROFILE
struct TransformDeleter {
    void operator()(void* transform) const;
};
using Transform = std::unique_ptr<void, TransformDeleter>;  // an lcms2 cmsHTRANSFORM

// The source profile of a description; empty when it describes nothing, sRGB as displays show
// it, or nothing lcms2 can use. ICC profiles larger than `kMaxIccBytes` are not read.
constexpr size_t kMaxIccBytes = 8u << 20;
Profile SourceProfile(const ColourDescription& colours);

}  // namespace kv::imageconv
