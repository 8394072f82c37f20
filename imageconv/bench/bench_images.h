// The benchmark's input images, made on the spot in a work folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kv::imageconv::bench {

struct BenchImage {
    std::string label;  // e.g. "JPEG colour"
    std::string path;
    int width = 0, height = 0;
    // Bytes of image storage the conversion needs by design (images and scratch blocks).
    uint64_t designBytes = 0;
};

// Writes every benchmark image at the given scale ("large": 6000 × 4000, PCX 4000 × 3000,
// and a 12-megapixel phone photo as JPEG and grid HEIC; "small": 640 × 480) unless it
// already exists.
std::vector<BenchImage> MakeBenchImages(const std::string& dir, bool large);

}  // namespace kv::imageconv::bench
