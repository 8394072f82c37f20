// Windows bitmap files: writes images as 24-bit bottom-up BMPs.
#pragma once

#include <cstdio>

#include "imageconv/raster_image.h"

namespace kv::imageconv {

class BmpWriter {
  public:
    BmpWriter() = default;
    BmpWriter(const BmpWriter&) = delete;
    BmpWriter& operator=(const BmpWriter&) = delete;
    ~BmpWriter() { Close(); }

    // Creates `path` afresh (never writing through an existing name, which may be a link to
    // another file) for writing `image` at `bits` per pixel (only 24).
    bool OpenWrite(const char* path, const RasterImage* image, int bits);
    // Writes both headers and the rows bottom-up; a failed write leaves the partial file.
    bool Write();

  private:
    void Close();

    FILE* output_ = nullptr;
    const RasterImage* source_ = nullptr;
};

}  // namespace kv::imageconv
