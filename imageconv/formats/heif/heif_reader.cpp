#include "imageconv/formats/heif/heif_reader.h"

#include <libheif/heif.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "imageconv/colour/colour_to_srgb.h"
#include "imageconv/formats/heif/heif_layout.h"
#include "imageconv/formats/heif/heif_planes.h"
#include "imageconv/memory/row_bands.h"

namespace kv::imageconv {
namespace {
// Bytes that hold the leading file-type box's size, name and main brand.
constexpr int kFileTypeBytes = 12;

HeifReader::Stream* StreamOf(void* user) {
    return static_cast<HeifReader::Stream*>(user);
}

int64_t Position(void* user) {
    return int64_t(StreamOf(user)->position);
}

// libheif's callbacks answer 0 for success.
int Read(void* data, size_t size, void* user) {
    HeifReader::Stream* stream = StreamOf(user);
    if (!stream->file.Read(data, size)) return 1;
    stream->position += size;
    return 0;
}

int Seek(int64_t position, void* user) {
    HeifReader::Stream* stream = StreamOf(user);
    if (position < 0 || !stream->file.Seek(uint64_t(position))) return 1;
    stream->position = uint64_t(position);
    return 0;
}

heif_reader_grow_status WaitForFileSize(int64_t size, void* user) {
    return size >= 0 && uint64_t(size) <= StreamOf(user)->size
               ? heif_reader_grow_status_size_reached
               : heif_reader_grow_status_size_beyond_eof;
}

// Version 1 of the reader interface: the later members (range requests) stay unset.
const heif_reader kStreamReader = {1,       Position, Read,    Seek,   WaitForFileSize,
                                   nullptr, nullptr,  nullptr, nullptr};

bool Succeeded(const heif_error& error) {
    return error.code == heif_error_Ok;
}

// The conversion into sRGB from the image's ICC profile, else its nclx code points: those of
// its colr box, else those the coded stream carries (an AV1 sequence header).
void PrepareSrgb(const heif_image_handle* handle, const heif_image* decoded,
                 SrgbConversion* colour) {
    std::vector<uint8_t> icc(heif_image_handle_get_raw_color_profile_size(handle));
    ColourDescription colours;
    heif_color_profile_nclx* nclx = nullptr;
    if (!icc.empty() && Succeeded(heif_image_handle_get_raw_color_profile(handle, icc.data()))) {
        colours.icc = icc.data();
        colours.iccSize = icc.size();
    } else if ((Succeeded(heif_image_handle_get_nclx_color_profile(handle, &nclx)) ||
                Succeeded(heif_image_get_nclx_color_profile(decoded, &nclx))) &&
               nclx) {
        colours.hasCodePoints = true;
        colours.primaries = nclx->color_primaries;
        colours.transfer = nclx->transfer_characteristics;
    }
    heif_nclx_color_profile_free(nclx);
    const bool grey = heif_image_get_colorspace(decoded) == heif_colorspace_monochrome;
    colour->Prepare(colours, grey ? Samples::kGreyAsRgb8 : Samples::kRgb8);
}
}  // namespace

bool HeifReader::Open(const char* path, RasterImage* target) {
    Close();
    if (!stream_.file.Open(path) || !stream_.file.Length(&stream_.size)) return false;
    uint8_t header[kFileTypeBytes];
    if (!stream_.file.Read(header, sizeof header)) return false;
    // HEIC and AVIF main brands, or the general HEIF image brand whose content decides.
    const heif_filetype_result kind = heif_check_filetype(header, sizeof header);
    if (kind != heif_filetype_yes_supported && kind != heif_filetype_maybe) return false;
    target_ = target;
    // libheif reports failures by C++ exceptions too (allocation, its threads), and the box
    // reader's allocations may be refused: they end here as a refused file.
    try {
        HeifLayout layout;
        opened_ = ReadHeifLayout(&stream_.file, stream_.size, &layout) && stream_.file.Seek(0) &&
                  ReadStructure(layout);
    } catch (...) {
        opened_ = false;
    }
    return opened_;
}

// Reads the file's boxes (not the coded pixels) and refuses, before anything is decoded, a
// primary image whose decode would not fit the budget: the picture libheif composes (a
// grid or overlay at its composed size, else the coded picture, else the declared size)
// is stored at 24 bits, while libheif holds its planes and each decoder at work its coded
// pictures. The larger of the coded and the declared size counts.
bool HeifReader::ReadStructure(const HeifLayout& layout) {
    context_ = heif_context_alloc();
    if (!context_) return false;
    // libheif's own limits, tightened to what a conversion may hold: no picture larger
    // than our storage takes, no single block beyond the library budget.
    heif_security_limits* limits = heif_context_get_security_limits(context_);
    if (!limits) return false;
    limits->max_image_size_pixels =
        std::min<uint64_t>(limits->max_image_size_pixels, kMaxBlockBytes / 3);
    limits->max_memory_block_size =
        std::min<uint64_t>(limits->max_memory_block_size, kLibraryBudget);
    limits->max_color_profile_size =
        uint32_t(std::min<uint64_t>(limits->max_color_profile_size, kLibraryBudget));
    if (!Succeeded(heif_context_read_from_reader(context_, &kStreamReader, &stream_, nullptr)) ||
        !Succeeded(heif_context_get_primary_image_handle(context_, &primary_))) {
        return false;
    }
    const CodedPicture& coded = layout.largestCoded;
    CodedPicture picture = coded;
    const uint64_t declaredWidth = uint64_t(heif_image_handle_get_width(primary_));
    const uint64_t declaredHeight = uint64_t(heif_image_handle_get_height(primary_));
    if (layout.composedWidth > 0) {
        picture.width = layout.composedWidth;
        picture.height = layout.composedHeight;
    } else if (declaredWidth * declaredHeight > coded.width * coded.height) {
        picture.width = declaredWidth;
        picture.height = declaredHeight;
    }
    // Each factor is below 2^32 and the sizes are checked first, so nothing overflows.
    if (picture.width >= (1ull << 31) || picture.height >= (1ull << 31) ||
        coded.width >= (1ull << 31) || coded.height >= (1ull << 31)) {
        return false;
    }
    const uint64_t planes = picture.width * picture.height * picture.eighthsPerPixel / 8;
    const uint64_t decoder = 2 * coded.width * coded.height * coded.eighthsPerPixel / 8;
    const uint64_t fixed = planes + layout.derivedBytes;
    if (!FitsDecodeBudget(picture.width, picture.height, fixed + decoder)) return false;
    // A composed picture's tiles are decoded on as many threads as the machine has cores,
    // each holding a decoder of its own, as far as the budget takes them; a single coded
    // picture's rows may be decoded side by side by the codec's own workers (HEVC coded with
    // wavefronts), which hold no picture of their own.
    const uint64_t cores = uint64_t(SideBySideThreads());
    const bool composed = layout.composedWidth > 0;
    uint64_t threads = composed ? cores : 0;
    while (threads > 1 &&
           !FitsDecodeBudget(picture.width, picture.height, fixed + threads * decoder)) {
        --threads;
    }
    // Zero decodes the tiles one after the other on this thread.
    heif_context_set_max_decoding_threads(context_, threads > 1 ? int(threads) : 0);
    codecThreads_ = !composed && cores > 1 ? int(cores) : 0;
    return true;
}

bool HeifReader::Decode() {
    bool ok = false;
    try {
        ok = opened_ && CopyDecoded();
    } catch (...) {
        ok = false;
    }
    Close();
    return ok;
}

bool HeifReader::CopyDecoded() {
    // libheif applies the file's rotation, mirroring and cropping to the decoded planes;
    // turning them into red, green, blue is done here, row by row into our storage, so that
    // no second whole-picture copy is made (alpha is left out).
    // Strict: a tile or slice that fails to decode fails the picture, instead of a picture
    // with holes whose content the library leaves undefined.
    const std::unique_ptr<heif_decoding_options, void (*)(heif_decoding_options*)> options(
        heif_decoding_options_alloc(), heif_decoding_options_free);
    if (!options) return false;
    options->strict_decoding = 1;
    options->codec_threads = codecThreads_;
    heif_image* decoded = nullptr;
    const bool ok = Succeeded(heif_decode_image(primary_, &decoded, heif_colorspace_undefined,
                                                heif_chroma_undefined, options.get()));
    // Held from here: the conversion below may be refused an allocation and throw.
    const std::unique_ptr<heif_image, void (*)(const heif_image*)> image(decoded,
                                                                         heif_image_release);
    if (!ok) return false;
    SrgbConversion colour;
    PrepareSrgb(primary_, image.get(), &colour);
    if (!PlanesTo24Bit(image.get(), primary_, colour, target_)) return false;
    target_->Flush();
    return true;
}

void HeifReader::Close() {
    if (primary_) heif_image_handle_release(primary_);
    if (context_) heif_context_free(context_);
    primary_ = nullptr;
    context_ = nullptr;
    stream_.file.Close();
    stream_.size = stream_.position = 0;
    target_ = nullptr;
    codecThreads_ = 0;
    opened_ = false;
}

}  // namespace kv::imageconv
