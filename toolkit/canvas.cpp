#include "toolkit/canvas.h"

#include <QPainter>
#include <algorithm>

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

} // namespace

void Canvas::rectangle(int x1, int y1, int x2, int y2) {
    const int left = limit(std::min(x1, x2)), right = limit(std::max(x1, x2));
    const int top = limit(std::min(y1, y2)), bottom = limit(std::max(y1, y2));
    if (right <= left || bottom <= top) return;
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
    if (pen_.style != PenStyle::Clear && to != penPos_) {
        QPainter painter(image_);
        painter.setPen(qtPen(pen_));
        painter.drawLine(penPos_, to);
    }
    penPos_ = to;
}

void Canvas::copyRect(const QRect& dest, const Canvas& source, const QRect& sourceRect) {
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

void Canvas::setPixel(int x, int y, Color c) {
    if (!image_->rect().contains(x, y)) return;
    image_->setPixel(x, y, toQColor(c).rgb());
}

} // namespace toolkit
