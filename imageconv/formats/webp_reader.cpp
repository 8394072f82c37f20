#include "imageconv/formats/webp_reader.h"

#include <webp/decode.h>
#include <webp/demux.h>

#include <cstring>
#include <memory>

#include "imageconv/colour/colour_to_srgb.h"
#include "imageconv/formats/to_24bit.h"
#include "imageconv/memory/write_ahead.h"

namespace kv::imageconv {
namespace {
constexpr size_t kRiffHeaderBytes = 12;

// Bytes libwebp holds besides the output while it decodes one still picture or frame:
// lossless pictures are decoded whole into four bytes a pixel first; lossy ones with alpha
// keep a byte a pixel for the alpha plane, and the alpha stream, itself lossless, may be
// decoded whole into four bytes a pixel beside it.
uint64_t FrameDecodeBytes(const uint8_t* data, size_t size, uint64_t width, uint64_t height) {
    WebPBitstreamFeatures features;
    if (WebPGetFeatures(data, size, &features) != VP8_STATUS_OK) return UINT64_MAX;
    if (features.format == 2) return width * height * 4;
    return features.has_alpha ? width * height * 5 : 0;
}

// Turns the stored rows into sRGB from the file's ICC profile, when it has one.
void ConvertToSrgb(const uint8_t* data, size_t size, RasterImage* target) {
    const WebPData whole = {data, size};
    // Held from here: the conversion may be refused an allocation and throw.
    const std::unique_ptr<WebPDemuxer, void (*)(WebPDemuxer*)> demuxer(WebPDemux(&whole),
                                                                       WebPDemuxDelete);
    if (!demuxer) return;
    WebPChunkIterator chunk;
    if ((WebPDemuxGetI(demuxer.get(), WEBP_FF_FORMAT_FLAGS) & ICCP_FLAG) &&
        WebPDemuxGetChunk(demuxer.get(), "ICCP", 1, &chunk)) {
        // The iterator holds nothing of its own: releasing it only ends the iteration.
        ConvertRowsToSrgb(target, {chunk.chunk.bytes, chunk.chunk.size});
        WebPDemuxReleaseChunkIterator(&chunk);
    }
}
}  // namespace

// The whole file is read and its chunks checked before anything is decoded: the picture
// size is the canvas every frame is checked against, and what libwebp will hold for it is
// counted against the budget.
bool WebpReader::Open(const char* path, RasterImage* target) {
    Close();
    uint64_t fileSize = 0;
    uint8_t header[kRiffHeaderBytes];
    if (!input_.Open(path) || !input_.Length(&fileSize) || fileSize < kRiffHeaderBytes ||
        !input_.Read(header, sizeof header)) {
        return false;
    }
    if (memcmp(header, "RIFF", 4) != 0 || memcmp(header + 8, "WEBP", 4) != 0) return false;
    // libwebp decodes from memory: the whole file goes into a scratch block it can fill.
    if (!input_.ReadBlock(0, fileSize, &file_)) return false;
    input_.Close();
    const WebPData whole = {file_.data(), file_.size()};
    WebPDemuxer* demux = WebPDemux(&whole);
    if (!demux) return false;
    const uint64_t width = WebPDemuxGetI(demux, WEBP_FF_CANVAS_WIDTH);
    const uint64_t height = WebPDemuxGetI(demux, WEBP_FF_CANVAS_HEIGHT);
    animated_ = (WebPDemuxGetI(demux, WEBP_FF_FORMAT_FLAGS) & ANIMATION_FLAG) != 0;
    WebPIterator frame;
    uint64_t library = UINT64_MAX;
    if (WebPDemuxGetFrame(demux, 1, &frame)) {
        // A still picture's frame covers the canvas exactly (the demuxer checks it); an
        // animation is composed on two canvases of four bytes a pixel.
        library = FrameDecodeBytes(frame.fragment.bytes, frame.fragment.size, uint64_t(frame.width),
                                   uint64_t(frame.height));
        if (animated_ && library != UINT64_MAX) library += width * height * 8;
        WebPDemuxReleaseIterator(&frame);
    }
    WebPDemuxDelete(demux);
    if (!FitsDecodeBudget(width, height, library)) return false;
    width_ = int32_t(width);
    height_ = int32_t(height);
    target_ = target;
    opened_ = true;
    return true;
}

bool WebpReader::Decode() {
    bool ok = opened_ && (animated_ ? DecodeFirstFrame(file_.data(), file_.size())
                                    : DecodeStill(file_.data(), file_.size()));
    // The rows are in our storage now.
    if (ok) ConvertToSrgb(file_.data(), file_.size(), target_);
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
    TouchPages(target_->pixels(), config.output.u.RGBA.size);
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
    file_.Release();
    target_ = nullptr;
    width_ = height_ = 0;
    animated_ = false;
    opened_ = false;
}

}  // namespace kv::imageconv
