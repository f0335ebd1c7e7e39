#include "toolkit/thin_pen.h"

#include <cmath>
#include <cstdlib>
#include <utility>

#include "toolkit/dashes.h"
#include "toolkit/segment_clip.h"

namespace toolkit::detail {

namespace {

using i64 = std::int64_t;

// 26.6 fixed point, truncated toward zero.
i64 toFixed26(double v) {
    return static_cast<i64>(static_cast<int>(v * 64.0));
}

// a / b in 16.16 fixed point, truncated toward zero.
i64 fixedDiv(i64 a, i64 b) {
    return (a * 65536) / b;
}

} // namespace

// Whether the pen is down at each pixel of a segment, and where the pattern
// stands for the next segment. A segment drawn backwards reads the pattern
// backwards from the position its far end will have.
class ThinPen::Dasher {
public:
    Dasher(ThinPen& pen, bool reverse, i64 start, i64 stop) : pen_(pen) {
        if (pen.pattern_.empty()) return;
        const i64 delta = stop - start;
        const i64 length = pen.patternLength_;
        if (reverse) {
            ends_ = &pen.reversePattern_;
            offset_ = length - pen.patternOffset_ - delta - ((start & 63) - 32);
            onParity_ = 0;
        } else {
            ends_ = &pen.pattern_;
            offset_ = pen.patternOffset_ - ((start & 63) - 32);
            onParity_ = 1;
        }
        offset_ %= length;
        if (offset_ < 0) offset_ += length;
        while (offset_ >= (*ends_)[index_])
            ++index_;
        pen.patternOffset_ = static_cast<int>((pen.patternOffset_ + delta) % length);
    }
    bool on() const { return ends_ == nullptr || ((index_ + onParity_) & 1) != 0; }
    void advance() {
        if (ends_ == nullptr) return;
        offset_ += 64;
        if (offset_ >= (*ends_)[index_]) index_ = (index_ + 1) % ends_->size();
        offset_ %= pen_.patternLength_;
    }

private:
    ThinPen& pen_;
    const std::vector<int>* ends_ = nullptr;
    i64 offset_ = 0;
    std::size_t index_ = 0;
    std::size_t onParity_ = 1;
};

ThinPen::ThinPen(Image& image, Color color, PenStyle style)
    : image_(image), color_(color & kColorMask), xmin_(-1.0), xmax_(image.width() + 1.0),
      ymin_(-1.0), ymax_(image.height() + 1.0) {
    const std::span<const int> dashes = dashPattern(style);
    int sum = 0;
    for (int d : dashes)
        pattern_.push_back(sum += 64 * d);
    patternLength_ = sum;
    sum = 0;
    for (auto d = dashes.rbegin(); d != dashes.rend(); ++d)
        reversePattern_.push_back(sum += 64 * *d);
}

void ThinPen::plot(i64 x, i64 y) {
    if (x >= 0 && y >= 0 && x < image_.width() && y < image_.height())
        image_.row(static_cast<int>(y))[x] = color_;
}

bool ThinPen::clip(double& x1, double& y1, double& x2, double& y2) {
    const ClippedSegment c = clipSegment(x1, y1, x2, y2, xmin_, xmax_, ymin_, ymax_);
    if (!c.kept || c.endMoved) lastPixel_.x = kNone;
    return !c.kept;
}

ThinPen::Pixel ThinPen::Run::at(i64 major, i64 minor) const {
    return steep ? Pixel{minor, major} : Pixel{major, minor};
}

std::optional<ThinPen::Run> ThinPen::runOf(double rx1, double ry1, double rx2, double ry2,
                                           bool capReversal) {
    if (clip(rx1, ry1, rx2, ry2)) return std::nullopt;
    i64 x1 = toFixed26(rx1), y1 = toFixed26(ry1), x2 = toFixed26(rx2), y2 = toFixed26(ry2);
    Run run{};
    run.steep = std::abs(x2 - x1) < std::abs(y2 - y1);
    if (!run.steep && x2 == x1) return std::nullopt;
    // The major axis a and the minor one b.
    i64 &a1 = run.steep ? y1 : x1, &a2 = run.steep ? y2 : x2;
    i64 &b1 = run.steep ? x1 : y1, &b2 = run.steep ? x2 : y2;
    run.swapped = a1 > a2;
    if (run.swapped) {
        std::swap(a1, a2);
        std::swap(b1, b2);
    }
    run.direction = run.steep ? (run.swapped ? BottomToTop : TopToBottom)
                              : (run.swapped ? RightToLeft : LeftToRight);
    run.bStep = fixedDiv(b2 - b1, a2 - a1);
    run.b = b1 * 1024;
    if (capReversal && (lastDir_ ^ (run.steep ? kVertical : kHorizontal)) == run.direction) {
        if (run.swapped) {
            a2 += 32;
        } else {
            a1 -= 32;
            run.b -= run.bStep >> 1;
        }
    }
    run.a = (a1 + 32) >> 6;
    run.end = (a2 + 32) >> 6;
    if (run.a == run.end) return std::nullopt;
    run.b += (((run.a << 6) + (run.bStep > 0 ? 32 : 0) - a1) * run.bStep) >> 6;
    return run;
}

void ThinPen::lastPixelOf(double x1, double y1, double x2, double y2) {
    lastPixel_ = Pixel{};
    const std::optional<Run> run = runOf(x1, y1, x2, y2, false);
    if (!run) return;
    lastPixel_ = run->swapped ? run->first() : run->last();
    lastDir_ = run->direction;
    lastAxisAligned_ = std::abs(run->bStep) < (1 << 14);
}

void ThinPen::segment(double x1, double y1, double x2, double y2) {
    std::optional<Run> found = runOf(x1, y1, x2, y2, true);
    if (!found) return;
    Run& run = *found;
    Pixel first = run.first(), last = run.last();
    if (run.swapped) std::swap(first, last);

    // Joints: a pixel the previous segment drew is not drawn again, and one
    // missing between two segments is added.
    const bool axisAligned = std::abs(run.bStep) < (1 << 14);
    if (lastPixel_.x != kNone) {
        if (first == lastPixel_) {
            if (run.swapped) {
                --run.end;
            } else {
                ++run.a;
                run.b += run.bStep;
            }
        } else if (lastDir_ != run.direction &&
                   ((axisAligned && lastAxisAligned_ && lastPixel_.x != first.x &&
                     lastPixel_.y != first.y) ||
                    std::abs(lastPixel_.x - first.x) > 1 || std::abs(lastPixel_.y - first.y) > 1)) {
            if (run.swapped) {
                ++run.end;
            } else {
                --run.a;
                run.b -= run.bStep;
            }
        }
    }
    lastDir_ = run.direction;
    lastAxisAligned_ = axisAligned;

    // At least one pixel, even where the joint took the only one away.
    Dasher dasher(*this, run.swapped, run.a << 6, run.end << 6);
    do {
        if (dasher.on()) {
            const Pixel p = run.at(run.a, run.b >> 16);
            plot(p.x, p.y);
        }
        dasher.advance();
        run.b += run.bStep;
    } while (++run.a < run.end);
    lastPixel_ = last;
}

void ThinPen::line(Point from, Point to) {
    if (from == to) return;
    patternOffset_ = 0;
    lastPixel_.x = kNone;
    segment(from.x, from.y, to.x, to.y);
}

void ThinPen::outline(std::span<const Point> corners) {
    if (corners.empty()) return;
    patternOffset_ = 0;
    // The closing segment's last pixel and direction stand before the first
    // segment, as if the outline had gone round once already.
    const Point start = corners.front(), end = corners.back();
    lastPixelOf(end.x, end.y, start.x, start.y);
    Point p = start;
    for (std::size_t i = 1; i < corners.size(); ++i) {
        segment(p.x, p.y, corners[i].x, corners[i].y);
        p = corners[i];
    }
    segment(p.x, p.y, start.x, start.y);
}

} // namespace toolkit::detail
