// The steps every format reader offers to LoadAnyImage.
#pragma once

#include "imageconv/raster_image.h"

namespace kv::imageconv {

class ImageReader {
  public:
    virtual ~ImageReader() = default;
    // Checks the signature or header and remembers the image size; false = not this format.
    virtual bool Open(const char* path, RasterImage* target) = 0;
    // Creates and fills the target, flushes it and closes the reader.
    virtual bool Decode() = 0;
    // Releases the stream and any format-library state; safe to call again.
    virtual void Close() = 0;

    // Asks for a 24-bit image whatever the file stores: palette, grey and alpha pictures are
    // turned into red, green, blue row by row as they are decoded, with no second image.
    void set_true_colour(bool trueColour) { trueColour_ = trueColour; }

  protected:
    bool trueColour_ = false;
};

}  // namespace kv::imageconv
