// One entry per fuzzed reader, plus the whole chain: each writes the input to a file in a
// private folder (also the temporary directory for backing files), runs the reader over it
// and aborts if anything is left behind (the RAW entry's file is named as a RAW photo). The
// orientation entry checks the EXIF parser and the turning of images instead.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kv::imageconv::fuzz {

enum class Target {
    kJpeg,
    kBmp,
    kTiff,
    kPng,
    kPcx,
    kPhotoCd,
    kWebp,
    kHeif,
    kJxl,
    kRaw,
    kOrientation,
    kAnyImage
};

// Runs one input; always answers 0 (libFuzzer's convention). Faults show as sanitizer
// reports or an abort.
int RunTarget(Target target, const uint8_t* data, size_t size);

}  // namespace kv::imageconv::fuzz
