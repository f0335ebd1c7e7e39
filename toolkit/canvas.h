// A drawing surface over an image: a brush that fills, a pen that outlines and
// draws lines, and a current pen position. Pixel coordinates have their origin
// at the top-left corner with y growing downwards; drawing outside the image is
// clipped.
#pragma once

#include <QImage>
#include <QRect>

#include "toolkit/color.h"

namespace toolkit {

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

struct Brush {
    Color color = kWhite;
    BrushStyle style = BrushStyle::Solid;
};

struct Pen {
    Color color = kBlack;
    PenStyle style = PenStyle::Solid;
    int width = 1;
};

class Canvas {
public:
    // The image is not owned and must outlive the canvas.
    explicit Canvas(QImage* image) : image_(image) {}

    Brush& brush() { return brush_; }
    const Brush& brush() const { return brush_; }
    Pen& pen() { return pen_; }
    const Pen& pen() const { return pen_; }

    int width() const { return image_->width(); }
    int height() const { return image_->height(); }

    // The rectangle of corners (x1, y1) and (x2, y2), in either order, without
    // its right column and bottom row: filled with the brush, then outlined
    // with the pen.
    void rectangle(int x1, int y1, int x2, int y2);
    // The same area filled with the brush only.
    void fillRect(const QRect& r);
    void moveTo(int x, int y);
    // A segment from the pen position to (x, y) with the pen; (x, y) becomes
    // the pen position.
    void lineTo(int x, int y);
    QPoint penPos() const { return penPos_; }

    // Copies the source rectangle of another canvas onto the destination
    // rectangle of this one, scaling when the sizes differ.
    void copyRect(const QRect& dest, const Canvas& source, const QRect& sourceRect);
    // Draws a whole image with its top-left corner at (x, y).
    void draw(int x, int y, const QImage& picture);

    Color pixel(int x, int y) const; // black outside the image

    const QImage& image() const { return *image_; }

private:
    // Whether pixels of the area [left, right) x [top, bottom) can be
    // written directly, with the same result as the painter's.
    bool directPixels(int left, int top, int right, int bottom) const;
    void fillPixels(int left, int top, int right, int bottom, Color c);

    QImage* image_;
    Brush brush_;
    Pen pen_;
    QPoint penPos_{0, 0};
};

} // namespace toolkit
