#include "solver/plot/repere.h"

#include <cmath>

namespace modal {

namespace {

// Coordinates are limited to this distance from the origin: far enough to be
// clipped whatever the image size, small enough to convert to int safely.
constexpr long double kFar = 1 << 22;

} // namespace

int truncatePixel(long double p) noexcept {
    if (std::isnan(p)) return static_cast<int>(-kFar);
    if (p > kFar) return static_cast<int>(kFar);
    if (p < -kFar) return static_cast<int>(-kFar);
    // Truncation toward zero, without the conversion from long double to
    // int, which switches the x87 rounding mode twice per pixel and stalls
    // the pipeline. Adding and taking away 1.5 * 2^63 rounds p to the nearest
    // integer (exact for |p| <= 2^22), one step back towards zero makes it
    // the truncation, and that integer converts to double and int exactly.
    constexpr long double kRound = 0x1.8p63L;
    long double r = (p + kRound) - kRound;
    if (p >= 0 ? r > p : r < p) r += p >= 0 ? -1 : 1;
    return static_cast<int>(static_cast<double>(r));
}

repere::repere(toolkit::Bitmap& image, double xLow, double xHigh, double yLow, double yHigh)
    : vertical_(yLow, yHigh), horizontal_(xLow, xHigh), image_(&image) {}

repere::scale repere::currentScale() const {
    const double w = image_ ? image_->width() : 0;
    const double h = image_ ? image_->height() : 0;
    scale s{};
    s.sx = static_cast<float>(w / horizontal_.width());
    s.ox = static_cast<float>(-horizontal_.inf() * static_cast<double>(s.sx));
    s.sy = static_cast<float>(h / -vertical_.width());
    s.oy = static_cast<float>(-vertical_.sup() * static_cast<double>(s.sy));
    return s;
}

int repere::pixelX(const scale& s, double v, int shift) {
    return truncatePixel(static_cast<long double>(v) * s.sx + s.ox + shift);
}

int repere::pixelY(const scale& s, double w, int shift) {
    return truncatePixel(static_cast<long double>(w) * s.sy + s.oy + shift);
}

int repere::pixelX(double v, int shift) const {
    return pixelX(currentScale(), v, shift);
}

int repere::pixelY(double w, int shift) const {
    return pixelY(currentScale(), w, shift);
}

bool repere::canDraw() const {
    return image_ != nullptr && image_->width() > 0 && image_->height() > 0;
}

bool repere::drawnIntervals(const box& b, ivalDb& x, ivalDb& y) const {
    const int n = b.size();
    const int ix = b.getPlotX(), iy = b.getPlotY();
    if (ix < 0 || ix >= n) return false;
    x = b[ix].domain;
    if (n < 2) {
        y = ivalDb(-1.0, 1.0);
        return true;
    }
    if (iy < 0 || iy >= n) return false;
    y = b[iy].domain;
    return true;
}

void repere::fillBox(const box& b, toolkit::Color brushColor, toolkit::Color penColor,
                     int brushStyle) {
    ivalDb x, y;
    if (!canDraw() || !drawnIntervals(b, x, y)) return;
    toolkit::Canvas& canvas = image_->canvas();
    canvas.brush().style = toolkit::brushStyleFromInt(brushStyle);
    canvas.brush().color = brushColor;
    canvas.pen().color = penColor;
    const scale s = currentScale();
    canvas.rectangle(pixelX(s, x.inf()), pixelY(s, y.inf()), pixelX(s, x.sup(), 1),
                     pixelY(s, y.sup(), -1));
}

void repere::outlineBox(const box& b, toolkit::Color penColor, int penStyle, int penWidth) {
    ivalDb x, y;
    if (!canDraw() || !drawnIntervals(b, x, y)) return;
    // The four corners once, then the four sides between them.
    const scale s = currentScale();
    const int left = pixelX(s, x.inf()), right = pixelX(s, x.sup());
    const int low = pixelY(s, y.inf()), high = pixelY(s, y.sup());
    pixelLine(left, low, left, high, penColor, penStyle, penWidth);
    pixelLine(left, low, right, low, penColor, penStyle, penWidth);
    pixelLine(right, high, left, high, penColor, penStyle, penWidth);
    pixelLine(right, high, right, low, penColor, penStyle, penWidth);
}

void repere::line(double x1, double y1, double x2, double y2, toolkit::Color penColor, int penStyle,
                  int penWidth) {
    if (!canDraw()) return;
    line(currentScale(), x1, y1, x2, y2, penColor, penStyle, penWidth);
}

void repere::line(const scale& s, double x1, double y1, double x2, double y2,
                  toolkit::Color penColor, int penStyle, int penWidth) {
    pixelLine(pixelX(s, x1), pixelY(s, y1), pixelX(s, x2), pixelY(s, y2), penColor, penStyle,
              penWidth);
}

void repere::pixelLine(int x1, int y1, int x2, int y2, toolkit::Color penColor, int penStyle,
                       int penWidth) {
    toolkit::Canvas& canvas = image_->canvas();
    canvas.pen().color = penColor;
    canvas.pen().style = toolkit::penStyleFromInt(penStyle);
    canvas.pen().width = penWidth;
    canvas.moveTo(x1, y1);
    canvas.lineTo(x2, y2);
    canvas.pen().width = 1;
}

bool repere::savePicture(const std::string& prefix) const {
    return save(prefix + "Image.bmp", "BMP");
}

bool repere::savePng(const std::string& prefix) const {
    return save(prefix + "Image.png", "PNG");
}

bool repere::save(const std::string& path, const char* format) const {
    if (!canDraw()) return false;
    // The image is the picture at its client size: it is saved as it is.
    return image_->saveToFile(path, format);
}

} // namespace modal
