// TIFF files through libtiff's RGBA interface: any file libtiff opens with a non-zero
// width and length becomes a 24-bit image, in sRGB when it carries another ICC profile
// (16-bit ones converted from their full samples). libtiff's messages are silenced.
#pragma once

#include <cstdint>
#include <string>

#include "imageconv/image_reader.h"

namespace kv::imageconv {

class TiffReader : public ImageReader {
  public:
    ~TiffReader() override { Close(); }

    bool Open(const char* path, RasterImage* target) override;
    bool Decode() override;
    void Close() override;

  private:
    bool ReadImage();

    void* tiff_ = nullptr;  // TIFF*
    std::string path_;      // opened again for decoders of their own
    RasterImage* target_ = nullptr;
    uint32_t width_ = 0;
    uint32_t height_ = 0;
    bool opened_ = false;
};

}  // namespace kv::imageconv
