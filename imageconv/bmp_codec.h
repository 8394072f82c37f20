// Windows bitmap files: reads uncompressed 24-bit BMPs (both header kinds, either row
// order) and writes images as 24-bit bottom-up BMPs.
#pragma once

#include <cstdint>
#include <cstdio>

#include "imageconv/image_reader.h"
#include "imageconv/formats/input_file.h"

namespace kv::imageconv {

class BmpCodec : public ImageReader {
  public:
    ~BmpCodec() override { Close(); }

    bool Open(const char* path, RasterImage* target) override;
    bool Decode() override;
    void Close() override;

    // Creates `path` afresh (never writing through an existing name, which may be a link to
    // another file) for writing `image` at `bits` per pixel (only 24).
    bool OpenWrite(const char* path, const RasterImage* image, int bits);
    // Writes both headers and the rows bottom-up; a failed write leaves the partial file.
    bool Write();

  private:
    InputFile input_;
    RasterImage* target_ = nullptr;
    int32_t width_ = 0;
    int32_t height_ = 0;
    bool topDown_ = false;
    uint32_t pixelOffset_ = 0;
    bool opened_ = false;

    FILE* output_ = nullptr;
    const RasterImage* source_ = nullptr;
};

}  // namespace kv::imageconv
