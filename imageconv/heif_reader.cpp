#include "imageconv/heif_reader.h"

#include <libheif/heif.h>

#include <cstring>
#include <vector>

#include "imageconv/colour_to_srgb.h"

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

// Turns the stored rows into sRGB from the image's ICC profile, else its nclx code points.
void ConvertToSrgb(const heif_image_handle* handle, RasterImage* target) {
    std::vector<uint8_t> icc(heif_image_handle_get_raw_color_profile_size(handle));
    ColourDescription colours;
    heif_color_profile_nclx* nclx = nullptr;
    if (!icc.empty() && Succeeded(heif_image_handle_get_raw_color_profile(handle, icc.data()))) {
        colours.icc = icc.data();
        colours.iccSize = icc.size();
    } else if (Succeeded(heif_image_handle_get_nclx_color_profile(handle, &nclx)) && nclx) {
        colours.hasCodePoints = true;
        colours.primaries = nclx->color_primaries;
        colours.transfer = nclx->transfer_characteristics;
    }
    heif_nclx_color_profile_free(nclx);
    ConvertRowsToSrgb(target, colours);
}
}  // namespace

bool HeifReader::Open(const char* path, RasterImage* target) {
    Close();
    if (!stream_.file.Open(path) || !stream_.file.Length(&stream_.size)) return false;
    uint8_t header[kFileTypeBytes];
    if (!stream_.file.Read(header, sizeof header) || !stream_.file.Seek(0)) return false;
    // HEIC and AVIF main brands, or the general HEIF image brand whose content decides.
    const heif_filetype_result kind = heif_check_filetype(header, sizeof header);
    if (kind != heif_filetype_yes_supported && kind != heif_filetype_maybe) return false;
    target_ = target;
    opened_ = ReadStructure();
    return opened_;
}

// Reads the file's boxes (not the coded pixels) and refuses a primary image too large to
// store before anything is decoded.
bool HeifReader::ReadStructure() {
    context_ = heif_context_alloc();
    if (!context_) return false;
    if (!Succeeded(heif_context_read_from_reader(context_, &kStreamReader, &stream_, nullptr)) ||
        !Succeeded(heif_context_get_primary_image_handle(context_, &primary_))) {
        return false;
    }
    const int width = heif_image_handle_get_width(primary_);
    const int height = heif_image_handle_get_height(primary_);
    size_t size = 0;
    return width > 0 && height > 0 && BlockSize(uint64_t(width), uint64_t(height), 3, &size);
}

bool HeifReader::Decode() {
    bool ok = opened_ && CopyDecoded();
    Close();
    return ok;
}

bool HeifReader::CopyDecoded() {
    heif_image* image = nullptr;
    // libheif applies the file's rotation, mirroring and cropping, converts to interleaved
    // 8-bit red, green, blue and leaves alpha out.
    if (!Succeeded(heif_decode_image(primary_, &image, heif_colorspace_RGB,
                                     heif_chroma_interleaved_RGB, nullptr))) {
        return false;
    }
    const int width = heif_image_get_width(image, heif_channel_interleaved);
    const int height = heif_image_get_height(image, heif_channel_interleaved);
    int stride = 0;
    const uint8_t* plane = heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
    bool ok = plane && heif_image_get_bits_per_pixel_range(image, heif_channel_interleaved) == 8 &&
              stride >= 3 * width && target_->Create(width, height, 24, 0);
    for (int32_t y = 0; ok && y < height; ++y) {
        memcpy(target_->Row(y), plane + size_t(y) * size_t(stride), target_->stride());
    }
    heif_image_release(image);
    if (ok) ConvertToSrgb(primary_, target_);
    if (ok) target_->Flush();
    return ok;
}

void HeifReader::Close() {
    if (primary_) heif_image_handle_release(primary_);
    if (context_) heif_context_free(context_);
    primary_ = nullptr;
    context_ = nullptr;
    stream_.file.Close();
    stream_.size = stream_.position = 0;
    target_ = nullptr;
    opened_ = false;
}

}  // namespace kv::imageconv
