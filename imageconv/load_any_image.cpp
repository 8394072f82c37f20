#include "imageconv/convert_to_bmp.h"
#include "imageconv/formats/bmp_reader.h"
#include "imageconv/formats/heif/heif_reader.h"
#include "imageconv/formats/jpeg_reader.h"
#include "imageconv/formats/jxl/jxl_reader.h"
#include "imageconv/formats/pcx_reader.h"
#include "imageconv/formats/photocd_reader.h"
#include "imageconv/formats/png_reader.h"
#include "imageconv/formats/raw_reader.h"
#include "imageconv/formats/tiff_reader.h"
#include "imageconv/formats/webp_reader.h"
#include "imageconv/memory/counted_memory.h"
#include "imageconv/memory/platform.h"

namespace kv::imageconv {

int32_t LoadAnyImage(const char* path, RasterImage* image, bool trueColour) {
    if (!PathExists(path)) return kSourceMissing;
    JpegReader jpeg;
    BmpReader bmp;
    TiffReader tiff;
    PngReader png;
    PcxReader pcx;
    PhotoCdReader photoCd;
    // RAW photos first, as most are TIFF structures: only files named as RAW photos are tried.
    // The other newer formats come last, so that every file the first six accept reads as before.
    RawReader raw;
    WebpReader webp;
    HeifReader heif;
    JxlReader jxl;
    ImageReader* readers[] = {&raw, &jpeg, &bmp, &tiff, &png, &pcx, &photoCd, &webp, &heif, &jxl};
    // Everything the readers and their libraries allocate from here on is counted.
    CountedMemory budget;
    for (ImageReader* reader : readers) {
        // An allocation refused under the budget throws from our own code as from a C++
        // library's; the file is then refused like any the reader cannot decode.
        try {
            reader->set_true_colour(trueColour);
            // The libraries take a refused allocation for absent data where it is optional
            // (a colour profile, say): a picture that needed one is refused, never shown
            // otherwise.
            const uint64_t refused = RefusedAllocations();
            const bool recognised = reader->Open(path, image);
            if (recognised) {
                // Decoding closes the reader, whatever its outcome.
                if (reader->Decode() && RefusedAllocations() == refused) return kConverted;
                image->Release();
                return kNotDecoded;
            }
        } catch (...) {
            reader->Close();
            image->Release();
            return kNotDecoded;
        }
        reader->Close();
    }
    return kNotDecoded;
}

}  // namespace kv::imageconv
