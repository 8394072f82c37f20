// Photo CD image pacs, base resolution (768 × 512) only, converted from the disc's
// luma/chroma encoding to red, green, blue.
#pragma once

#include <cstdint>

#include "imageconv/formats/input_file.h"
#include "imageconv/image_reader.h"

namespace kv::imageconv {

constexpr int32_t kPhotoCdWidth = 768;
constexpr int32_t kPhotoCdHeight = 512;

// Red, green and blue of one pixel from its luma and its (unbiased) chroma pair.
void PhotoCdPixel(int luma, int c1, int c2, uint8_t* rgb);

class PhotoCdReader : public ImageReader {
  public:
    ~PhotoCdReader() override { Close(); }

    bool Open(const char* path, RasterImage* target) override;
    bool Decode() override;
    void Close() override;

  private:
    bool ReadRows();

    InputFile input_;
    RasterImage* target_ = nullptr;
    bool opened_ = false;
};

}  // namespace kv::imageconv
