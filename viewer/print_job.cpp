#include "viewer/print_job.h"

#include <shlwapi.h>

#include "viewer/picture.h"

namespace kv::viewer {
namespace {

// Owns a device context made by CreateDCW.
class PrinterContext {
  public:
    explicit PrinterContext(const wchar_t* printer)
        : dc_(CreateDCW(L"WINSPOOL", printer, nullptr, nullptr)) {}
    ~PrinterContext() {
        if (dc_ != nullptr) DeleteDC(dc_);
    }
    PrinterContext(const PrinterContext&) = delete;
    PrinterContext& operator=(const PrinterContext&) = delete;
    HDC get() const { return dc_; }

  private:
    HDC dc_;
};

// The picture's pixels as a top-down 32-bit DIB, which every printer driver accepts.
class PixelCopy {
  public:
    explicit PixelCopy(const Picture& picture) {
        info_.bmiHeader.biSize = sizeof info_.bmiHeader;
        info_.bmiHeader.biWidth = picture.width();
        info_.bmiHeader.biHeight = -picture.height();
        info_.bmiHeader.biPlanes = 1;
        info_.bmiHeader.biBitCount = 32;
        info_.bmiHeader.biCompression = BI_RGB;
        const SIZE_T bytes = static_cast<SIZE_T>(picture.width()) * picture.height() * 4;
        bits_ = HeapAlloc(GetProcessHeap(), 0, bytes);
        if (bits_ == nullptr) return;
        HDC screen = GetDC(nullptr);
        const int rows =
            GetDIBits(screen, picture.bitmap(), 0, picture.height(), bits_, &info_, DIB_RGB_COLORS);
        ReleaseDC(nullptr, screen);
        ok_ = rows == picture.height();
    }
    ~PixelCopy() {
        if (bits_ != nullptr) HeapFree(GetProcessHeap(), 0, bits_);
    }
    PixelCopy(const PixelCopy&) = delete;
    PixelCopy& operator=(const PixelCopy&) = delete;
    bool ok() const { return ok_; }
    const void* bits() const { return bits_; }
    const BITMAPINFO* info() const { return &info_; }

  private:
    BITMAPINFO info_ = {};
    void* bits_ = nullptr;
    bool ok_ = false;
};

}  // namespace

bool PrintPicture(const wchar_t* path, const wchar_t* printer) {
    Picture picture;
    if (!picture.Load(path)) return false;
    PixelCopy pixels(picture);
    if (!pixels.ok()) return false;
    PrinterContext printerDc(printer);
    HDC dc = printerDc.get();
    if (dc == nullptr) return false;

    DOCINFOW document = {};
    document.cbSize = sizeof document;
    document.lpszDocName = PathFindFileNameW(path);
    if (StartDocW(dc, &document) <= 0) return false;
    const RECT page = {0, 0, GetDeviceCaps(dc, HORZRES), GetDeviceCaps(dc, VERTRES)};
    const RECT target = FitInside(picture.width(), picture.height(), page, true);
    bool printed = StartPage(dc) > 0;
    if (printed) {
        printed = StretchDIBits(dc, target.left, target.top, target.right - target.left,
                                target.bottom - target.top, 0, 0, picture.width(), picture.height(),
                                pixels.bits(), pixels.info(), DIB_RGB_COLORS, SRCCOPY) != 0;
        printed = EndPage(dc) > 0 && printed;
    }
    if (!printed) {
        AbortDoc(dc);
        return false;
    }
    return EndDoc(dc) > 0;
}

}  // namespace kv::viewer
