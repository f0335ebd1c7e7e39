// An off-screen picture with a canvas. Pixels are 24-bit colours; a new or
// enlarged area is white.
#pragma once

#include <string>

#include "toolkit/canvas.h"
#include "toolkit/image.h"

namespace toolkit {

class Bitmap {
public:
    Bitmap() : canvas_(&image_) {}
    Bitmap(int width, int height);
    Bitmap(const Bitmap& other);
    Bitmap& operator=(const Bitmap& other);

    int width() const { return image_.width(); }
    int height() const { return image_.height(); }
    // Keeps the part of the picture that still fits; a size below 1 empties
    // the picture.
    void setWidth(int w) { setSize(w, height()); }
    void setHeight(int h) { setSize(width(), h); }
    void setSize(int w, int h);

    Canvas& canvas() { return canvas_; }
    const Canvas& canvas() const { return canvas_; }
    const Image& image() const { return image_; }

    // Writes the picture as a 24-bit BMP file, or with format "PNG" (either
    // in any case) as an 8-bit RGB PNG file; false when the bitmap is
    // empty, the format unknown or the file cannot be written. Any thread
    // may save its own bitmap.
    bool saveToFile(const std::string& path, const std::string& format = "BMP") const;

private:
    Image image_;
    Canvas canvas_;
};

} // namespace toolkit
