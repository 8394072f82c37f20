// The image the viewer shows: any file the image conversion library reads, held as a
// 24-bit bitmap and drawn scaled down to fit the area it is given.
#pragma once

#include <windows.h>

namespace kv::viewer {

// Where an image of the given size goes inside an area: scaled down, keeping its aspect
// ratio, to fit when it is larger; at its own size when it fits; centred either way.
RECT FitInside(int imageWidth, int imageHeight, const RECT& area, bool enlarge);

class Picture {
  public:
    Picture() = default;
    ~Picture();
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    // Loads an image file of any format the library reads; false (and nothing loaded) for
    // any other content.
    bool Load(const wchar_t* path);
    bool loaded() const { return bitmap_ != nullptr; }
    int width() const { return width_; }
    int height() const { return height_; }
    HBITMAP bitmap() const { return bitmap_; }

    // Draws the picture fitted into area of dc.
    void Draw(HDC dc, const RECT& area) const;

  private:
    HBITMAP bitmap_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

}  // namespace kv::viewer
