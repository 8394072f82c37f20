// Colour management: the rows of a picture with a colour description (ICC profile, code
// points, PNG gAMA/cHRM) are turned into sRGB, which is what a BMP without a profile is shown
// as. Pictures without a description, or described as sRGB, keep their rows byte for byte.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

#include "imageconv/colour/colour_profiles.h"
#include "imageconv/memory/platform.h"
#include "imageconv/raster_image.h"

namespace kv::imageconv {

// What a conversion reads: 24-bit rows (of a colour or a grey picture), or 16-bit samples.
enum class Samples { kRgb8, kGreyAsRgb8, kRgb16, kGrey16 };

// A conversion to sRGB with the perceptual intent, prepared once for a picture, then applied
// to its rows as they are decoded.
class SrgbConversion {
  public:
    SrgbConversion();
    ~SrgbConversion();
    SrgbConversion(const SrgbConversion&) = delete;
    SrgbConversion& operator=(const SrgbConversion&) = delete;

    // False when there is nothing to convert: no description, colours that are sRGB already
    // (within one step), or a profile that cannot be used or does not fit the samples (an RGB
    // profile on 16-bit grey samples, a grey profile on colour). `extraSamples` 16-bit samples
    // (alpha) follow the colours of each pixel and are skipped.
    bool Prepare(const ColourDescription& colours, Samples samples, int extraSamples = 0);
    void Reset();
    // True when prepared for 24-bit rows.
    bool ready() const;
    // 8-bit: `count` 24-bit rows of `image` from row `first`, in place.
    void ConvertRows(RasterImage* image, int32_t first, int32_t count) const;
    // 16-bit: one row of samples in the machine's byte order into 24-bit `out`.
    void ConvertRow(const uint16_t* in, uint8_t* out, int32_t width) const;

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// Converts the 24-bit rows of a picture as they are decoded, on a second thread while the
// decoder goes on, so that a tagged photo takes hardly longer than an untagged one. One
// thread serves the whole picture: it sleeps until the decoder hands on more rows.
class RowsToSrgb {
  public:
    ~RowsToSrgb() { Stop(); }

    // Rows of `image` are to be converted by `conversion` (nothing is, unless it is ready).
    void Begin(const SrgbConversion* conversion, RasterImage* image);
    // The rows above `end` are decoded; they are handed on in batches of many rows.
    void Decoded(int32_t end);
    // Converts what is left and waits until every row is converted.
    void Finish();
    // Waits for the thread and converts nothing more (after a decoding error).
    void Stop();

  private:
    static void Run(void* self);
    // Ends the thread's work at `end` rows, or at once when `converting` is false.
    void End(int32_t end, bool converting);

    const SrgbConversion* conversion_ = nullptr;
    RasterImage* image_ = nullptr;
    int32_t handed_ = 0;  // rows handed on so far
    bool running_ = false;
    std::mutex lock_;
    std::condition_variable changed_;
    int32_t decoded_ = 0;   // rows the thread may convert (under lock_)
    bool ending_ = false;   // no more rows come (under lock_)
    bool dropped_ = false;  // convert nothing more (under lock_)
    BackgroundTask task_;
};

// Converts all the 24-bit rows of `image` in place; nothing to do leaves them as they are.
void ConvertRowsToSrgb(RasterImage* image, const ColourDescription& colours,
                       Samples samples = Samples::kRgb8);

}  // namespace kv::imageconv
