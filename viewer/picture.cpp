#include "viewer/picture.h"

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

bool Picture::Load(const wchar_t* path) {
    HANDLE image =
        LoadImageW(nullptr, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION);
    if (image == nullptr) return false;
    BITMAP info;
    if (GetObjectW(image, sizeof info, &info) != sizeof info || info.bmWidth <= 0 ||
        info.bmHeight <= 0) {
        DeleteObject(image);
        return false;
    }
    bitmap_ = static_cast<HBITMAP>(image);
    width_ = info.bmWidth;
    height_ = info.bmHeight;
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
