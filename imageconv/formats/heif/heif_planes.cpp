#include "imageconv/formats/heif/heif_planes.h"

#include <libheif/heif.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "imageconv/colour/colour_profiles.h"

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

    // Bits above the depth are dropped, so that every sample indexes its table.
    unsigned At(int32_t x, int32_t y) const {
        const uint8_t* row = data + size_t(y >> shiftY) * size_t(stride);
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

uint8_t Level(int64_t fixed) {
    const int64_t level = (fixed + int64_t(kOne) / 2) >> 16;
    return uint8_t(level < 0 ? 0 : level > 255 ? 255 : level);
}

// The SDR curves constant luminance is defined with: value (0-1) to code value and back.
double Encode(double v, bool srgb) {
    if (srgb) return EncodeSrgb(v);
    return v < 0.018053968510807 ? 4.5 * v
                                 : 1.09929682680944 * std::pow(v, 0.45) - 0.09929682680944;
}
double Decode(double e, bool srgb) {
    if (srgb) return e <= 0.04045 ? e / 12.92 : std::pow((e + 0.055) / 1.055, 2.4);
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

}  // namespace

bool PlanesTo24Bit(const heif_image* image, const heif_image_handle* handle, RasterImage* target) {
    const int32_t width = heif_image_get_primary_width(image);
    const int32_t height = heif_image_get_primary_height(image);
    const heif_colorspace space = heif_image_get_colorspace(image);
    const bool grey = space == heif_colorspace_monochrome;
    const bool rgb = space == heif_colorspace_RGB;
    if (!grey && !rgb && space != heif_colorspace_YCbCr) return false;
    Plane first, second, third;
    const heif_channel channels[2][3] = {{heif_channel_Y, heif_channel_Cb, heif_channel_Cr},
                                         {heif_channel_R, heif_channel_G, heif_channel_B}};
    const heif_channel* used = channels[rgb ? 1 : 0];
    if (width < 1 || height < 1 || !GetPlane(image, used[0], width, height, &first)) return false;
    if (!grey && (!GetPlane(image, used[1], width, height, &second) ||
                  !GetPlane(image, used[2], width, height, &third))) {
        return false;
    }
    const Coding coding = CodingOf(image, handle);
    if (!coding.known) return false;
    const bool planesAreColours = rgb || coding.identity;
    // Planes that hold colours directly (red, green, blue; or green, blue, red) use the
    // luma scale for each of them.
    const std::vector<int32_t> luma = LumaTable(first.depth, coding.fullRange || rgb);
    std::vector<int32_t> crRed, crGreen, cbGreen, cbBlue, secondLevels, thirdLevels;
    std::unique_ptr<ConstantLuminance> constantLuminance;
    if (planesAreColours && !grey) {
        secondLevels = LumaTable(second.depth, coding.fullRange || rgb);
        thirdLevels = LumaTable(third.depth, coding.fullRange || rgb);
    } else if (!grey) {
        const double kg = 1.0 - coding.kr - coding.kb;
        const std::vector<double> cb = ChromaTable(second.depth, coding.fullRange);
        const std::vector<double> cr = ChromaTable(third.depth, coding.fullRange);
        if (coding.constantLuminance) {
            constantLuminance = std::make_unique<ConstantLuminance>(coding, cb, cr);
        }
        // YCgCo: green is luma plus Cg, red and blue luma minus Cg, plus and minus Co.
        if (coding.ycgco) {
            cbGreen = Scaled(cb, 1.0);
            crRed = Scaled(cr, 1.0);
        } else {
            crRed = Scaled(cr, 2.0 - 2.0 * coding.kr);
            crGreen = Scaled(cr, -(2.0 - 2.0 * coding.kr) * coding.kr / kg);
            cbGreen = Scaled(cb, -(2.0 - 2.0 * coding.kb) * coding.kb / kg);
            cbBlue = Scaled(cb, 2.0 - 2.0 * coding.kb);
        }
    }
    if (!target->Create(width, height, 24, 0)) return false;
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* out = target->Row(y);
        for (int32_t x = 0; x < width; ++x, out += 3) {
            const int32_t y0 = luma[first.At(x, y)];
            if (grey) {
                out[0] = out[1] = out[2] = Level(y0);
            } else if (rgb) {
                out[0] = Level(y0);
                out[1] = Level(secondLevels[second.At(x, y)]);
                out[2] = Level(thirdLevels[third.At(x, y)]);
            } else if (coding.identity) {
                out[0] = Level(thirdLevels[third.At(x, y)]);
                out[1] = Level(y0);
                out[2] = Level(secondLevels[second.At(x, y)]);
            } else if (coding.ycgco) {
                const int64_t lessGreen = int64_t(y0) - cbGreen[second.At(x, y)];
                const int32_t orange = crRed[third.At(x, y)];
                out[0] = Level(lessGreen + orange);
                out[1] = Level(int64_t(y0) + cbGreen[second.At(x, y)]);
                out[2] = Level(lessGreen - orange);
            } else if (constantLuminance) {
                constantLuminance->Pixel(y0, second.At(x, y), third.At(x, y), out);
            } else {
                const unsigned cb = second.At(x, y), cr = third.At(x, y);
                out[0] = Level(int64_t(y0) + crRed[cr]);
                out[1] = Level(int64_t(y0) + crGreen[cr] + cbGreen[cb]);
                out[2] = Level(int64_t(y0) + cbBlue[cb]);
            }
        }
    }
    return true;
}

}  // namespace kv::imageconv
