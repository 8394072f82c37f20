// The fuzz entries over the seed images and damaged copies of them: a short smoke run of
// every fuzz target inside the ordinary test run.
#include <gtest/gtest.h>

#include <chrono>
#include <set>

#include "tests/fuzz/imageconv/fuzz_entries.h"
#include "tests/host/imageconv/scratch_dir.h"
#include "tests/host/imageconv/seed_images.h"

namespace kv::imageconv::test {
namespace {

using fuzz::Target;

class FuzzReplayTest : public ScratchDirTest, public ::testing::WithParamInterface<Target> {};

// Each seed whole, cut at several points, and with bytes set through the header area and
// at points spread over the whole file (item tables and coded data sit anywhere).
std::vector<std::vector<uint8_t>> Variants(const std::vector<uint8_t>& seed) {
    std::vector<std::vector<uint8_t>> variants{seed};
    for (size_t cut : {size_t(1), size_t(8), size_t(30), seed.size() / 2, seed.size() - 1}) {
        if (cut < seed.size()) variants.emplace_back(seed.begin(), seed.begin() + cut);
    }
    std::set<size_t> points;
    for (size_t at = 0; at < 64; at += 8) points.insert(at);
    for (size_t n = 0; n < 24; ++n) points.insert(seed.size() * n / 24 + n % 7);
    for (size_t at : points) {
        if (at >= seed.size()) continue;
        for (uint8_t value : {uint8_t(0x00), uint8_t(0xFF)}) {
            std::vector<uint8_t> changed = seed;
            changed[at] = value;
            variants.push_back(std::move(changed));
        }
    }
    return variants;
}

TEST_P(FuzzReplayTest, SeedsAndDamagedSeedsRunCleanly) {
    int runs = 0;
    for (const auto& [name, seed] : SeedImages(Path(""))) {
        // A Photo CD input is only pixel data at a fixed place: damaged copies add nothing.
        const auto inputs = GetParam() == Target::kPhotoCd ? std::vector<std::vector<uint8_t>>{seed}
                                                           : Variants(seed);
        for (const auto& input : inputs) {
            const auto start = std::chrono::steady_clock::now();
            EXPECT_EQ(fuzz::RunTarget(GetParam(), input.data(), input.size()), 0) << name;
            // A bound no input stays over unless it is a time bomb, even with the sanitizers.
            EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10)) << name;
            ++runs;
        }
    }
    EXPECT_GT(runs, GetParam() == Target::kPhotoCd ? 15 : 300);
}

std::string TargetName(const ::testing::TestParamInfo<Target>& info) {
    static const char* const kNames[] = {"Jpeg", "Bmp",  "Tiff", "Png", "Pcx",         "PhotoCd",
                                         "Webp", "Heif", "Jxl",  "Raw", "Orientation", "AnyImage"};
    return kNames[int(info.param)];
}

INSTANTIATE_TEST_SUITE_P(EveryTarget, FuzzReplayTest,
                         ::testing::Values(Target::kJpeg, Target::kBmp, Target::kTiff, Target::kPng,
                                           Target::kPcx, Target::kPhotoCd, Target::kWebp,
                                           Target::kHeif, Target::kJxl, Target::kRaw,
                                           Target::kOrientation, Target::kAnyImage),
                         TargetName);

}  // namespace
}  // namespace kv::imageconv::test
