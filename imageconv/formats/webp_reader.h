// WebP files through libwebp: lossy, lossless and with alpha (dropped), straight into a
// 24-bit image; an animated file gives its first frame as shown.
#pragma once

#include <cstdint>

#include "imageconv/formats/input_file.h"
#include "imageconv/image_reader.h"
#include "imageconv/memory/mapped_buffer.h"

namespace kv::imageconv {

class WebpReader : public ImageReader {
  public:
    ~WebpReader() override { Close(); }

    bool Open(const char* path, RasterImage* target) override;
    bool Decode() override;
    void Close() override;

  private:
    bool DecodeStill(const uint8_t* data, size_t size);
    bool DecodeFirstFrame(const uint8_t* data, size_t size);

    InputFile input_;
    MappedBuffer file_;  // the whole file, read by the open step
    RasterImage* target_ = nullptr;
    int32_t width_ = 0;
    int32_t height_ = 0;
    bool animated_ = false;
    bool opened_ = false;
};

}  // namespace kv::imageconv
