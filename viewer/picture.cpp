#include "viewer/picture.h"

#include "imageconv/convert_to_bmp.h"
#include "imageconv/formats/bmp_rows.h"
#include "imageconv/formats/to_24bit.h"
#include "viewer/command_line.h"

namespace kv::viewer {

RECT FitInside(int imageWidth, int imageHeight, const RECT& area, bool enlarge) {
    const int areaWidth = area.right - area.left;
    const int areaHeight = area.bottom - area.top;
    int width = imageWidth;
    int height = imageHeight;
    if (imageWidth > 0 && imageHeight > 0 && areaWidth > 0 && areaHeight > 0 &&
        (enlarge || imageWidth > areaWidth || imageHeight > areaHeight)) {
        // Compare the two ratios without division: the tighter side decides the scale.
        if (static_cast<long long>(areaWidth) * imageHeight <=
            static_cast<long long>(areaHeight) * imageWidth) {
            width = areaWidth;
            height = MulDiv(imageHeight, areaWidth, imageWidth);
        } else {
            height = areaHeight;
            width = MulDiv(imageWidth, areaHeight, imageHeight);
        }
        if (width < 1) width = 1;
        if (height < 1) height = 1;
    }
    RECT placed;
    placed.left = area.left + (areaWidth - width) / 2;
    placed.top = area.top + (areaHeight - height) / 2;
    placed.right = placed.left + width;
    placed.bottom = placed.top + height;
    return placed;
}

Picture::~Picture() {
    if (bitmap_ != nullptr) DeleteObject(bitmap_);
}

namespace {

// A top-down 24-bit DIB section with the image's pixels (red and blue swapped into the
// bitmap's blue, green, red order).
HBITMAP BitmapOf(const imageconv::RasterImage& image) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = image.width();
    info.bmiHeader.biHeight = -image.height();
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap == nullptr) return nullptr;
    const uint64_t rowBytes = imageconv::BmpRowSize(image.width());
    for (int32_t y = 0; y < image.height(); ++y) {
        imageconv::SwapRedAndBlue(image.Row(y), static_cast<uint8_t*>(bits) + y * rowBytes,
                                  image.width());
    }
    return bitmap;
}

}  // namespace

bool Picture::Load(const wchar_t* path) {
    // The library takes paths in the system's code page, as the program passes them.
    char narrow[kMaxPathChars];
    BOOL lossy = FALSE;
    if (WideCharToMultiByte(CP_ACP, 0, path, -1, narrow, sizeof narrow, nullptr, &lossy) == 0 ||
        lossy) {
        return false;
    }
    imageconv::RasterImage image;
    if (imageconv::LoadAnyImage(narrow, &image, true) != imageconv::kConverted) return false;
    imageconv::RasterImage colour;
    if (image.bits() != 24) {
        if (!colour.Create(image.width(), image.height(), 24, 0) ||
            !imageconv::ConvertTo24Bit(image, &colour)) {
            return false;
        }
    }
    bitmap_ = BitmapOf(image.bits() == 24 ? image : colour);
    if (bitmap_ == nullptr) return false;
    width_ = image.width();
    height_ = image.height();
    return true;
}

void Picture::Draw(HDC dc, const RECT& area) const {
    if (bitmap_ == nullptr) return;
    HDC source = CreateCompatibleDC(dc);
    if (source == nullptr) return;
    HGDIOBJ previous = SelectObject(source, bitmap_);
    const RECT target = FitInside(width_, height_, area, false);
    // Halftone keeps detail when a large photo is shrunk a lot.
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchBlt(dc, target.left, target.top, target.right - target.left, target.bottom - target.top,
               source, 0, 0, width_, height_, SRCCOPY);
    SelectObject(source, previous);
    DeleteDC(source);
}

}  // namespace kv::viewer
