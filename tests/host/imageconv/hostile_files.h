// Small generated files that declare one size and make a library decode or allocate for
// another, or make a reader walk far more than they hold: each with the outcome its
// conversion must have and how far the converting process's peak memory may rise. The host
// test converts them under the sanitizers, the Windows test through the shipped build.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tests/host/imageconv/test_images.h"

namespace kv::imageconv::test {

struct HostileFile {
    const char* name;
    std::function<Bytes()> make;
    int32_t result;
    double megabytes;
};

// The rows. `scratch` is a file the generators may write and read back (pictures made
// through libjpeg).
std::vector<HostileFile> HostileFiles(const std::string& scratch);

// A plain 64 × 64 HEIC of 127 coded bytes, with the colour profile `icc` when given, and
// offset fields of `offsetBytes` in its item locations.
Bytes SmallHeic(const Bytes& icc = {}, int offsetBytes = 4);

}  // namespace kv::imageconv::test
