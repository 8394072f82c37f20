#include "imageconv/convert_to_bmp.h"

#include "imageconv/bmp_writer.h"
#include "imageconv/formats/to_24bit.h"

namespace kv::imageconv {

int32_t ConvertFileToBmp(const char* source, const char* target) {
    if (!source || !target) return kArgumentMissing;
    RasterImage image;
    const int32_t loaded = LoadAnyImage(source, &image, true);
    if (loaded != kConverted) return loaded;
    const RasterImage* output = &image;
    RasterImage converted;
    if (image.bits() != 24) {
        // Without the 24-bit copy there is no BMP to write: that is a failure of the output,
        // not of reading the source.
        if (!converted.Create(image.width(), image.height(), 24, 0) ||
            !ConvertTo24Bit(image, &converted)) {
            return kBmpNotWritten;
        }
        image.Release();  // the source pixels are no longer needed
        output = &converted;
    }
    BmpWriter writer;
    if (!writer.OpenWrite(target, output, 24) || !writer.Write()) return kBmpNotWritten;
    return kConverted;
}

void KV_CDECL ConvertToBmp(ArgValue* result, int32_t count, ArgValue* args) {
    const char* source = count >= 1 && args ? args[0].value.text : nullptr;
    const char* target = count >= 2 && args ? args[1].value.text : nullptr;
    result->value.i64 = 0;
    result->value.i32 = ConvertFileToBmp(source, target);
    result->type = tag::kInt;
}

}  // namespace kv::imageconv
