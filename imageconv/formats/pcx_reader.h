// PCX files: run-length coded lines of 8 bits per pixel (with the 256-colour palette at the
// end of the file) or of three 8-bit colour planes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "imageconv/formats/input_file.h"
#include "imageconv/image_reader.h"
#include "imageconv/memory/mapped_buffer.h"

namespace kv::imageconv {

// Decodes one run-length coded line of `lineLength` bytes from `data` starting at `*pos`,
// keeping its first `keep` bytes in `out` and dropping the rest. A run never continues into
// the next line. False when the data ends before the line is complete.
bool DecodePcxLine(const uint8_t* data, size_t size, size_t* pos, size_t lineLength, uint8_t* out,
                   size_t keep);

class PcxReader : public ImageReader {
  public:
    ~PcxReader() override { Close(); }

    bool Open(const char* path, RasterImage* target) override;
    bool Decode() override;
    void Close() override;

  private:
    // Reads the run-length data (after the header, up to `trailing` bytes before the end)
    // into `data`.
    bool ReadRunData(uint64_t trailing, MappedBuffer* data);
    bool DecodePaletted();
    bool DecodeThreePlanes();

    InputFile input_;
    RasterImage* target_ = nullptr;
    int32_t width_ = 0;
    int32_t height_ = 0;
    int bits_ = 0;
    size_t bytesPerLine_ = 0;
    size_t lineLength_ = 0;
    bool opened_ = false;
};

}  // namespace kv::imageconv
