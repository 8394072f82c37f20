// The libraries' vector code chosen at run time by what the processor offers: libde265's
// transforms (up to AVX2 and AVX-512) and libjxl's (SSE2, SSE4, AVX2) must decode a picture
// as their narrower ones do.
#include <gtest/gtest.h>
#include <hwy/targets.h>
#include <libde265/de265.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "imageconv/convert_to_bmp.h"
#include "imageconv/raster_image.h"
#include "tests/host/imageconv/test_images.h"

namespace kv::imageconv::test {
namespace {

// A HEIC photo's coded picture as NAL units: the parameter sets its hvcC box keeps, then the
// length-prefixed units of its data.
std::vector<Bytes> NalUnits(const Bytes& heic) {
    const Bytes config = BoxBody(heic, "hvcC");
    const Bytes data = BoxBody(heic, "mdat");
    std::vector<Bytes> units;
    if (config.size() < 23) return units;
    const size_t lengthBytes = (config[21] & 3) + 1;
    size_t at = 23;
    for (int array = 0; array < config[22] && at + 3 <= config.size(); ++array) {
        const size_t count = config[at + 1] << 8 | config[at + 2];
        at += 3;
        for (size_t i = 0; i < count && at + 2 <= config.size(); ++i) {
            const size_t length = config[at] << 8 | config[at + 1];
            at += 2;
            if (at + length > config.size()) return {};
            units.emplace_back(config.begin() + at, config.begin() + at + length);
            at += length;
        }
    }
    for (size_t at = 0; at + lengthBytes <= data.size();) {
        size_t length = 0;
        for (size_t i = 0; i < lengthBytes; ++i) length = length << 8 | data[at + i];
        at += lengthBytes;
        if (at + length > data.size()) return {};
        units.emplace_back(data.begin() + at, data.begin() + at + length);
        at += length;
    }
    return units;
}

// Every sample of the decoded picture, its planes one after the other.
Bytes Decode(const std::vector<Bytes>& units, de265_acceleration kernels) {
    de265_decoder_context* decoder = de265_new_decoder();
    if (!decoder) return {};
    de265_set_parameter_int(decoder, DE265_DECODER_PARAM_ACCELERATION_CODE, kernels);
    for (const Bytes& unit : units)
        de265_push_NAL(decoder, unit.data(), int(unit.size()), 0, nullptr);
    de265_flush_data(decoder);
    // Decoded until the picture comes out (the decoder keeps saying there is more while a
    // picture waits to be taken).
    const de265_image* picture = nullptr;
    for (int more = 1; more && !picture && de265_isOK(de265_decode(decoder, &more));) {
        picture = de265_get_next_picture(decoder);
    }
    Bytes samples;
    if (picture) {
        for (int plane = 0; plane < 3; ++plane) {
            int stride = 0;
            const uint8_t* rows = de265_get_image_plane(picture, plane, &stride);
            const int width = de265_get_image_width(picture, plane);
            for (int y = 0; rows && y < de265_get_image_height(picture, plane); ++y) {
                samples.insert(samples.end(), rows + size_t(y) * stride,
                               rows + size_t(y) * stride + width);
            }
        }
    }
    de265_free_decoder(decoder);
    return samples;
}

TEST(HevcKernels, EveryInstructionSetDecodesAPhotoToTheSameSamples) {
    const std::vector<Bytes> units = NalUnits(ReadFile(DataFile("example.heic")));
    ASSERT_GE(units.size(), 4u);
    const Bytes widest = Decode(units, de265_acceleration_AUTO);
    // 1280 × 854 in 4:2:0.
    ASSERT_EQ(widest.size(), 1280u * 854 * 3 / 2);
    EXPECT_EQ(Decode(units, de265_acceleration_SSE4), widest);
    EXPECT_EQ(Decode(units, de265_acceleration_SCALAR), widest);
}

// The picture our reader makes of `name`, its rows one after the other; empty when it fails.
Bytes ReadPixels(const char* name) {
    RasterImage image;
    if (LoadAnyImage(DataFile(name).c_str(), &image, true) != kConverted) return {};
    Bytes pixels;
    const size_t rowBytes = size_t(image.width()) * size_t(image.bits() / 8);
    for (int32_t y = 0; y < image.height(); ++y) {
        pixels.insert(pixels.end(), image.Row(y), image.Row(y) + rowBytes);
    }
    return pixels;
}

// Lossless pictures come out the same to the bit; a lossy one's samples may differ by one,
// for AVX2 multiplies and adds in one step, rounding once where SSE rounds twice.
TEST(VectorKernels, EveryInstructionSetDecodesAJpegXlPictureAlike) {
    for (const auto& [name, tolerance] : {std::pair{"seed.jxl", 1}, {"seed-lossless.jxl", 0}}) {
        const Bytes widest = ReadPixels(name);
        ASSERT_FALSE(widest.empty()) << name;
        for (const int64_t narrower : {int64_t(HWY_SSE4), int64_t(HWY_SSE2)}) {
            hwy::SetSupportedTargetsForTest(narrower & hwy::SupportedTargets());
            const Bytes pixels = ReadPixels(name);
            hwy::SetSupportedTargetsForTest(0);
            ASSERT_EQ(pixels.size(), widest.size()) << name;
            int worst = 0;
            for (size_t i = 0; i < pixels.size(); ++i) {
                worst = std::max(worst, std::abs(pixels[i] - widest[i]));
            }
            EXPECT_LE(worst, tolerance) << name << " with target " << narrower;
        }
    }
}

}  // namespace
}  // namespace kv::imageconv::test
