#include "imageconv/formats/heif/heif_planes.h"

#include <libheif/heif.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "imageconv/colour/colour_profiles.h"
#include "imageconv/colour/colour_to_srgb.h"
#include "imageconv/memory/row_bands.h"

namespace kv::imageconv {
namespace {

// Fixed-point contributions to red, green and blue, 16 fraction bits.
constexpr double kOne = 65536.0;

// How the samples code colour: the luma weights of red and blue, and the sample range.
struct Coding {
    double kr = 0.299, kb = 0.114;  // BT.601, what libheif assumes without a description
    bool fullRange = true;
    bool identity = false;  // the planes are green, blue, red
    bool ycgco = false;     // the planes are Y, Cg, Co
    // Luma made from linear red, green and blue (BT.2020 constant luminance), coded with the
    // BT.709 (false) or the sRGB (true) curve.
    bool constantLuminance = false;
    bool srgbCurve = false;
    bool known = true;  // false for codings no photo uses (Y'D'zD'x, ICtCp, later codes)
};

// The luma weights of red and blue that the primaries' chromaticities give: the luminance
// row of the matrix that takes red, green, blue to XYZ with white at Y = 1.
void WeightsOfPrimaries(int primaries, Coding* coding) {
    const Chromaticities c = PrimariesOf(primaries);
    const double* xy[4] = {c.red, c.green, c.blue, c.white};
    double m[3][4];  // rows X, Y, Z of red, green, blue, and of white
    for (int i = 0; i < 4; ++i) {
        m[0][i] = xy[i][0] / xy[i][1];
        m[1][i] = 1;
        m[2][i] = (1 - xy[i][0] - xy[i][1]) / xy[i][1];
    }
    const auto det = [&](int a, int b, int d) {
        return m[0][a] * (m[1][b] * m[2][d] - m[2][b] * m[1][d]) -
               m[0][b] * (m[1][a] * m[2][d] - m[2][a] * m[1][d]) +
               m[0][d] * (m[1][a] * m[2][b] - m[2][a] * m[1][b]);
    };
    const double whole = det(0, 1, 2);
    if (whole == 0) return;
    // Cramer's rule: each primary's share of white.
    coding->kr = det(3, 1, 2) / whole;
    coding->kb = det(0, 1, 3) / whole;
}

Coding CodingOf(const heif_image* image, const heif_image_handle* handle) {
    Coding coding;
    heif_color_profile_nclx* nclx = nullptr;
    if (heif_image_handle_get_nclx_color_profile(handle, &nclx).code != heif_error_Ok &&
        heif_image_get_nclx_color_profile(image, &nclx).code != heif_error_Ok) {
        return coding;
    }
    coding.fullRange = nclx->full_range_flag != 0;
    const int transfer = nclx->transfer_characteristics;
    switch (nclx->matrix_coefficients) {
        case heif_matrix_coefficients_RGB_GBR:
            coding.identity = true;
            break;
        case heif_matrix_coefficients_ITU_R_BT_709_5:
            coding.kr = 0.2126, coding.kb = 0.0722;
            break;
        case heif_matrix_coefficients_US_FCC_T47:
            coding.kr = 0.30, coding.kb = 0.11;
            break;
        case heif_matrix_coefficients_SMPTE_240M:
            coding.kr = 0.212, coding.kb = 0.087;
            break;
        case heif_matrix_coefficients_YCgCo:
            coding.ycgco = true;
            break;
        case heif_matrix_coefficients_ITU_R_BT_2020_2_constant_luminance:
            coding.constantLuminance = true;
            [[fallthrough]];
        case heif_matrix_coefficients_ITU_R_BT_2020_2_non_constant_luminance:
            coding.kr = 0.2627, coding.kb = 0.0593;
            break;
        case heif_matrix_coefficients_chromaticity_derived_constant_luminance:
            coding.constantLuminance = true;
            [[fallthrough]];
        case heif_matrix_coefficients_chromaticity_derived_non_constant_luminance:
            WeightsOfPrimaries(nclx->color_primaries, &coding);
            break;
        case heif_matrix_coefficients_SMPTE_ST_2085:
        case heif_matrix_coefficients_ICtCp:
            coding.known = false;
            break;
        default:
            coding.known = nclx->matrix_coefficients < 15;  // 3 is reserved: BT.601 as before
            break;
    }
    // Constant luminance is defined for the curves of SDR pictures: BT.709's family and sRGB.
    coding.srgbCurve = transfer == 13;
    if (coding.constantLuminance && transfer != 1 && transfer != 2 && transfer != 6 &&
        transfer != 13 && transfer != 14 && transfer != 15) {
        coding.known = false;
    }
    heif_nclx_color_profile_free(nclx);
    return coding;
}

// One plane's samples, 8 bits or 16-bit words, with its subsampling.
struct Plane {
    const uint8_t* data = nullptr;
    int stride = 0;
    int depth = 8;
    int shiftX = 0, shiftY = 0;

    const uint8_t* RowOf(int32_t y) const { return data + size_t(y >> shiftY) * size_t(stride); }
    // Bits above the depth are dropped, so that every sample indexes its table.
    unsigned At(const uint8_t* row, int32_t x) const {
        const unsigned mask = (1u << depth) - 1;
        if (depth <= 8) return row[x >> shiftX] & mask;
        uint16_t sample;
        memcpy(&sample, row + 2 * size_t(x >> shiftX), 2);
        return sample & mask;
    }
};

bool GetPlane(const heif_image* image, heif_channel channel, int32_t width, int32_t height,
              Plane* plane) {
    plane->data = heif_image_get_plane_readonly(image, channel, &plane->stride);
    plane->depth = heif_image_get_bits_per_pixel_range(image, channel);
    const int planeWidth = heif_image_get_width(image, channel);
    const int planeHeight = heif_image_get_height(image, channel);
    if (!plane->data || plane->depth < 1 || plane->depth > 16 || planeWidth < 1 ||
        planeHeight < 1) {
        return false;
    }
    plane->shiftX = planeWidth < width ? 1 : 0;
    plane->shiftY = planeHeight < height ? 1 : 0;
    const int64_t rowBytes = int64_t(planeWidth) * (plane->depth > 8 ? 2 : 1);
    return plane->stride >= rowBytes && ((width - 1) >> plane->shiftX) < planeWidth &&
           ((height - 1) >> plane->shiftY) < planeHeight;
}

// Sample value → fixed-point 8-bit level for luma (or a colour plane) and for chroma,
// each in the declared range: limited range puts black at 16 and white at 235 (chroma
// 16–240) scaled to the bit depth, for every depth alike.
std::vector<int32_t> LumaTable(int depth, bool fullRange) {
    const double scale = std::ldexp(1.0, depth - 8);
    std::vector<int32_t> table(size_t(1) << depth);
    for (size_t v = 0; v < table.size(); ++v) {
        const double level = fullRange ? double(v) * 255.0 / double(table.size() - 1)
                                       : (double(v) - 16.0 * scale) * 255.0 / (219.0 * scale);
        table[v] = int32_t(std::lround(level * kOne));
    }
    return table;
}

std::vector<double> ChromaTable(int depth, bool fullRange) {
    const double scale = std::ldexp(1.0, depth - 8);
    std::vector<double> table(size_t(1) << depth);
    const double centre = double(table.size() / 2);
    for (size_t v = 0; v < table.size(); ++v) {
        table[v] = fullRange ? (double(v) - centre) * 255.0 / double(table.size() - 1)
                             : (double(v) - centre) * 255.0 / (224.0 * scale);
    }
    return table;
}

std::vector<int32_t> Scaled(const std::vector<double>& chroma, double factor) {
    std::vector<int32_t> table(chroma.size());
    for (size_t v = 0; v < chroma.size(); ++v)
        table[v] = int32_t(std::lround(chroma[v] * factor * kOne));
    return table;
}

template <typename Fixed>
uint8_t Level(Fixed fixed) {
    const Fixed level = (fixed + Fixed(kOne) / 2) >> 16;
    return uint8_t(level < 0 ? 0 : level > 255 ? 255 : level);
}

// The largest magnitude in a table.
int64_t Largest(const std::vector<int32_t>& table) {
    int64_t largest = 0;
    for (const int32_t v : table) largest = std::max<int64_t>(largest, std::abs(int64_t(v)));
    return largest;
}

// The SDR curves constant luminance is defined with: value (0-1) to code value and back.
double Encode(double v, bool srgb) {
    if (srgb) return EncodeSrgb(v);
    return v < 0.018053968510807 ? 4.5 * v
                                 : 1.09929682680944 * std::pow(v, 0.45) - 0.09929682680944;
}
double Decode(double e, bool srgb) {
    if (srgb) return DecodeSrgb(e);
    return e < 0.081242858298635 ? e / 4.5
                                 : std::pow((e + 0.09929682680944) / 1.09929682680944, 1 / 0.45);
}

// Constant luminance: red and blue come back from their coded differences to the luma (scaled
// apart for each sign), green from the luminance left in linear light.
class ConstantLuminance {
  public:
    static constexpr int kSteps = 4096;

    ConstantLuminance(const Coding& coding, const std::vector<double>& cb,
                      const std::vector<double>& cr)
        : kr_(coding.kr), kb_(coding.kb), kg_(1 - coding.kr - coding.kb) {
        const bool srgb = coding.srgbCurve;
        const auto differences = [&](const std::vector<double>& chroma, double weight) {
            const double positive = 2 * (1 - Encode(weight, srgb));
            const double negative = 2 * Encode(1 - weight, srgb);
            std::vector<double> table(chroma.size());
            for (size_t v = 0; v < chroma.size(); ++v) {
                const double c = chroma[v] / 255;
                table[v] = c * (c > 0 ? positive : negative);
            }
            return table;
        };
        blue_ = differences(cb, kb_);
        red_ = differences(cr, kr_);
        for (int i = 0; i <= kSteps; ++i) {
            linear_[i] = Decode(double(i) / kSteps, srgb);
            coded_[i] = uint8_t(std::lround(Encode(double(i) / kSteps, srgb) * 255));
        }
    }

    void Pixel(int32_t luma, unsigned cb, unsigned cr, uint8_t* out) const {
        const double yCoded = Clamped(luma / kOne / 255);
        const double rCoded = Clamped(yCoded + red_[cr]), bCoded = Clamped(yCoded + blue_[cb]);
        const double r = Linear(rCoded), b = Linear(bCoded);
        const double g = Clamped((Linear(yCoded) - kr_ * r - kb_ * b) / kg_);
        out[0] = uint8_t(std::lround(rCoded * 255));
        out[1] = coded_[std::lround(g * kSteps)];
        out[2] = uint8_t(std::lround(bCoded * 255));
    }

  private:
    static double Clamped(double v) { return v < 0 ? 0 : v > 1 ? 1 : v; }
    double Linear(double coded) const { return linear_[std::lround(coded * kSteps)]; }

    double kr_, kb_, kg_;
    std::vector<double> red_, blue_;
    double linear_[kSteps + 1];
    uint8_t coded_[kSteps + 1];
};

// The planes and what turns their samples into red, green and blue; it only reads them, so
// that bands of rows can be done side by side.
class PlaneRows {
  public:
    bool Prepare(const heif_image* image, const heif_image_handle* handle) {
        width_ = heif_image_get_primary_width(image);
        height_ = heif_image_get_primary_height(image);
        const heif_colorspace space = heif_image_get_colorspace(image);
        grey_ = space == heif_colorspace_monochrome;
        rgb_ = space == heif_colorspace_RGB;
        if (!grey_ && !rgb_ && space != heif_colorspace_YCbCr) return false;
        const heif_channel channels[2][3] = {{heif_channel_Y, heif_channel_Cb, heif_channel_Cr},
                                             {heif_channel_R, heif_channel_G, heif_channel_B}};
        const heif_channel* used = channels[rgb_ ? 1 : 0];
        if (width_ < 1 || height_ < 1 || !GetPlane(image, used[0], width_, height_, &first_)) {
            return false;
        }
        if (!grey_ && (!GetPlane(image, used[1], width_, height_, &second_) ||
                       !GetPlane(image, used[2], width_, height_, &third_))) {
            return false;
        }
        coding_ = CodingOf(image, handle);
        if (!coding_.known) return false;
        const bool planesAreColours = rgb_ || coding_.identity;
        // Planes that hold colours directly (red, green, blue; or green, blue, red) use the
        // luma scale for each of them.
        luma_ = LumaTable(first_.depth, coding_.fullRange || rgb_);
        if (planesAreColours && !grey_) {
            secondLevels_ = LumaTable(second_.depth, coding_.fullRange || rgb_);
            thirdLevels_ = LumaTable(third_.depth, coding_.fullRange || rgb_);
        } else if (!grey_) {
            const double kg = 1.0 - coding_.kr - coding_.kb;
            const std::vector<double> cb = ChromaTable(second_.depth, coding_.fullRange);
            const std::vector<double> cr = ChromaTable(third_.depth, coding_.fullRange);
            if (coding_.constantLuminance) {
                constantLuminance_ = std::make_unique<ConstantLuminance>(coding_, cb, cr);
            }
            // YCgCo: green is luma plus Cg, red and blue luma minus Cg, plus and minus Co.
            if (coding_.ycgco) {
                cbGreen_ = Scaled(cb, 1.0);
                crRed_ = Scaled(cr, 1.0);
            } else {
                crRed_ = Scaled(cr, 2.0 - 2.0 * coding_.kr);
                crGreen_ = Scaled(cr, -(2.0 - 2.0 * coding_.kr) * coding_.kr / kg);
                cbGreen_ = Scaled(cb, -(2.0 - 2.0 * coding_.kb) * coding_.kb / kg);
                cbBlue_ = Scaled(cb, 2.0 - 2.0 * coding_.kb);
            }
        }
        // The usual photo: 8-bit Y'CbCr whose sums cannot leave 32 bits.
        plainYcc_ = !grey_ && !rgb_ && !coding_.identity && !coding_.ycgco && !constantLuminance_ &&
                    first_.depth == 8 && second_.depth == 8 && third_.depth == 8 &&
                    Largest(luma_) + Largest(crRed_) + Largest(crGreen_) + Largest(cbGreen_) +
                            Largest(cbBlue_) <
                        (int64_t(1) << 30);
        return true;
    }

    int32_t width() const { return width_; }
    int32_t height() const { return height_; }

    void Fill(RasterImage* target, int32_t firstRow, int32_t count) const {
        for (int32_t y = firstRow; y < firstRow + count; ++y) {
            if (plainYcc_) {
                PlainYccRow(y, target->Row(y));
            } else {
                AnyRow(y, target->Row(y));
            }
        }
    }

  private:
    void PlainYccRow(int32_t y, uint8_t* out) const {
        const uint8_t* luma = first_.RowOf(y);
        const uint8_t* cbRow = second_.RowOf(y);
        const uint8_t* crRow = third_.RowOf(y);
        const int cbShift = second_.shiftX, crShift = third_.shiftX;
        for (int32_t x = 0; x < width_; ++x, out += 3) {
            YccPixel<int32_t>(luma_[luma[x]], cbRow[x >> cbShift], crRow[x >> crShift], out);
        }
    }

    // Red, green and blue from luma and chroma, summed in `Fixed`.
    template <typename Fixed>
    void YccPixel(int32_t y0, unsigned cb, unsigned cr, uint8_t* out) const {
        out[0] = Level(Fixed(y0) + crRed_[cr]);
        out[1] = Level(Fixed(y0) + crGreen_[cr] + cbGreen_[cb]);
        out[2] = Level(Fixed(y0) + cbBlue_[cb]);
    }

    void AnyRow(int32_t y, uint8_t* out) const {
        const uint8_t* firstRow = first_.RowOf(y);
        const uint8_t* secondRow = grey_ ? nullptr : second_.RowOf(y);
        const uint8_t* thirdRow = grey_ ? nullptr : third_.RowOf(y);
        for (int32_t x = 0; x < width_; ++x, out += 3) {
            const int32_t y0 = luma_[first_.At(firstRow, x)];
            if (grey_) {
                out[0] = out[1] = out[2] = Level(int64_t(y0));
            } else if (rgb_) {
                out[0] = Level(int64_t(y0));
                out[1] = Level(int64_t(secondLevels_[second_.At(secondRow, x)]));
                out[2] = Level(int64_t(thirdLevels_[third_.At(thirdRow, x)]));
            } else if (coding_.identity) {
                out[0] = Level(int64_t(thirdLevels_[third_.At(thirdRow, x)]));
                out[1] = Level(int64_t(y0));
                out[2] = Level(int64_t(secondLevels_[second_.At(secondRow, x)]));
            } else if (coding_.ycgco) {
                const unsigned cg = second_.At(secondRow, x);
                const int64_t lessGreen = int64_t(y0) - cbGreen_[cg];
                const int32_t orange = crRed_[third_.At(thirdRow, x)];
                out[0] = Level(lessGreen + orange);
                out[1] = Level(int64_t(y0) + cbGreen_[cg]);
                out[2] = Level(lessGreen - orange);
            } else if (constantLuminance_) {
                constantLuminance_->Pixel(y0, second_.At(secondRow, x), third_.At(thirdRow, x),
                                          out);
            } else {
                YccPixel<int64_t>(y0, second_.At(secondRow, x), third_.At(thirdRow, x), out);
            }
        }
    }

    int32_t width_ = 0, height_ = 0;
    bool grey_ = false, rgb_ = false, plainYcc_ = false;
    Plane first_, second_, third_;
    Coding coding_;
    std::vector<int32_t> luma_, crRed_, crGreen_, cbGreen_, cbBlue_, secondLevels_, thirdLevels_;
    std::unique_ptr<ConstantLuminance> constantLuminance_;
};

}  // namespace

bool PlanesTo24Bit(const heif_image* image, const heif_image_handle* handle,
                   const SrgbConversion& colour, RasterImage* target) {
    PlaneRows planes;
    if (!planes.Prepare(image, handle) || !target->Create(planes.width(), planes.height(), 24, 0)) {
        return false;
    }
    // Each band's rows are turned into sRGB while they are still in the cache.
    ForEachRowBand(planes.height(), planes.width(), [&](int32_t first, int32_t count) {
        planes.Fill(target, first, count);
        colour.ConvertRows(target, first, count);
    });
    return true;
}

}  // namespace kv::imageconv
