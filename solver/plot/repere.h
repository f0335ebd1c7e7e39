// The frame of a two-dimensional plot: maps a horizontal and a vertical range
// of values onto an image and draws boxes into it, filled or outlined.
//
// Only two variables of a box are drawn, those of its plot X and plot Y
// indices; a box with a single variable is drawn against the vertical range
// [-1, 1]. The frame does not own the image.
#pragma once

#include <string>

#include "interval/ivalDb.h"
#include "solver/model/box.h"
#include "toolkit/bitmap.h"

namespace modal {

// The pixel of a coordinate mapped in extended precision: truncated toward
// zero, clamped to +-2^22 (far enough to be clipped, near enough for an int);
// NaN gives -2^22.
int truncatePixel(long double p) noexcept;

class repere {
public:
    // Client size of the picture that the solver draws into.
    static constexpr int kImageWidth = 1017;
    static constexpr int kImageHeight = 713;

    // Both ranges [-inf, +inf] and no image: drawing does nothing.
    repere() = default;
    // Horizontal range [xLow, xHigh], vertical range [yLow, yHigh], each built
    // with outward rounding.
    repere(toolkit::Bitmap& image, double xLow, double xHigh, double yLow, double yHigh);

    const ivalDb& horizontal() const noexcept { return horizontal_; }
    const ivalDb& vertical() const noexcept { return vertical_; }
    toolkit::Bitmap* image() const noexcept { return image_; }

    // The box as a rectangle filled with the brush colour and outlined with
    // the pen colour; its right and bottom edges are widened by one pixel.
    void fillBox(const box& b, toolkit::Color brushColor, toolkit::Color penColor, int brushStyle);
    // The box's four edges.
    void outlineBox(const box& b, toolkit::Color penColor, int penStyle, int penWidth);
    // One segment in value coordinates; the pen width is 1 again afterwards.
    void line(double x1, double y1, double x2, double y2, toolkit::Color penColor, int penStyle,
              int penWidth);
    // Writes the image, at its client size, as prefix + "Image.bmp". False
    // when there is no image, it is empty, or the file cannot be written.
    bool savePicture(const std::string& prefix) const;
    // The same pixels as a PNG file, prefix + "Image.png".
    bool savePng(const std::string& prefix) const;
    // The picture at `path` in `format` ("BMP" or "PNG").
    bool save(const std::string& path, const char* format) const;

    // Pixel column of value v and pixel row of value w for the image's current
    // size, with `shift` pixels added before truncation toward zero. Values
    // that map far outside the image (infinite or undefined scales included)
    // give a coordinate that is still far outside it.
    int pixelX(double v, int shift = 0) const;
    int pixelY(double w, int shift = 0) const;

private:
    struct scale {
        float sx, ox, sy, oy;
    };
    // The mapping for the image's current size, computed once per drawing
    // call.
    scale currentScale() const;
    static int pixelX(const scale& s, double v, int shift = 0);
    static int pixelY(const scale& s, double w, int shift = 0);
    void line(const scale& s, double x1, double y1, double x2, double y2, toolkit::Color penColor,
              int penStyle, int penWidth);
    // A line between two pixels.
    void pixelLine(int x1, int y1, int x2, int y2, toolkit::Color penColor, int penStyle,
                   int penWidth);
    // The drawn intervals of b; false when b has nothing to draw.
    bool drawnIntervals(const box& b, ivalDb& x, ivalDb& y) const;
    bool canDraw() const;

    ivalDb vertical_;
    ivalDb horizontal_;
    toolkit::Bitmap* image_ = nullptr;
};

} // namespace modal
