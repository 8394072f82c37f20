// Replays the template fuzz entry over the program's own block and deterministic damage of
// it (bit flips, byte overwrites with boundary values, truncations): nothing may crash or
// read outside the block (the host build runs under the address sanitizer).
#include <gtest/gtest.h>

#include <random>

#include "app/start_window.h"
#include "forms/template_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

TEST(TemplateFuzzReplay, DamagedCopiesOfTheProgramBlockNeverCrash) {
    const auto seed = kv::app::BuildStartWindowBlock(0x401004, {});
    std::mt19937 random(1234);
    const uint8_t boundaries[] = {0x00, 0x01, 0x7F, 0x80, 0xFF};
    int refused = 0;
    for (int round = 0; round < 4000; ++round) {
        std::vector<uint8_t> input = seed;
        int edits = 1 + int(random() % 4);
        for (int e = 0; e < edits; ++e) {
            size_t at = random() % input.size();
            if (random() % 2) {
                input[at] ^= uint8_t(1u << (random() % 8));
            } else {
                input[at] = boundaries[random() % 5];
            }
        }
        if (random() % 4 == 0) input.resize(random() % input.size());
        // A heap copy of exactly the input size, so any over-read is caught.
        std::vector<uint8_t> exact(input.begin(), input.end());
        LLVMFuzzerTestOneInput(exact.data(), exact.size());
        kv::forms::FormMap map;
        if (!kv::forms::ReadTemplateBlock(exact.data(), uint32_t(exact.size()), 0, &map)) {
            ++refused;
        }
    }
    EXPECT_GT(refused, 0);
}

}  // namespace
