// HEIF files through libheif: HEIC (HEVC through libde265) and AVIF (AV1 through dav1d).
// The primary image, turned and mirrored as the file says, becomes a 24-bit image; alpha is
// dropped and samples of more than 8 bits are reduced to 8. libheif decodes a grid's tiles
// side by side on threads of its own; its exceptions stop in this reader.
#pragma once

#include <cstdint>

#include "imageconv/formats/input_file.h"
#include "imageconv/image_reader.h"

struct heif_context;
struct heif_image;
struct heif_image_handle;

namespace kv::imageconv {

struct HeifLayout;

class HeifReader : public ImageReader {
  public:
    ~HeifReader() override { Close(); }

    bool Open(const char* path, RasterImage* target) override;
    bool Decode() override;
    void Close() override;

    // What libheif reads through: our stream and where it stands.
    struct Stream {
        InputFile file;
        uint64_t size = 0;
        uint64_t position = 0;
    };

  private:
    bool ReadStructure(const HeifLayout& layout);
    bool CopyDecoded();

    Stream stream_;
    heif_context* context_ = nullptr;
    heif_image_handle* primary_ = nullptr;
    RasterImage* target_ = nullptr;
    int codecThreads_ = 0;  // the codec's workers inside one coded picture
    bool opened_ = false;
};

}  // namespace kv::imageconv
