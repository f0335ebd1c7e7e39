// A pen one pixel wide: lines stepped one pixel per row or column in 26.6
// fixed point, clipped to a band one pixel around the image, with the rules
// that keep the joints of an outline free of gaps and doubled pixels; dashes
// count along the stepped axis.
#pragma once

#include <climits>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "toolkit/canvas.h"

namespace toolkit::detail {

class ThinPen {
public:
    ThinPen(Image& image, Color color, PenStyle style);

    // One segment without its end pixel.
    void line(Point from, Point to);
    // The closed outline through the corners, in order.
    void outline(std::span<const Point> corners);

private:
    // Direction of the last segment drawn; the bits of opposite directions
    // differ by the masks.
    enum Direction : unsigned {
        NoDirection = 0,
        TopToBottom = 0x1,
        BottomToTop = 0x2,
        LeftToRight = 0x4,
        RightToLeft = 0x8,
    };
    static constexpr unsigned kVertical = 0x3, kHorizontal = 0xc;
    // A pixel, or none (the last pixel before a segment is unknown).
    struct Pixel {
        std::int64_t x = kNone, y = kNone;
        bool operator==(const Pixel&) const = default;
    };
    static constexpr std::int64_t kNone = INT64_MIN;
    // The pixels of a segment: one per step a = first .. end - 1 along its
    // major axis, with the minor coordinate b in 16.16, growing by bStep.
    struct Run {
        bool steep;   // the major axis is y
        bool swapped; // drawn towards smaller a
        std::int64_t a, end, b, bStep;
        unsigned direction;
        Pixel at(std::int64_t major, std::int64_t minor16) const;
        Pixel first() const { return at(a, b >> 16); }
        Pixel last() const { return at(end - 1, (b + (end - a - 1) * bStep) >> 16); }
    };
    class Dasher;

    // The run of the segment from (x1, y1) to (x2, y2), clipped; none when
    // nothing of it is left. A segment that turns back from the last
    // direction starts half a pixel earlier (or, drawn backwards, ends half
    // a pixel later) when `capReversal` is set.
    std::optional<Run> runOf(double x1, double y1, double x2, double y2, bool capReversal);
    void segment(double x1, double y1, double x2, double y2);
    // The last pixel and direction of the segment from (x1, y1) to (x2, y2),
    // as drawing it would leave them.
    void lastPixelOf(double x1, double y1, double x2, double y2);
    // Clips the segment to the band around the image; true when nothing of
    // it is left. Clipping an end forgets the last pixel.
    bool clip(double& x1, double& y1, double& x2, double& y2);
    void plot(std::int64_t x, std::int64_t y);

    Image& image_;
    Color color_;
    double xmin_, xmax_, ymin_, ymax_;
    // Cumulative ends of the dashes and gaps in 1/64 pixel, forward and
    // backward; empty for a solid pen.
    std::vector<int> pattern_, reversePattern_;
    int patternLength_ = 0;
    int patternOffset_ = 0;

    unsigned lastDir_ = NoDirection;
    Pixel lastPixel_;
    bool lastAxisAligned_ = false;
};

} // namespace toolkit::detail
