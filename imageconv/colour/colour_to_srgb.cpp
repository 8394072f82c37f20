#include "imageconv/colour/colour_to_srgb.h"

// lcms2's header marks callback parameters `register`, which C++17 no longer has.
#define CMS_NO_REGISTER_KEYWORD 1
#include <lcms2.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "imageconv/memory/row_bands.h"

namespace kv::imageconv {
namespace {

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

bool WithinOneStep(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::abs(int(a[i]) - int(b[i])) > 1) return false;
    }
    return true;
}

// Linear light in fixed point: 1.0 is kOne.
constexpr int kLinearBits = 14;
constexpr int32_t kOne = 1 << kLinearBits;
// 16-bit samples index tables of 4096 levels: far finer than the 8-bit result needs.
constexpr int kDeepShift = 4;
constexpr int kDeepLevels = 65536 >> kDeepShift;

// The level a table entry stands for: 8-bit levels as they are, 16-bit ones at the middle of
// the samples that share the entry.
uint16_t LevelSample(int level, bool deep) {
    return uint16_t(deep ? level << kDeepShift | (1 << (kDeepShift - 1)) : level);
}

// Input levels (8-bit, or 16-bit ones shifted) looked up in tables, one pixel after another.
struct Lookup {
    bool deep = false;
    int step = 3;  // samples from one pixel to the next
    int Levels() const { return deep ? kDeepLevels : 256; }
    int Shift() const { return deep ? kDeepShift : 0; }
};

// The 8-bit sRGB level of each linear sum from `lowest` to `highest` (below 0 black, above
// kOne white). Levels only rise with the sum, so the first sum of each level is found from
// the decoding curve and checked with the encoding itself: a few encodings per level instead
// of one per sum, each a power that 32-bit code computes slowly.
std::vector<uint8_t> EncodeTable(int32_t lowest, int32_t highest) {
    const auto level = [](int32_t sum) {
        return int(std::lround(EncodeSrgb(double(sum) / kOne) * 255));
    };
    std::vector<uint8_t> encode(size_t(highest - lowest) + 1, 255);
    int32_t at = lowest;  // the first sum not yet given its level
    for (int v = 1; v <= 255 && at <= highest; ++v) {
        const int32_t floor = std::max(at, 0);
        int32_t first = std::clamp(int32_t(DecodeSrgb((v - 0.5) / 255) * kOne), floor, kOne);
        while (first > floor && level(first - 1) >= v) --first;
        while (first < kOne && level(first) < v) ++first;
        const int32_t end = std::min(first, highest + 1);
        if (end > at)
            std::fill(encode.begin() + (at - lowest), encode.begin() + (end - lowest), v - 1);
        at = std::max(at, end);
    }
    return encode;
}

// The conversion of a matrix-and-curves profile as table sums: each input level's
// contribution to the linear red, green and blue of sRGB, added up and encoded with the sRGB
// curve. Several times faster than lcms2's own evaluation of the same conversion.
struct MatrixShaper {
    struct Contribution {
        int32_t red, green, blue;
    };
    Lookup lookup;
    // The red, green and blue inputs' tables one after another. The red one's entries hold
    // minus the lowest sum besides, so that every sum indexes `encode` as it is: no clamping.
    std::vector<Contribution> from;
    std::vector<uint8_t> encode;

    // Each pixel is read whole before it is written: `in` may be `out`.
    template <typename Sample>
    void Convert(const Sample* in, uint8_t* out, int32_t width, int step) const {
        constexpr int shift = sizeof(Sample) == 1 ? 0 : kDeepShift;
        const Contribution* red = from.data();
        const Contribution* green = red + lookup.Levels();
        const Contribution* blue = green + lookup.Levels();
        const uint8_t* levels = encode.data();
        for (int32_t x = 0; x < width; ++x, in += step, out += 3) {
            const Contribution& r = red[in[0] >> shift];
            const Contribution& g = green[in[1] >> shift];
            const Contribution& b = blue[in[2] >> shift];
            out[0] = levels[r.red + g.red + b.red];
            out[1] = levels[r.green + g.green + b.green];
            out[2] = levels[r.blue + g.blue + b.blue];
        }
    }
    void ConvertAny(const void* in, uint8_t* out, int32_t width) const {
        if (lookup.deep) {
            Convert(static_cast<const uint16_t*>(in), out, width, lookup.step);
        } else {
            Convert(static_cast<const uint8_t*>(in), out, width, 3);
        }
    }
};

// Sums further apart than this (a profile far from any display's) are left to lcms2.
constexpr int64_t kWidestSums = int64_t(8) * kOne;

// The sample colours as the conversion reads them.
std::vector<uint16_t> AsInput(const std::vector<uint8_t>& colours, const Lookup& lookup) {
    std::vector<uint16_t> input;
    for (size_t i = 0; i < colours.size(); i += 3) {
        for (int c = 0; c < lookup.step; ++c) input.push_back(c < 3 ? colours[i + c] * 257 : 0);
    }
    return input;
}

// Reads the tables off the conversion into linear sRGB: each colour's ramp gives its column
// of the matrix (at full level) and its curve (the ramp's length along that column). They
// hold only if the result matches lcms2's conversion `reference` on the sample colours.
std::unique_ptr<MatrixShaper> MatrixShaperOf(void* source, void* reference, const Lookup& lookup) {
    const cmsCIExyY d65 = {0.3127, 0.3290, 1.0};
    const cmsCIExyYTRIPLE primaries = {{0.64, 0.33, 1.0}, {0.30, 0.60, 1.0}, {0.15, 0.06, 1.0}};
    cmsToneCurve* linear = cmsBuildGamma(nullptr, 1.0);
    if (!linear) return nullptr;
    cmsToneCurve* curves[3] = {linear, linear, linear};
    const Profile linearSrgb(cmsCreateRGBProfile(&d65, &primaries, curves));
    cmsFreeToneCurve(linear);
    if (!linearSrgb) return nullptr;
    const Transform toLinear(cmsCreateTransform(source, TYPE_RGB_16, linearSrgb.get(), TYPE_RGB_DBL,
                                                INTENT_PERCEPTUAL, cmsFLAGS_NOCACHE));
    if (!toLinear) return nullptr;
    const int levels = lookup.Levels();
    std::vector<uint16_t> ramps(size_t(levels) * 9, 0);
    for (int level = 0; level < levels; ++level) {
        const uint16_t sample = lookup.deep ? LevelSample(level, true) : uint16_t(level * 257);
        for (int c = 0; c < 3; ++c) ramps[size_t(level) * 9 + size_t(c) * 4] = sample;
    }
    std::vector<double> light(ramps.size());
    cmsDoTransform(toLinear.get(), ramps.data(), light.data(), cmsUInt32Number(levels * 3));
    auto tables = std::make_unique<MatrixShaper>();
    tables->lookup = lookup;
    tables->from.resize(size_t(levels) * 3);
    // Per output colour, the lowest and highest sum its three contributions can make.
    int64_t lowest[3] = {}, highest[3] = {};
    for (int c = 0; c < 3; ++c) {
        const double* column = &light[size_t(levels - 1) * 9 + size_t(c) * 3];
        const double length2 =
            column[0] * column[0] + column[1] * column[1] + column[2] * column[2];
        if (!(length2 > 0)) return nullptr;
        int64_t low[3] = {INT64_MAX, INT64_MAX, INT64_MAX},
                high[3] = {INT64_MIN, INT64_MIN, INT64_MIN};
        for (int level = 0; level < levels; ++level) {
            const double* out = &light[size_t(level) * 9 + size_t(c) * 3];
            const double along =
                (out[0] * column[0] + out[1] * column[1] + out[2] * column[2]) / length2;
            int32_t fixed[3];
            for (int k = 0; k < 3; ++k) {
                const double v = column[k] * along * kOne;
                if (!(std::fabs(v) <= double(kWidestSums))) return nullptr;
                fixed[k] = int32_t(std::lround(v));
                low[k] = std::min<int64_t>(low[k], fixed[k]);
                high[k] = std::max<int64_t>(high[k], fixed[k]);
            }
            tables->from[size_t(c) * size_t(levels) + size_t(level)] = {fixed[0], fixed[1],
                                                                        fixed[2]};
        }
        for (int k = 0; k < 3; ++k) {
            lowest[k] += low[k];
            highest[k] += high[k];
        }
    }
    const int64_t low = std::min({lowest[0], lowest[1], lowest[2], int64_t(0)});
    const int64_t high = std::max({highest[0], highest[1], highest[2], int64_t(kOne)});
    if (high - low > kWidestSums) return nullptr;
    for (int level = 0; level < levels; ++level) {
        MatrixShaper::Contribution& red = tables->from[size_t(level)];
        red = {int32_t(red.red - low), int32_t(red.green - low), int32_t(red.blue - low)};
    }
    tables->encode = EncodeTable(int32_t(low), int32_t(high));
    const std::vector<uint8_t> samples = SampleColours();
    const cmsUInt32Number count = cmsUInt32Number(samples.size() / 3);
    std::vector<uint8_t> ours(samples.size()), theirs(samples.size());
    if (lookup.deep) {
        const std::vector<uint16_t> input = AsInput(samples, lookup);
        tables->ConvertAny(input.data(), ours.data(), int32_t(count));
        cmsDoTransform(reference, input.data(), theirs.data(), count);
    } else {
        tables->ConvertAny(samples.data(), ours.data(), int32_t(count));
        cmsDoTransform(reference, samples.data(), theirs.data(), count);
    }
    if (!WithinOneStep(ours, theirs)) return nullptr;
    return tables;
}

cmsUInt32Number Format16(bool grey, int extraSamples) {
    return COLORSPACE_SH(grey ? PT_GRAY : PT_RGB) | CHANNELS_SH(grey ? 1 : 3) | BYTES_SH(2) |
           EXTRA_SH(extraSamples);
}

}  // namespace

struct SrgbConversion::State {
    Lookup lookup;
    std::unique_ptr<MatrixShaper> matrixShaper;
    std::vector<uint8_t> grey;  // a grey profile's colour of each input level
    Transform transform;        // lcms2's own, for other profiles

    void Convert(const void* in, uint8_t* out, int32_t width) const {
        if (matrixShaper) {
            matrixShaper->ConvertAny(in, out, width);
        } else if (!grey.empty()) {
            const int shift = lookup.Shift();
            for (int32_t x = 0; x < width; ++x, out += 3) {
                const unsigned level =
                    lookup.deep ? static_cast<const uint16_t*>(in)[size_t(x) * lookup.step]
                                : static_cast<const uint8_t*>(in)[size_t(x) * lookup.step];
                memcpy(out, &grey[size_t(level >> shift) * 3], 3);
            }
        } else {
            cmsDoTransform(transform.get(), in, out, cmsUInt32Number(width));
        }
    }
};

SrgbConversion::SrgbConversion() = default;
SrgbConversion::~SrgbConversion() = default;

void SrgbConversion::Reset() {
    state_.reset();
}

bool SrgbConversion::Prepare(const ColourDescription& colours, Samples samples, int extraSamples) {
    state_.reset();
    const Profile source = SourceProfile(colours);
    if (!source || extraSamples < 0 || extraSamples > 7) return false;
    const bool greyProfile = cmsGetColorSpace(source.get()) == cmsSigGrayData;
    const bool greySamples = samples == Samples::kGreyAsRgb8 || samples == Samples::kGrey16;
    if ((greyProfile && !greySamples) || (!greyProfile && samples == Samples::kGrey16)) {
        return false;
    }
    const Profile srgb(cmsCreate_sRGBProfile());
    if (!srgb) return false;
    auto state = std::make_unique<State>();
    Lookup& lookup = state->lookup;
    lookup.deep = samples == Samples::kRgb16 || samples == Samples::kGrey16;
    lookup.step = lookup.deep ? (greyProfile ? 1 : 3) + extraSamples : 3;
    // Whether the picture is sRGB already is decided on its 8-bit levels, converted by lcms2's
    // pipeline as it stands: a handful of colours, where preparing its optimised form would
    // evaluate the curves some fifty thousand times. That form is made only when it converts
    // the picture.
    const cmsUInt32Number levelFormat = greyProfile ? TYPE_GRAY_8 : TYPE_RGB_8;
    Transform levels(cmsCreateTransform(source.get(), levelFormat, srgb.get(), TYPE_RGB_8,
                                        INTENT_PERCEPTUAL, cmsFLAGS_NOOPTIMIZE));
    if (!levels) return false;
    const std::vector<uint8_t> sample = SampleColours();
    std::vector<uint8_t> converted(sample.size());
    if (greyProfile) {
        // The grey ramp is the sample's first 768 bytes, every fourth pixel.
        uint8_t ramp[256];
        for (int level = 0; level < 256; ++level) ramp[level] = uint8_t(level);
        std::vector<uint8_t> asGrey(768);
        for (size_t i = 0; i < asGrey.size(); ++i) asGrey[i] = uint8_t(i / 3);
        converted.resize(768);
        cmsDoTransform(levels.get(), ramp, converted.data(), 256);
        if (WithinOneStep(asGrey, converted)) return false;
    } else {
        cmsDoTransform(levels.get(), sample.data(), converted.data(),
                       cmsUInt32Number(sample.size() / 3));
        if (WithinOneStep(sample, converted)) return false;
    }
    // lcms2 takes 16-bit samples through a sampled grid that strays by a few steps near
    // black: tables are read off (and checked against) its exact conversion, and its own is
    // made, with its finest grid, only where they do not hold (the grid alone takes longer
    // than converting a small picture).
    Transform exact;
    const cmsUInt32Number format = Format16(greyProfile, extraSamples);
    if (lookup.deep) {
        exact.reset(cmsCreateTransform(source.get(), format, srgb.get(), TYPE_RGB_8,
                                       INTENT_PERCEPTUAL, cmsFLAGS_NOOPTIMIZE));
        if (!exact) return false;
    }
    if (greyProfile) {
        // One colour for each level, read off lcms2's conversion.
        std::vector<uint16_t> ramp;
        for (int level = 0; level < lookup.Levels(); ++level) {
            ramp.push_back(LevelSample(level, lookup.deep));
            ramp.insert(ramp.end(), size_t(lookup.deep ? extraSamples : 0), 0);
        }
        state->grey.resize(size_t(lookup.Levels()) * 3);
        if (lookup.deep) {
            cmsDoTransform(exact.get(), ramp.data(), state->grey.data(),
                           cmsUInt32Number(lookup.Levels()));
        } else {
            std::copy(converted.begin(), converted.end(), state->grey.begin());
        }
    } else {
        state->matrixShaper =
            MatrixShaperOf(source.get(), lookup.deep ? exact.get() : levels.get(), lookup);
        if (!state->matrixShaper) {
            levels.reset(lookup.deep
                             ? cmsCreateTransform(source.get(), format, srgb.get(), TYPE_RGB_8,
                                                  INTENT_PERCEPTUAL, cmsFLAGS_HIGHRESPRECALC)
                             : cmsCreateTransform(source.get(), levelFormat, srgb.get(), TYPE_RGB_8,
                                                  INTENT_PERCEPTUAL, 0));
            if (!levels) return false;
        }
        if (!state->matrixShaper) state->transform = std::move(levels);
    }
    state_ = std::move(state);
    return true;
}

void SrgbConversion::ConvertRows(RasterImage* image, int32_t first, int32_t count) const {
    if (!state_ || state_->lookup.deep || image->bits() != 24) return;
    for (int32_t y = first; y < first + count && y < image->height(); ++y) {
        // Same pixel size in and out: each row is converted where it lies.
        state_->Convert(image->Row(y), image->Row(y), image->width());
    }
}

void SrgbConversion::ConvertRow(const uint16_t* in, uint8_t* out, int32_t width) const {
    if (state_ && state_->lookup.deep) state_->Convert(in, out, width);
}

bool SrgbConversion::ready() const {
    return state_ && !state_->lookup.deep;
}

// Rows handed on together: waking the thread costs as much as converting a few rows.
constexpr int32_t kRowsPerBatch = 256;

void RowsToSrgb::Begin(const SrgbConversion* conversion, RasterImage* image) {
    Stop();
    conversion_ = conversion->ready() && image->bits() == 24 ? conversion : nullptr;
    image_ = image;
    handed_ = 0;
    decoded_ = 0;
    ending_ = dropped_ = false;
    // Without a thread of its own, Finish converts every row.
    running_ = conversion_ && task_.Start(Run, this);
}

void RowsToSrgb::Decoded(int32_t end) {
    if (!running_ || end - handed_ < kRowsPerBatch) return;
    handed_ = end;
    {
        std::lock_guard<std::mutex> held(lock_);
        decoded_ = end;
    }
    changed_.notify_one();
}

void RowsToSrgb::End(int32_t end, bool converting) {
    {
        std::lock_guard<std::mutex> held(lock_);
        decoded_ = end;
        ending_ = true;
        dropped_ = !converting;
    }
    changed_.notify_one();
    task_.Wait();
    running_ = false;
}

void RowsToSrgb::Finish() {
    if (running_) {
        End(image_->height(), true);
    } else if (conversion_) {
        conversion_->ConvertRows(image_, 0, image_->height());
    }
    conversion_ = nullptr;
}

void RowsToSrgb::Stop() {
    if (running_) End(handed_, false);
    conversion_ = nullptr;
}

void RowsToSrgb::Run(void* self) {
    auto* rows = static_cast<RowsToSrgb*>(self);
    for (int32_t converted = 0;;) {
        int32_t end = 0;
        {
            std::unique_lock<std::mutex> held(rows->lock_);
            rows->changed_.wait(held, [&] {
                return rows->dropped_ || rows->ending_ || rows->decoded_ > converted;
            });
            if (rows->dropped_) return;
            end = rows->decoded_;
        }
        if (end <= converted) return;  // ending, and every row is converted
        rows->conversion_->ConvertRows(rows->image_, converted, end - converted);
        converted = end;
    }
}

void ConvertRowsToSrgb(RasterImage* image, const ColourDescription& colours, Samples samples) {
    if (image->empty() || image->bits() != 24) return;
    SrgbConversion conversion;
    if (!conversion.Prepare(colours, samples)) return;
    // The conversion only reads its tables (lcms2's transforms may be shared by threads).
    ForEachRowBand(image->height(), image->width(), [&](int32_t first, int32_t count) {
        conversion.ConvertRows(image, first, count);
    });
}

}  // namespace kv::imageconv
