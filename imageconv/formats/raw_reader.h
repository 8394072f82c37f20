// Camera RAW files through LibRaw: never the sensor data, only the largest preview the camera
// embedded (JPEG through the JPEG reader, with its colours and budget, or a bitmap), turned
// upright by the RAW file's own orientation. A file LibRaw takes but whose previews are all
// unusable is refused whole.
#pragma once

#include <memory>

#include "imageconv/image_reader.h"

class LibRaw;
class LibRaw_abstract_datastream;

namespace kv::imageconv {

// True for the file name extensions cameras give their RAW files (".dng", ".nef", ".raf" and
// the like), in any letter case.
bool HasRawExtension(const char* path);

class RawReader : public ImageReader {
  public:
    RawReader();
    ~RawReader() override;

    // Recognises a file by its extension and LibRaw's reading of its metadata together, so
    // that a TIFF or JPEG photo keeps its own reader.
    bool Open(const char* path, RasterImage* target) override;
    bool Decode() override;
    void Close() override;

  private:
    int LargestPreview() const;
    bool ReadPreview(int index, RasterImage* stored);
    bool CopyBitmap(RasterImage* stored) const;

    // LibRaw reads the file through a stream of its own: the metadata and the preview, never
    // the whole file.
    std::unique_ptr<LibRaw_abstract_datastream> file_;
    std::unique_ptr<LibRaw> raw_;
    RasterImage* target_ = nullptr;
};

}  // namespace kv::imageconv
