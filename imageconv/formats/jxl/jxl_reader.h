// JPEG XL files through libjxl, the bare codestream and the container alike: 8- and 16-bit,
// grey and colour, straight into a 24-bit image turned upright by the header's orientation;
// alpha is dropped, an animation gives its first frame as shown (its layers composed), and
// a progressive file is read whole. Colours are brought into sRGB.
#pragma once

#include <cstdint>

#include "imageconv/formats/input_file.h"
#include "imageconv/image_reader.h"
#include "imageconv/memory/mapped_buffer.h"

struct JxlDecoderStruct;

namespace kv::imageconv {

class JxlReader : public ImageReader {
  public:
    ~JxlReader() override { Close(); }

    bool Open(const char* path, RasterImage* target) override;
    bool Decode() override;
    void Close() override;

  private:
    bool DecodeFirstFrame(JxlDecoderStruct* decoder);

    InputFile input_;
    MappedBuffer file_;  // the whole file, read by the open step
    RasterImage* target_ = nullptr;
    int32_t width_ = 0;  // as shown, after the orientation
    int32_t height_ = 0;
    bool opened_ = false;
};

}  // namespace kv::imageconv
