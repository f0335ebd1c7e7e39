#include "toolkit/canvas.h"

#include <QPainter>
#include <algorithm>
#include <cstring>

namespace toolkit {

BrushStyle brushStyleFromInt(int style) {
    return style >= 0 && style <= 7 ? static_cast<BrushStyle>(style) : BrushStyle::Solid;
}

PenStyle penStyleFromInt(int style) {
    return style >= 0 && style <= 6 ? static_cast<PenStyle>(style) : PenStyle::Solid;
}

namespace {

Qt::BrushStyle qtBrushStyle(BrushStyle s) {
    switch (s) {
    case BrushStyle::Solid:
        return Qt::SolidPattern;
    case BrushStyle::Clear:
        return Qt::NoBrush;
    case BrushStyle::Horizontal:
        return Qt::HorPattern;
    case BrushStyle::Vertical:
        return Qt::VerPattern;
    case BrushStyle::FDiagonal:
        return Qt::FDiagPattern;
    case BrushStyle::BDiagonal:
        return Qt::BDiagPattern;
    case BrushStyle::Cross:
        return Qt::CrossPattern;
    case BrushStyle::DiagCross:
        return Qt::DiagCrossPattern;
    }
    return Qt::SolidPattern;
}

Qt::PenStyle qtPenStyle(PenStyle s) {
    switch (s) {
    case PenStyle::Solid:
    case PenStyle::InsideFrame:
        return Qt::SolidLine;
    case PenStyle::Dash:
        return Qt::DashLine;
    case PenStyle::Dot:
        return Qt::DotLine;
    case PenStyle::DashDot:
        return Qt::DashDotLine;
    case PenStyle::DashDotDot:
        return Qt::DashDotDotLine;
    case PenStyle::Clear:
        return Qt::NoPen;
    }
    return Qt::SolidLine;
}

QPen qtPen(const Pen& p) {
    QPen pen(toQColor(p.color));
    pen.setStyle(qtPenStyle(p.style));
    pen.setWidth(std::max(1, p.width));
    // A segment stops short of its end point, so that joined segments never
    // paint a pixel twice.
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    return pen;
}

// Pixel coordinates far outside the image are drawn as if they were at this
// distance; the clipping result is the same and the painter stays in range.
constexpr int kFar = 1 << 20;
int limit(int v) {
    return std::clamp(v, -kFar, kFar);
}

// A solid pen one pixel wide: what the painter draws with it along a row or a
// column is a run of whole pixels, written directly.
bool thinSolid(const Pen& p) {
    return (p.style == PenStyle::Solid || p.style == PenStyle::InsideFrame) && p.width <= 1;
}

} // namespace

bool Canvas::directPixels(int left, int top, int right, int bottom) const {
    // The painter clips outlines that leave the image in its own way: only
    // areas inside the image are written directly.
    return (image_->format() == QImage::Format_RGB32 ||
            image_->format() == QImage::Format_ARGB32) &&
           left >= 0 && top >= 0 && right <= image_->width() && bottom <= image_->height();
}

void Canvas::fillPixels(int left, int top, int right, int bottom, Color c) {
    // The half-open area [left, right) x [top, bottom), clipped.
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, image_->width());
    bottom = std::min(bottom, image_->height());
    if (right <= left || bottom <= top) return;
    // The pixel value of an opaque colour, as QColor(r, g, b).rgb() gives it.
    const QRgb v = qRgb(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                        static_cast<int>((c >> 16) & 0xFF));
    // One detach for the whole area (scanLine detaches on every call).
    uchar* const bits = image_->bits();
    const qsizetype stride = image_->bytesPerLine();
    for (int y = top; y < bottom; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(bits + y * stride);
        std::fill(row + left, row + right, v);
    }
}

void Canvas::rectangle(int x1, int y1, int x2, int y2) {
    const int left = limit(std::min(x1, x2)), right = limit(std::max(x1, x2));
    const int top = limit(std::min(y1, y2)), bottom = limit(std::max(y1, y2));
    if (right <= left || bottom <= top) return;
    if (directPixels(left, top, right, bottom) &&
        (brush_.style == BrushStyle::Solid || brush_.style == BrushStyle::Clear) &&
        (pen_.style == PenStyle::Clear || thinSolid(pen_))) {
        if (brush_.style == BrushStyle::Solid) fillPixels(left, top, right, bottom, brush_.color);
        if (pen_.style != PenStyle::Clear) {
            // The outline is the outermost ring of pixels of the area.
            fillPixels(left, top, right, top + 1, pen_.color);
            fillPixels(left, bottom - 1, right, bottom, pen_.color);
            fillPixels(left, top, left + 1, bottom, pen_.color);
            fillPixels(right - 1, top, right, bottom, pen_.color);
        }
        return;
    }
    const QRect r(left, top, right - left, bottom - top);
    QPainter painter(image_);
    if (brush_.style != BrushStyle::Clear)
        painter.fillRect(r, QBrush(toQColor(brush_.color), qtBrushStyle(brush_.style)));
    if (pen_.style != PenStyle::Clear) {
        QPen pen = qtPen(pen_);
        pen.setCapStyle(Qt::SquareCap);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        if (r.width() == 1 || r.height() == 1)
            painter.fillRect(r, toQColor(pen_.color));
        else
            painter.drawRect(r.adjusted(0, 0, -1, -1));
    }
}

void Canvas::fillRect(const QRect& r) {
    if (brush_.style == BrushStyle::Clear) return;
    QPainter painter(image_);
    painter.fillRect(r.normalized(), QBrush(toQColor(brush_.color), qtBrushStyle(brush_.style)));
}

void Canvas::moveTo(int x, int y) {
    penPos_ = QPoint(limit(x), limit(y));
}

void Canvas::lineTo(int x, int y) {
    const QPoint to(limit(x), limit(y));
    const int x0 = std::min(to.x(), penPos_.x()), x1 = std::max(to.x(), penPos_.x());
    const int y0 = std::min(to.y(), penPos_.y()), y1 = std::max(to.y(), penPos_.y());
    if (to != penPos_ && thinSolid(pen_) && (x0 == x1 || y0 == y1) &&
        directPixels(x0, y0, x1 + 1, y1 + 1)) {
        // A row or a column stops short of its larger end, whichever way it
        // is drawn.
        if (y0 == y1)
            fillPixels(x0, y0, x1, y0 + 1, pen_.color);
        else
            fillPixels(x0, y0, x0 + 1, y1, pen_.color);
    } else if (pen_.style != PenStyle::Clear && to != penPos_) {
        QPainter painter(image_);
        painter.setPen(qtPen(pen_));
        painter.drawLine(penPos_, to);
    }
    penPos_ = to;
}

void Canvas::copyRect(const QRect& dest, const Canvas& source, const QRect& sourceRect) {
    const QImage& from = *source.image_;
    if (source.image_ != image_ && dest.size() == sourceRect.size() &&
        from.format() == QImage::Format_RGB32 && image_->format() == QImage::Format_RGB32 &&
        from.rect().contains(sourceRect) && image_->rect().contains(dest)) {
        // Opaque pixels onto pixels of the same format, unscaled: the
        // painter would copy them unchanged.
        const std::size_t rowBytes = static_cast<std::size_t>(dest.width()) * sizeof(QRgb);
        for (int y = 0; y < dest.height(); ++y)
            std::memcpy(image_->scanLine(dest.top() + y) + dest.left() * sizeof(QRgb),
                        from.constScanLine(sourceRect.top() + y) + sourceRect.left() * sizeof(QRgb),
                        rowBytes);
        return;
    }
    if (source.image_ == image_) {
        const QImage copy = image_->copy(sourceRect);
        QPainter painter(image_);
        painter.drawImage(dest, copy);
        return;
    }
    QPainter painter(image_);
    painter.drawImage(dest, *source.image_, sourceRect);
}

void Canvas::draw(int x, int y, const QImage& picture) {
    QPainter painter(image_);
    painter.drawImage(QPoint(x, y), picture);
}

Color Canvas::pixel(int x, int y) const {
    if (!image_->rect().contains(x, y)) return kBlack;
    return fromRgb(image_->pixel(x, y));
}

} // namespace toolkit
