// PNG files through libpng, read from our own stream: samples of 8 bits or fewer become
// 8-bit palette or grey images, 24-bit RGB or 32-bit alpha-first images; 24-bit ones in sRGB
// when the file describes other colours.
#pragma once

#include <cstdint>

#include "imageconv/formats/input_file.h"
#include "imageconv/image_reader.h"
#include "imageconv/memory/write_ahead.h"

namespace kv::imageconv {

class PngReader : public ImageReader {
  public:
    ~PngReader() override { Close(); }

    bool Open(const char* path, RasterImage* target) override;
    bool Decode() override;
    void Close() override;

  private:
    bool ReadHeader();
    bool ReadRows();

    InputFile input_;
    void* png_ = nullptr;   // png_structp
    void* info_ = nullptr;  // png_infop
    RasterImage* target_ = nullptr;
    int32_t width_ = 0;
    int32_t height_ = 0;
    int bits_ = 0;
    int paletteCount_ = 0;
    WriteAhead writeAhead_;  // the rows' pages made writable ahead of libpng
    bool opened_ = false;
};

}  // namespace kv::imageconv
