#include "imageconv/heif_planes.h"

#include <libheif/heif.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace kv::imageconv {
namespace {

// Whether the samples use their whole range; the file's colour box first, else what the
// coded stream says. Without either, full range, as libheif assumes.
bool FullRange(const heif_image* image, const heif_image_handle* handle) {
    heif_color_profile_nclx* nclx = nullptr;
    if (heif_image_handle_get_nclx_color_profile(handle, &nclx).code != heif_error_Ok &&
        heif_image_get_nclx_color_profile(image, &nclx).code != heif_error_Ok) {
        return true;
    }
    const bool full = nclx->full_range_flag != 0;
    heif_nclx_color_profile_free(nclx);
    return full;
}

}  // namespace

bool GreyPlaneTo24Bit(const heif_image* image, const heif_image_handle* handle,
                      RasterImage* target) {
    const int32_t width = heif_image_get_primary_width(image);
    const int32_t height = heif_image_get_primary_height(image);
    int stride = 0;
    const uint8_t* plane = heif_image_get_plane_readonly(image, heif_channel_Y, &stride);
    const int depth = heif_image_get_bits_per_pixel_range(image, heif_channel_Y);
    const int bytes = depth > 8 ? 2 : 1;
    if (!plane || depth < 1 || depth > 16 || width < 1 || height < 1 ||
        heif_image_get_width(image, heif_channel_Y) < width ||
        heif_image_get_height(image, heif_channel_Y) < height ||
        int64_t(stride) < int64_t(width) * bytes) {
        return false;
    }
    // Sample → 8-bit level. Limited range puts black at 16 and white at 235, scaled to the
    // bit depth: the same expansion at every depth.
    const bool full = FullRange(image, handle);
    const double scale = std::ldexp(1.0, depth - 8);
    std::vector<uint8_t> levels(size_t(1) << depth);
    for (size_t v = 0; v < levels.size(); ++v) {
        const double level = full ? double(v) * 255.0 / double(levels.size() - 1)
                                  : (double(v) - 16.0 * scale) * 255.0 / (219.0 * scale);
        levels[v] = uint8_t(std::lround(level < 0 ? 0 : level > 255 ? 255 : level));
    }
    if (!target->Create(width, height, 24, 0)) return false;
    const unsigned mask = unsigned(levels.size() - 1);  // bits above the depth are dropped
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* in = plane + size_t(y) * size_t(stride);
        uint8_t* out = target->Row(y);
        for (int32_t x = 0; x < width; ++x, out += 3) {
            uint16_t sample = in[x];
            if (bytes == 2) memcpy(&sample, in + 2 * size_t(x), 2);
            out[0] = out[1] = out[2] = levels[sample & mask];
        }
    }
    return true;
}

}  // namespace kv::imageconv
