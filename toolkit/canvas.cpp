#include "toolkit/canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "toolkit/thin_pen.h"
#include "toolkit/wide_pen.h"

namespace toolkit {

BrushStyle brushStyleFromInt(int style) {
    return style >= 0 && style <= 7 ? static_cast<BrushStyle>(style) : BrushStyle::Solid;
}

PenStyle penStyleFromInt(int style) {
    return style >= 0 && style <= 6 ? static_cast<PenStyle>(style) : PenStyle::Solid;
}

namespace {

// Pixel coordinates far outside the image are drawn as if they were at this
// distance: the clipped result is the same, and no sum overflows.
constexpr int kFar = 1 << 20;
int limit(std::int64_t v) {
    return static_cast<int>(std::clamp<std::int64_t>(v, -kFar, kFar));
}

// Whether a hatched brush paints (x, y), for x and y >= 0.
bool hatched(BrushStyle style, int x, int y) {
    const bool horizontal = y % 8 == 3, vertical = x % 8 == 4;
    const bool forward = (x - y) % 8 == 0, backward = (x + y) % 8 == 7;
    switch (style) {
    case BrushStyle::Horizontal:
        return horizontal;
    case BrushStyle::Vertical:
        return vertical;
    case BrushStyle::Cross:
        return horizontal || vertical;
    case BrushStyle::FDiagonal:
        return forward;
    case BrushStyle::BDiagonal:
        return backward;
    case BrushStyle::DiagCross:
        return forward || backward;
    case BrushStyle::Solid:
    case BrushStyle::Clear:
        break;
    }
    return style == BrushStyle::Solid;
}

// The area [left, right) x [top, bottom), clipped, in the brush.
void fill(Image& image, int left, int top, int right, int bottom, const Brush& brush) {
    if (brush.style == BrushStyle::Clear) return;
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, image.width());
    bottom = std::min(bottom, image.height());
    if (right <= left) return;
    const Color c = brush.color & kColorMask;
    for (int y = top; y < bottom; ++y) {
        Color* row = image.row(y);
        if (brush.style == BrushStyle::Solid) {
            std::fill(row + left, row + right, c);
            continue;
        }
        for (int x = left; x < right; ++x)
            if (hatched(brush.style, x, y)) row[x] = c;
    }
}

bool inside(const Image& image, int left, int top, int right, int bottom) {
    return left >= 0 && top >= 0 && right <= image.width() && bottom <= image.height();
}

bool thinSolid(const Pen& p) {
    return (p.style == PenStyle::Solid || p.style == PenStyle::InsideFrame) && p.width <= 1;
}

// The source rectangle of `from` onto the destination rectangle of `to`, to
// the nearest pixel in 16.16 fixed point: the source column of destination
// column i is source.x + (start + i * step) >> 16, with the step truncated and
// the start half a step on, rounded up, less one (rows alike). Pixels outside
// either image are left out.
void copyScaled(Image& to, const Rect& dest, const Image& from, const Rect& source) {
    if (dest.empty() || source.empty()) return;
    const std::int64_t stepX = static_cast<std::int64_t>(65536.0 * source.width / dest.width);
    const std::int64_t stepY = static_cast<std::int64_t>(65536.0 * source.height / dest.height);
    const std::int64_t startX = static_cast<std::int64_t>(std::ceil(0.5 * stepX)) - 1;
    const std::int64_t startY = static_cast<std::int64_t>(std::ceil(0.5 * stepY)) - 1;
    for (int i = 0; i < dest.height; ++i) {
        const std::int64_t y = std::int64_t{dest.y} + i;
        const std::int64_t sy = source.y + ((startY + i * stepY) >> 16);
        if (y < 0 || y >= to.height() || sy < 0 || sy >= from.height()) continue;
        const Color* in = from.row(static_cast<int>(sy));
        Color* out = to.row(static_cast<int>(y));
        for (int j = 0; j < dest.width; ++j) {
            const std::int64_t x = std::int64_t{dest.x} + j;
            const std::int64_t sx = source.x + ((startX + j * stepX) >> 16);
            if (x >= 0 && x < to.width() && sx >= 0 && sx < from.width()) out[x] = in[sx];
        }
    }
}

} // namespace

void Canvas::rectangle(int x1, int y1, int x2, int y2) {
    const int left = limit(std::min(x1, x2)), right = limit(std::max(x1, x2));
    const int top = limit(std::min(y1, y2)), bottom = limit(std::max(y1, y2));
    if (right <= left || bottom <= top) return;
    Image& image = *image_;
    fill(image, left, top, right, bottom, brush_);
    if (pen_.style == PenStyle::Clear) return;
    const Brush penColor{pen_.color, BrushStyle::Solid};
    // A rectangle one pixel thin is all outline, whatever the pen.
    if (right - left == 1 || bottom - top == 1) {
        fill(image, left, top, right, bottom, penColor);
    } else if (thinSolid(pen_) && inside(image, left, top, right, bottom)) {
        // Inside the image a thin solid outline is the outermost ring of
        // pixels (drawn as the pen below would, only faster).
        fill(image, left, top, right, top + 1, penColor);
        fill(image, left, bottom - 1, right, bottom, penColor);
        fill(image, left, top, left + 1, bottom, penColor);
        fill(image, right - 1, top, right, bottom, penColor);
    } else if (pen_.width <= 1) {
        const Point corners[] = {
            {left, top}, {right - 1, top}, {right - 1, bottom - 1}, {left, bottom - 1}};
        detail::ThinPen(image, pen_.color, pen_.style).outline(corners);
    } else {
        detail::wideOutline(image, left, top, right - 1, bottom - 1, pen_);
    }
}

void Canvas::fillRect(const Rect& r) {
    if (r.empty()) return;
    fill(*image_, limit(r.x), limit(r.y), limit(std::int64_t{r.x} + r.width),
         limit(std::int64_t{r.y} + r.height), brush_);
}

void Canvas::moveTo(int x, int y) {
    penPos_ = Point{limit(x), limit(y)};
}

void Canvas::lineTo(int x, int y) {
    const Point to{limit(x), limit(y)};
    const Point from = penPos_;
    penPos_ = to;
    if (pen_.style == PenStyle::Clear || to == from) return;
    const int x0 = std::min(to.x, from.x), x1 = std::max(to.x, from.x);
    const int y0 = std::min(to.y, from.y), y1 = std::max(to.y, from.y);
    if (thinSolid(pen_) && (x0 == x1 || y0 == y1) && inside(*image_, x0, y0, x1 + 1, y1 + 1)) {
        // Inside the image a thin solid row or column is the run of pixels up
        // to its larger end, whichever way it is drawn.
        const Brush penColor{pen_.color, BrushStyle::Solid};
        if (y0 == y1)
            fill(*image_, x0, y0, x1, y0 + 1, penColor);
        else
            fill(*image_, x0, y0, x0 + 1, y1, penColor);
    } else if (pen_.width <= 1) {
        detail::ThinPen(*image_, pen_.color, pen_.style).line(from, to);
    } else {
        detail::wideLine(*image_, from, to, pen_);
    }
}

void Canvas::copyRect(const Rect& dest, const Canvas& source, const Rect& sourceRect) {
    if (source.image_ == image_) {
        const Image copy = *image_;
        copyScaled(*image_, dest, copy, sourceRect);
    } else {
        copyScaled(*image_, dest, *source.image_, sourceRect);
    }
}

void Canvas::draw(int x, int y, const Image& picture) {
    copyScaled(*image_, Rect{x, y, picture.width(), picture.height()}, picture,
               Rect{0, 0, picture.width(), picture.height()});
}

Color Canvas::pixel(int x, int y) const {
    return image_->contains(x, y) ? image_->pixel(x, y) : kBlack;
}

} // namespace toolkit
