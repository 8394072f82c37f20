// A small image of every readable kind (and a few near misses), as file contents: the seed
// inputs of the fuzz targets and of their replay test.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace kv::imageconv::test {

// (name, bytes); `scratch` is a folder where the library-written formats are made.
std::vector<std::pair<std::string, std::vector<uint8_t>>> SeedImages(const std::string& scratch);

}  // namespace kv::imageconv::test
