#include "imageconv/bmp_codec.h"
#include "imageconv/convert_to_bmp.h"
#include "imageconv/heif_reader.h"
#include "imageconv/jpeg_reader.h"
#include "imageconv/pcx_reader.h"
#include "imageconv/photocd_reader.h"
#include "imageconv/platform.h"
#include "imageconv/png_reader.h"
#include "imageconv/tiff_reader.h"
#include "imageconv/webp_reader.h"

namespace kv::imageconv {

int32_t LoadAnyImage(const char* path, RasterImage* image, bool trueColour) {
    if (!PathExists(path)) return kSourceMissing;
    JpegReader jpeg;
    BmpCodec bmp;
    TiffReader tiff;
    PngReader png;
    PcxReader pcx;
    PhotoCdReader photoCd;
    // The newer formats come last, so that every file the first six accept reads as before.
    WebpReader webp;
    HeifReader heif;
    ImageReader* readers[] = {&jpeg, &bmp, &tiff, &png, &pcx, &photoCd, &webp, &heif};
    for (ImageReader* reader : readers) {
        reader->set_true_colour(trueColour);
        const bool recognised = reader->Open(path, image);
        if (recognised) {
            // Decoding closes the reader, whatever its outcome.
            return reader->Decode() ? kConverted : kNotDecoded;
        }
        reader->Close();
    }
    return kNotDecoded;
}

}  // namespace kv::imageconv
