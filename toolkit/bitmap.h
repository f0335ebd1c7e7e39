// An off-screen picture with a canvas; needs no display and no application
// object. Pixels are 24-bit colours; a new or enlarged area is white.
#pragma once

#include <QImage>
#include <QString>

#include "toolkit/canvas.h"

namespace toolkit {

class Bitmap {
public:
    Bitmap() : canvas_(&image_) {}
    Bitmap(int width, int height);
    Bitmap(const Bitmap& other);
    Bitmap& operator=(const Bitmap& other);

    int width() const { return image_.width(); }
    int height() const { return image_.height(); }
    // Keeps the part of the picture that still fits; a size below 0 counts as 0.
    void setWidth(int w) { setSize(w, height()); }
    void setHeight(int h) { setSize(width(), h); }
    void setSize(int w, int h);

    Canvas& canvas() { return canvas_; }
    const Canvas& canvas() const { return canvas_; }
    const QImage& image() const { return image_; }

    // Replaces the picture by the one in the file; false, and no change, when
    // the file cannot be read as a picture.
    bool loadFromFile(const QString& path);
    // Writes a 24-bit BMP file (or another format Qt writes, such as "PNG");
    // false when the file cannot be written or the bitmap is empty.
    bool saveToFile(const QString& path, const char* format = "BMP") const;

private:
    QImage image_;
    Canvas canvas_;
};

} // namespace toolkit
