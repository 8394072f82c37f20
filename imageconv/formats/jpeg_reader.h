// JPEG files through libjpeg: grey files become 8-bit grey images, colour files 24-bit,
// turned and mirrored upright as their EXIF orientation says, in sRGB when they carry another
// ICC profile.
// Every libjpeg error comes back here as a failed step; its messages are never shown.
#pragma once

#include <csetjmp>
#include <cstdio>
// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

#include "imageconv/colour/colour_to_srgb.h"
#include "imageconv/formats/input_file.h"
#include "imageconv/image_reader.h"
#include "imageconv/memory/write_ahead.h"

namespace kv::imageconv {

class JpegReader : public ImageReader {
  public:
    JpegReader();
    ~JpegReader() override { Close(); }

    bool Open(const char* path, RasterImage* target) override;
    // A JPEG stream in memory, as cameras embed their previews in RAW files: its own EXIF
    // orientation is not applied (the RAW file's counts), and a stream that ends before its
    // last row is refused rather than shown in part. The bytes must outlive the decoding.
    bool OpenPreview(const uint8_t* data, size_t size, RasterImage* target);
    bool Decode() override;
    void Close() override;

    // The jump target of the replaced fatal-error exit.
    struct ErrorManager {
        jpeg_error_mgr standard;
        jmp_buf jump;
        bool endedEarly;  // libjpeg ran out of data and made up the rest
    };

  private:
    bool StartDecompress();
    bool ReadRows(RasterImage* image);

    InputFile input_;
    const uint8_t* preview_ = nullptr;  // the stream in memory, when it is a preview
    size_t previewSize_ = 0;
    jpeg_decompress_struct decompressor_;
    ErrorManager errors_;
    bool created_ = false;
    RasterImage* target_ = nullptr;
    int orientation_ = 1;    // EXIF orientation, 1 = as stored
    SrgbConversion colour_;  // from the ICC profile, applied as the rows are decoded
    RowsToSrgb rowsToSrgb_;
    WriteAhead writeAhead_;  // the rows' pages made writable ahead of the decoder
    bool opened_ = false;
};

}  // namespace kv::imageconv
