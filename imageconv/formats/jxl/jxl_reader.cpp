#include "imageconv/formats/jxl/jxl_reader.h"

#include <jxl/decode.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "imageconv/colour/colour_to_srgb.h"
#include "imageconv/formats/jxl/jxl_runner.h"
#include "imageconv/memory/counted_memory.h"
#include "imageconv/memory/row_bands.h"
#include "imageconv/memory/write_ahead.h"

namespace kv::imageconv {
namespace {
// Bytes that tell a codestream (2) or a container (12) by its signature.
constexpr size_t kSignatureBytes = 12;

struct DecoderDeleter {
    void operator()(JxlDecoder* decoder) const { JxlDecoderDestroy(decoder); }
};
using Decoder = std::unique_ptr<JxlDecoder, DecoderDeleter>;

// Code points for what libjxl describes by name, where they say the same; false sends the
// caller to the ICC profile libjxl gives for any description.
bool CodePointsOf(const JxlColorEncoding& c, ColourDescription* colours) {
    const bool d65 = c.white_point == JXL_WHITE_POINT_D65;
    int primaries = 1;
    if (c.color_space == JXL_COLOR_SPACE_RGB) {
        if (c.primaries == JXL_PRIMARIES_SRGB && d65) {
            primaries = 1;
        } else if (c.primaries == JXL_PRIMARIES_2100 && d65) {
            primaries = 9;
        } else if (c.primaries == JXL_PRIMARIES_P3 &&
                   (d65 || c.white_point == JXL_WHITE_POINT_DCI)) {
            primaries = d65 ? 12 : 11;
        } else {
            return false;
        }
    } else if (c.color_space != JXL_COLOR_SPACE_GRAY || !d65) {
        return false;
    }
    switch (c.transfer_function) {
        case JXL_TRANSFER_FUNCTION_709:
        case JXL_TRANSFER_FUNCTION_UNKNOWN:
        case JXL_TRANSFER_FUNCTION_LINEAR:
        case JXL_TRANSFER_FUNCTION_SRGB:
        case JXL_TRANSFER_FUNCTION_PQ:
        case JXL_TRANSFER_FUNCTION_HLG:
            break;
        default:
            return false;
    }
    colours->hasCodePoints = true;
    colours->primaries = primaries;
    colours->transfer = int(c.transfer_function);
    return true;
}

// What the decoded samples are: the code points of a named description, else its ICC
// profile (kept in `icc`).
bool DescribeSamples(JxlDecoder* decoder, std::vector<uint8_t>* icc, ColourDescription* colours) {
    JxlColorEncoding encoding;
    if (JxlDecoderGetColorAsEncodedProfile(decoder, JXL_COLOR_PROFILE_TARGET_DATA, &encoding) ==
            JXL_DEC_SUCCESS &&
        CodePointsOf(encoding, colours)) {
        return true;
    }
    size_t size = 0;
    if (JxlDecoderGetICCProfileSize(decoder, JXL_COLOR_PROFILE_TARGET_DATA, &size) !=
            JXL_DEC_SUCCESS ||
        size > kMaxIccBytes) {
        return false;
    }
    icc->resize(size);
    if (JxlDecoderGetColorAsICCProfile(decoder, JXL_COLOR_PROFILE_TARGET_DATA, icc->data(), size) !=
        JXL_DEC_SUCCESS) {
        return false;
    }
    colours->icc = icc->data();
    colours->iccSize = size;
    return true;
}

// 16-bit colour rows, as libjxl hands them on (from any of its threads), into sRGB.
struct DeepRows {
    const SrgbConversion* conversion;
    RasterImage* target;
};

void ConvertDeepRow(void* opaque, size_t x, size_t y, size_t count, const void* pixels) {
    const auto* rows = static_cast<const DeepRows*>(opaque);
    rows->conversion->ConvertRow(static_cast<const uint16_t*>(pixels),
                                 rows->target->Row(int32_t(y)) + x * 3, int32_t(count));
}

}  // namespace

// The whole file is read and its header decoded before anything else: the size shown (after
// the orientation) is checked against the budget before any pixel storage is made. What
// libjxl holds while it decodes is counted as it allocates.
bool JxlReader::Open(const char* path, RasterImage* target) {
    Close();
    uint64_t fileSize = 0;
    uint8_t header[kSignatureBytes];
    if (!input_.Open(path) || !input_.Length(&fileSize) || fileSize < 2 ||
        !input_.Read(header, std::min<uint64_t>(fileSize, sizeof header))) {
        return false;
    }
    const JxlSignature kind =
        JxlSignatureCheck(header, std::min<uint64_t>(fileSize, sizeof header));
    if (kind != JXL_SIG_CODESTREAM && kind != JXL_SIG_CONTAINER) return false;
    if (!input_.ReadBlock(0, fileSize, &file_)) return false;
    input_.Close();
    const Decoder decoder(JxlDecoderCreate(nullptr));
    JxlBasicInfo info;
    if (!decoder ||
        JxlDecoderSubscribeEvents(decoder.get(), JXL_DEC_BASIC_INFO) != JXL_DEC_SUCCESS ||
        JxlDecoderSetInput(decoder.get(), file_.data(), file_.size()) != JXL_DEC_SUCCESS) {
        return false;
    }
    JxlDecoderCloseInput(decoder.get());
    if (JxlDecoderProcessInput(decoder.get()) != JXL_DEC_BASIC_INFO ||
        JxlDecoderGetBasicInfo(decoder.get(), &info) != JXL_DEC_SUCCESS) {
        return false;
    }
    // A CMYK picture keeps its black in an extra channel, which the colour rows lack: it is
    // refused rather than shown without its black.
    for (uint32_t i = 0; i < info.num_extra_channels; ++i) {
        JxlExtraChannelInfo channel;
        if (JxlDecoderGetExtraChannelInfo(decoder.get(), i, &channel) != JXL_DEC_SUCCESS ||
            channel.type == JXL_CHANNEL_BLACK) {
            return false;
        }
    }
    // Orientations 5 to 8 exchange width and height.
    const bool turned = info.orientation >= JXL_ORIENT_TRANSPOSE;
    const uint64_t width = turned ? info.ysize : info.xsize;
    const uint64_t height = turned ? info.xsize : info.ysize;
    if (!FitsDecodeBudget(width, height, 0)) return false;
    width_ = int32_t(width);
    height_ = int32_t(height);
    target_ = target;
    opened_ = true;
    return true;
}

bool JxlReader::Decode() {
    bool ok = false;
    // libjxl reports a refused allocation by std::bad_alloc too.
    try {
        const Decoder decoder(opened_ ? JxlDecoderCreate(nullptr) : nullptr);
        ok = decoder && DecodeFirstFrame(decoder.get());
    } catch (...) {
        ok = false;
    }
    if (ok) target_->Flush();
    Close();
    return ok;
}

// Decodes the first frame as shown into the image's storage: 8-bit red, green, blue rows
// straight from libjxl (grey replicated), converted to sRGB afterwards when the picture
// describes other colours; a deeper picture in other colours is converted from 16-bit rows
// as libjxl hands them on.
bool JxlReader::DecodeFirstFrame(JxlDecoder* decoder) {
    JxlRunner runner{size_t(SideBySideThreads())};
    if (JxlDecoderSubscribeEvents(decoder, JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING |
                                               JXL_DEC_FULL_IMAGE) != JXL_DEC_SUCCESS ||
        JxlDecoderSetParallelRunner(decoder, JxlRunner::Run, &runner) != JXL_DEC_SUCCESS ||
        JxlDecoderSetInput(decoder, file_.data(), file_.size()) != JXL_DEC_SUCCESS) {
        return false;
    }
    JxlDecoderCloseInput(decoder);
    JxlBasicInfo info = {};
    std::vector<uint8_t> icc;
    ColourDescription colours;
    SrgbConversion deep;
    DeepRows rows{&deep, target_};
    JxlPixelFormat format = {3, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    for (;;) {
        switch (JxlDecoderProcessInput(decoder)) {
            case JXL_DEC_BASIC_INFO:
                if (JxlDecoderGetBasicInfo(decoder, &info) != JXL_DEC_SUCCESS) return false;
                break;
            case JXL_DEC_COLOR_ENCODING: {
                // XYB pictures are turned by libjxl into the colours they were made in when
                // it can name them, else into linear sRGB: these it is asked for as sRGB.
                JxlColorEncoding original;
                ColourDescription named;
                if (!info.uses_original_profile &&
                    (JxlDecoderGetColorAsEncodedProfile(decoder, JXL_COLOR_PROFILE_TARGET_ORIGINAL,
                                                        &original) != JXL_DEC_SUCCESS ||
                     !CodePointsOf(original, &named))) {
                    JxlColorEncoding srgb = {};
                    srgb.color_space =
                        info.num_color_channels == 1 ? JXL_COLOR_SPACE_GRAY : JXL_COLOR_SPACE_RGB;
                    srgb.white_point = JXL_WHITE_POINT_D65;
                    srgb.primaries = JXL_PRIMARIES_SRGB;
                    srgb.transfer_function = JXL_TRANSFER_FUNCTION_SRGB;
                    srgb.rendering_intent = JXL_RENDERING_INTENT_PERCEPTUAL;
                    if (JxlDecoderSetPreferredColorProfile(decoder, &srgb) != JXL_DEC_SUCCESS) {
                        return false;
                    }
                }
                if (!DescribeSamples(decoder, &icc, &colours)) return false;
                if (info.bits_per_sample > 8 && info.num_color_channels == 3 &&
                    deep.Prepare(colours, Samples::kRgb16)) {
                    format.data_type = JXL_TYPE_UINT16;
                }
                break;
            }
            case JXL_DEC_NEED_IMAGE_OUT_BUFFER: {
                if (!target_->Create(width_, height_, 24, 0)) return false;
                TouchPages(target_->pixels(), target_->stride() * size_t(height_));
                const JxlDecoderStatus set =
                    format.data_type == JXL_TYPE_UINT16
                        ? JxlDecoderSetImageOutCallback(decoder, &format, ConvertDeepRow, &rows)
                        : JxlDecoderSetImageOutBuffer(decoder, &format, target_->pixels(),
                                                      target_->stride() * size_t(height_));
                if (set != JXL_DEC_SUCCESS) return false;
                break;
            }
            case JXL_DEC_FULL_IMAGE:
                // The first frame shown is all that is read.
                if (format.data_type == JXL_TYPE_UINT8) {
                    ConvertRowsToSrgb(
                        target_, colours,
                        info.num_color_channels == 1 ? Samples::kGreyAsRgb8 : Samples::kRgb8);
                }
                return true;
            default:
                // An error, or the end of the input before a whole frame.
                return false;
        }
    }
}

void JxlReader::Close() {
    input_.Close();
    file_.Release();
    target_ = nullptr;
    width_ = height_ = 0;
    opened_ = false;
}

}  // namespace kv::imageconv
