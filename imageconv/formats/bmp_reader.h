// Windows bitmap files: reads uncompressed 24-bit BMPs (both header kinds, either row order).
#pragma once

#include <cstdint>

#include "imageconv/formats/input_file.h"
#include "imageconv/image_reader.h"

namespace kv::imageconv {

class BmpReader : public ImageReader {
  public:
    ~BmpReader() override { Close(); }

    bool Open(const char* path, RasterImage* target) override;
    bool Decode() override;
    void Close() override;

  private:
    InputFile input_;
    RasterImage* target_ = nullptr;
    int32_t width_ = 0;
    int32_t height_ = 0;
    bool topDown_ = false;
    uint32_t pixelOffset_ = 0;
    bool opened_ = false;
};

}  // namespace kv::imageconv
