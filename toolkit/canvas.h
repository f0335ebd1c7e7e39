// A drawing surface over an image: a brush that fills, a pen that outlines and
// draws lines, and a current pen position. Pixel coordinates have their origin
// at the top-left corner with y growing downwards; drawing outside the image is
// clipped. The pixels drawn are those of the Qt painter that the first version
// of this toolkit drew with (aliased, on a 32-bit image), so pictures stay the
// same from one version to the next.
#pragma once

#include "toolkit/color.h"
#include "toolkit/image.h"

namespace toolkit {

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};

// The pixels [x, x + width) x [y, y + height); empty when the width or the
// height is below 1.
struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool empty() const { return width < 1 || height < 1; }
    bool operator==(const Rect&) const = default;
};

// Numbering as the callers pass them: 0 is solid for both.
enum class BrushStyle {
    Solid = 0,
    Clear = 1,
    Horizontal = 2,
    Vertical = 3,
    FDiagonal = 4,
    BDiagonal = 5,
    Cross = 6,
    DiagCross = 7
};
enum class PenStyle {
    Solid = 0,
    Dash = 1,
    Dot = 2,
    DashDot = 3,
    DashDotDot = 4,
    Clear = 5,
    InsideFrame = 6
};

BrushStyle brushStyleFromInt(int style); // unknown values give Solid
PenStyle penStyleFromInt(int style);     // unknown values give Solid

// A hatched brush paints its lines in its colour and leaves the pixels
// between them as they were; its pattern repeats every 8 pixels from the
// image's origin.
struct Brush {
    Color color = kWhite;
    BrushStyle style = BrushStyle::Solid;
};

// Widths below 1 draw as 1. InsideFrame draws as Solid.
struct Pen {
    Color color = kBlack;
    PenStyle style = PenStyle::Solid;
    int width = 1;
};

class Canvas {
public:
    // The image is not owned and must outlive the canvas.
    explicit Canvas(Image* image) : image_(image) {}

    Brush& brush() { return brush_; }
    const Brush& brush() const { return brush_; }
    Pen& pen() { return pen_; }
    const Pen& pen() const { return pen_; }

    int width() const { return image_->width(); }
    int height() const { return image_->height(); }

    // The rectangle of corners (x1, y1) and (x2, y2), in either order, without
    // its right column and bottom row: filled with the brush, then outlined
    // with the pen (the pen's line runs along the outermost pixels; a wide
    // pen spreads to both sides of it).
    void rectangle(int x1, int y1, int x2, int y2);
    // The area filled with the brush only.
    void fillRect(const Rect& r);
    void moveTo(int x, int y);
    // A segment from the pen position to (x, y) with the pen, without its
    // end pixel; (x, y) becomes the pen position.
    void lineTo(int x, int y);
    Point penPos() const { return penPos_; }

    // Copies the source rectangle of a canvas (this one too) onto the
    // destination rectangle of this one, scaling to the nearest pixel when
    // the sizes differ; the parts outside either image are left out.
    void copyRect(const Rect& dest, const Canvas& source, const Rect& sourceRect);
    // Draws a whole picture with its top-left corner at (x, y).
    void draw(int x, int y, const Image& picture);

    Color pixel(int x, int y) const; // black outside the image

    const Image& image() const { return *image_; }

private:
    Image* image_;
    Brush brush_;
    Pen pen_;
    Point penPos_{0, 0};
};

} // namespace toolkit
