#include "imageconv/webp_reader.h"

#include <webp/decode.h>
#include <webp/demux.h>

#include <cstring>

#include "imageconv/colour_to_srgb.h"
#include "imageconv/mapped_buffer.h"
#include "imageconv/to_24bit.h"

namespace kv::imageconv {
namespace {
// Enough of the file for libwebp to find the size and the kind of any WebP file.
constexpr size_t kHeaderBytes = 64;
constexpr size_t kRiffHeaderBytes = 12;

// Turns the stored rows into sRGB from the file's ICC profile, when it has one.
void ConvertToSrgb(const uint8_t* data, size_t size, RasterImage* target) {
    const WebPData whole = {data, size};
    WebPDemuxer* demuxer = WebPDemux(&whole);
    if (!demuxer) return;
    WebPChunkIterator chunk;
    if ((WebPDemuxGetI(demuxer, WEBP_FF_FORMAT_FLAGS) & ICCP_FLAG) &&
        WebPDemuxGetChunk(demuxer, "ICCP", 1, &chunk)) {
        ConvertRowsToSrgb(target, {chunk.chunk.bytes, chunk.chunk.size});
        WebPDemuxReleaseChunkIterator(&chunk);
    }
    WebPDemuxDelete(demuxer);
}
}  // namespace

bool WebpReader::Open(const char* path, RasterImage* target) {
    Close();
    if (!input_.Open(path) || !input_.Length(&fileSize_)) return false;
    uint8_t header[kHeaderBytes];
    const size_t length = fileSize_ < kHeaderBytes ? size_t(fileSize_) : kHeaderBytes;
    if (length < kRiffHeaderBytes || !input_.Read(header, length)) return false;
    if (memcmp(header, "RIFF", 4) != 0 || memcmp(header + 8, "WEBP", 4) != 0) return false;
    WebPBitstreamFeatures features;
    if (WebPGetFeatures(header, length, &features) != VP8_STATUS_OK) return false;
    // An animation is composed on a canvas of four bytes per pixel; it must fit the limit
    // like any other block.
    size_t size = 0;
    if (fileSize_ > kMaxBlockBytes ||
        !BlockSize(uint64_t(features.width), uint64_t(features.height),
                   features.has_animation ? 4 : 3, &size)) {
        return false;
    }
    width_ = features.width;
    height_ = features.height;
    animated_ = features.has_animation != 0;
    target_ = target;
    opened_ = true;
    return true;
}

bool WebpReader::Decode() {
    bool ok = false;
    if (opened_) {
        // libwebp decodes from memory: the whole file goes into a scratch block.
        MappedBuffer file;
        const size_t size = size_t(fileSize_);
        ok = file.Allocate(size) && input_.Seek(0) && input_.Read(file.data(), size) &&
             (animated_ ? DecodeFirstFrame(file.data(), size) : DecodeStill(file.data(), size));
        if (ok) ConvertToSrgb(file.data(), size, target_);
    }
    Close();
    return ok;
}

// Decodes straight into the image's storage: no second copy of the pixels.
bool WebpReader::DecodeStill(const uint8_t* data, size_t size) {
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config)) return false;
    if (!target_->Create(width_, height_, 24, 0)) return false;
    config.output.colorspace = MODE_RGB;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = target_->pixels();
    config.output.u.RGBA.stride = int(target_->stride());
    config.output.u.RGBA.size = target_->stride() * size_t(height_);
    const bool ok = WebPDecode(data, size, &config) == VP8_STATUS_OK;
    WebPFreeDecBuffer(&config.output);
    if (ok) target_->Flush();
    return ok;
}

// The first frame as the animation shows it: composed on the canvas, alpha dropped.
bool WebpReader::DecodeFirstFrame(const uint8_t* data, size_t size) {
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options)) return false;
    options.color_mode = MODE_RGBA;
    options.use_threads = 0;
    const WebPData whole = {data, size};
    WebPAnimDecoder* decoder = WebPAnimDecoderNew(&whole, &options);
    if (!decoder) return false;
    WebPAnimInfo info;
    uint8_t* canvas = nullptr;
    int timestamp = 0;
    bool ok = WebPAnimDecoderGetInfo(decoder, &info) && int32_t(info.canvas_width) == width_ &&
              int32_t(info.canvas_height) == height_ &&
              WebPAnimDecoderGetNext(decoder, &canvas, &timestamp) &&
              target_->Create(width_, height_, 24, 0);
    for (int32_t y = 0; ok && y < height_; ++y) {
        PackColourBytes(canvas + size_t(y) * size_t(width_) * 4, target_->Row(y), width_, 0);
    }
    WebPAnimDecoderDelete(decoder);
    if (ok) target_->Flush();
    return ok;
}

void WebpReader::Close() {
    input_.Close();
    target_ = nullptr;
    fileSize_ = 0;
    width_ = height_ = 0;
    animated_ = false;
    opened_ = false;
}

}  // namespace kv::imageconv
