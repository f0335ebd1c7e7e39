#include "toolkit/wide_pen.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "toolkit/dashes.h"
#include "toolkit/segment_clip.h"

namespace toolkit::detail {

namespace {

using i64 = std::int64_t;

struct Vec {
    double x, y;
};
Vec operator+(Vec a, Vec b) {
    return {a.x + b.x, a.y + b.y};
}
Vec operator-(Vec a, Vec b) {
    return {a.x - b.x, a.y - b.y};
}
Vec operator*(Vec a, double k) {
    return {a.x * k, a.y * k};
}
bool operator==(Vec a, Vec b) {
    return a.x == b.x && a.y == b.y;
}

// Two values the same to 1/64 pixel (their difference truncates to 0).
bool sameIn26Dot6(double a, double b) {
    return static_cast<int>((b - a) * 64.0) == 0;
}

Vec snapTo26Dot6(Vec p) {
    return {std::floor(p.x * 64) * (1 / 64.0), std::floor(p.y * 64) * (1 / 64.0)};
}

// A quotient whose divisor may be 0: then a value far outside any int.
double safeDivide(double x, double y) {
    if (y == 0) return x > 0 ? 1e20 : -1e20;
    return x / y;
}

// 16.16 fixed point, truncated toward zero and clamped to the range.
i64 toFixed16(double x) {
    const double t = x * 65536.0;
    if (t >= 0x1p63) return std::numeric_limits<i64>::max();
    if (t < -0x1p63) return std::numeric_limits<i64>::min();
    return static_cast<i64>(t);
}

// Sums and products of 16.16 values wrap around as two's complement would,
// far outside the image where they can overflow.
i64 wrapAdd(i64 a, i64 b) {
    return static_cast<i64>(static_cast<std::uint64_t>(a) + static_cast<std::uint64_t>(b));
}
i64 wrapMul(i64 a, i64 b) {
    return static_cast<i64>(static_cast<std::uint64_t>(a) * static_cast<std::uint64_t>(b));
}
int fixedToInt(i64 v) {
    return static_cast<int>(v >> 16);
}

class Spans {
public:
    Spans(Image& image, Color color) : image_(image), color_(color & kColorMask) {}
    int width() const { return image_.width(); }
    int height() const { return image_.height(); }
    // Pixels [x, x + length) of row y, which the caller keeps inside.
    void span(int x, int length, int y) {
        if (length <= 0) return;
        Color* row = image_.row(y);
        std::fill(row + x, row + x + length, color_);
    }

private:
    Image& image_;
    Color color_;
};

// The band of `width` (relative to the length of a -> b) around the segment
// a -> b, with flat ends: the pixels whose centres it holds.
void band(Spans& out, Vec a, Vec b, double width) {
    if (a == b || !(width > 0.0) || out.width() < 1 || out.height() < 1) return;
    Vec pa = a, pb = b;

    // Clip the ends to the image widened by the band's half width.
    if (!std::isfinite(pa.x) || !std::isfinite(pa.y) || !std::isfinite(pb.x) ||
        !std::isfinite(pb.y))
        return;
    const Vec offs = Vec{std::abs(b.y - a.y), std::abs(b.x - a.x)} * width * 0.5;
    const double clipLeft = 0 - offs.x, clipTop = 0 - offs.y;
    const double clipRight = clipLeft + ((out.width() + offs.x) - clipLeft);
    const double clipBottom = clipTop + ((out.height() + offs.y) - clipTop);
    if (!clipSegment(pa.x, pa.y, pb.x, pb.y, clipLeft, clipRight, clipTop, clipBottom).kept) return;
    {
        // The width is relative to the length: keep it as long as before.
        const Vec d0 = a - b;
        const double w0 = d0.x * d0.x + d0.y * d0.y;
        const Vec d = pa - pb;
        const double w = d.y * d.y + d.x * d.x;
        if (w == 0) return;
        width *= std::sqrt(w0 / w);
    }

    const int lastColumn = out.width() - 1, lastRow = out.height() - 1;
    if (sameIn26Dot6(pa.y, pb.y)) {
        // A horizontal band is the vertical one of its height.
        const double x = (pa.x + pb.x) * 0.5;
        const double dx = std::abs(pb.x - pa.x) * 0.5;
        const double y = pa.y;
        const double dy = width * dx;
        pa = Vec{x, y - dy};
        pb = Vec{x, y + dy};
        width = 1 / width;
    }
    if (sameIn26Dot6(pa.x, pb.x)) {
        if (pa.y > pb.y) std::swap(pa, pb);
        const double halfWidth = 0.5 * width * (pb.y - pa.y);
        const double left = std::clamp(pa.x - halfWidth, 0.0, lastColumn + 1.0);
        const double rightEdge = std::clamp(pa.x + halfWidth, 0.0, lastColumn + 1.0);
        pa.y = std::clamp(pa.y, 0.0, lastRow + 1.0);
        pb.y = std::clamp(pb.y, 0.0, lastRow + 1.0);
        if (sameIn26Dot6(left, rightEdge) || sameIn26Dot6(pa.y, pb.y)) return;
        const int iTop = static_cast<int>(pa.y + 0.5);
        const int iBottom = pb.y < 0.5 ? -1 : static_cast<int>(pb.y - 0.5);
        const int iLeft = static_cast<int>(left + 0.5);
        const int iRight = rightEdge < 0.5 ? -1 : static_cast<int>(rightEdge - 0.5);
        for (int y = iTop; y <= iBottom; ++y)
            out.span(iLeft, iRight - iLeft + 1, y);
        return;
    }

    // A slanted band: a quadrilateral with corners top, left, right and
    // bottom, scanned row by row between its left and right edges.
    if (pa.y > pb.y) std::swap(pa, pb);
    const Vec delta = (pb - pa) * (0.5 * width);
    const Vec perp{delta.y, -delta.x};
    Vec top, left, rightCorner, bottomCorner;
    if (pa.x < pb.x) {
        top = pa + perp;
        left = pa - perp;
        rightCorner = pb + perp;
        bottomCorner = pb - perp;
    } else {
        top = pa - perp;
        left = pb - perp;
        rightCorner = pa + perp;
        bottomCorner = pb + perp;
    }
    top = snapTo26Dot6(top);
    bottomCorner = snapTo26Dot6(bottomCorner);
    left = snapTo26Dot6(left);
    rightCorner = snapTo26Dot6(rightCorner);

    const Vec topLeftEdge = left - top, topRightEdge = rightCorner - top;
    const Vec bottomLeftEdge = bottomCorner - left, bottomRightEdge = bottomCorner - rightCorner;
    const double topLeftSlope = safeDivide(topLeftEdge.x, topLeftEdge.y);
    const double bottomLeftSlope = safeDivide(bottomLeftEdge.x, bottomLeftEdge.y);
    const double topRightSlope = safeDivide(topRightEdge.x, topRightEdge.y);
    const double bottomRightSlope = safeDivide(bottomRightEdge.x, bottomRightEdge.y);
    const i64 topLeftStep = toFixed16(topLeftSlope), topRightStep = toFixed16(topRightSlope);
    const i64 bottomLeftStep = toFixed16(bottomLeftSlope);
    const i64 bottomRightStep = toFixed16(bottomRightSlope);

    const int iTop = static_cast<int>(top.y + 0.5);
    int iLeft = left.y < 0.5 ? -1 : static_cast<int>(left.y - 0.5);
    int iRight = rightCorner.y < 0.5 ? -1 : static_cast<int>(rightCorner.y - 0.5);
    int iBottom = bottomCorner.y < 0.5 ? -1 : static_cast<int>(bottomCorner.y - 0.5);
    int iMiddle = std::min(iLeft, iRight);

    // Where the edges cross the centre of the first row below each corner.
    i64 leftA = toFixed16(top.x + 0.5 + (iTop + 0.5 - top.y) * topLeftSlope);
    i64 leftB = toFixed16(left.x + 0.5 + (iLeft + 1.5 - left.y) * bottomLeftSlope);
    i64 rightA = toFixed16(top.x - 0.5 + (iTop + 0.5 - top.y) * topRightSlope);
    i64 rightB = toFixed16(rightCorner.x - 0.5 + (iRight + 1.5 - rightCorner.y) * bottomRightSlope);

    // Rows y..last between a left and a right edge, each stepping by its
    // slope per row. Rows above the image are skipped by stepping the edges
    // as far as the first of them (or as far as last + 1).
    int y = iTop;
    auto rows = [&](int& last, i64& l, i64& r, i64 ls, i64 rs) {
        const int skipTo = std::min(last + 1, 0);
        if (y < skipTo) {
            l = wrapAdd(l, wrapMul(ls, skipTo - y));
            r = wrapAdd(r, wrapMul(rs, skipTo - y));
            y = skipTo;
        }
        if (last > lastRow) last = lastRow;
        for (; y <= last; ++y) {
            const int x1 = std::max(fixedToInt(l), 0);
            const int x2 = std::min(fixedToInt(r), lastColumn);
            if (x2 >= x1) out.span(x1, x2 - x1 + 1, y);
            l = wrapAdd(l, ls);
            r = wrapAdd(r, rs);
        }
    };
    rows(iMiddle, leftA, rightA, topLeftStep, topRightStep);
    rows(iRight, leftB, rightA, bottomLeftStep, topRightStep);
    rows(iLeft, leftA, rightB, topLeftStep, bottomRightStep);
    rows(iBottom, leftB, rightB, bottomLeftStep, bottomRightStep);
}

double length(Vec a, Vec b) {
    return std::hypot(b.x - a.x, b.y - a.y);
}

// The dashes of a segment, each a band; the pattern starts afresh with the
// segment, in units of the pen's width.
void dashedBand(Spans& out, Vec a, Vec b, double width, std::span<const int> pattern) {
    std::size_t index = 0;
    double offset = 0;
    bool inDash = true;
    double remaining = length(a, b);
    while (remaining > 0) {
        const bool draw = inDash;
        double dash = (pattern[index] - offset) * width;
        Vec from = a, to = b;
        if (dash >= remaining) {
            // The rest of the segment, measured afresh.
            dash = length(a, b);
            remaining = 0;
        } else {
            offset = 0;
            inDash = !inDash;
            index = (index + 1) % pattern.size();
            remaining -= dash;
            // The dash is the first `dash` of what is left of the segment.
            const double old = length(a, b);
            to = Vec{a.x + dash * ((b.x - a.x) / old), a.y + dash * ((b.y - a.y) / old)};
            a = to;
        }
        if (draw && dash > 0) band(out, from, to, width / dash);
    }
}

// Whether dashes of this pattern along `extent` pixels are too many to draw
// one by one: then the pen draws solid.
bool tooManyDashes(double extent, double width, std::span<const int> pattern) {
    double sum = 0;
    for (int d : pattern)
        sum += d;
    return extent / (sum * width) > 10000;
}

// A vertical edge of a polygon, from y0 to y1 (downwards when y0 < y1).
struct Edge {
    double x, y0, y1;
};

// The polygons of the vertical edges filled under the non-zero winding rule:
// an edge covers the rows whose centres lie in (top, bottom], and on each
// row a span runs from one crossing to the next, a crossing at x starting
// at the pixel floor(x + 1/2). Coordinates are taken in 26.6 fixed point.
void fillWinding(Spans& out, const std::vector<Edge>& edges) {
    struct Crossing {
        i64 x;
        int winding;
    };
    auto fixed26 = [](double v) { return static_cast<i64>(std::llround(v * 64)); };
    i64 minY = std::numeric_limits<i64>::max(), maxY = std::numeric_limits<i64>::min();
    for (const Edge& e : edges) {
        minY = std::min({minY, fixed26(e.y0), fixed26(e.y1)});
        maxY = std::max({maxY, fixed26(e.y0), fixed26(e.y1)});
    }
    const i64 firstRow = std::max<i64>(0, (minY + 32) >> 6);
    const i64 lastRow = std::min<i64>(out.height() - 1, (maxY - 32) >> 6);
    std::vector<Crossing> row;
    for (i64 y = firstRow; y <= lastRow; ++y) {
        row.clear();
        for (const Edge& e : edges) {
            const i64 a = fixed26(std::min(e.y0, e.y1)), b = fixed26(std::max(e.y0, e.y1));
            if (y < ((a + 32) >> 6) || y > ((b - 32) >> 6)) continue;
            const i64 x =
                std::clamp<i64>(32 * 1024 + fixed26(e.x) * 1024, 0, i64{out.width()} << 16);
            row.push_back({x >> 16, e.y0 <= e.y1 ? 1 : -1});
        }
        std::stable_sort(row.begin(), row.end(),
                         [](const Crossing& l, const Crossing& r) { return l.x < r.x; });
        i64 x = 0;
        int winding = 0;
        for (const Crossing& c : row) {
            if (winding != 0)
                out.span(static_cast<int>(x), static_cast<int>(c.x - x), static_cast<int>(y));
            x = c.x;
            winding += c.winding;
        }
    }
}

} // namespace

void wideLine(Image& image, Point from, Point to, const Pen& pen) {
    Spans out(image, pen.color);
    const Vec a{static_cast<double>(from.x), static_cast<double>(from.y)};
    const Vec b{static_cast<double>(to.x), static_cast<double>(to.y)};
    const double width = pen.width;
    const std::span<const int> pattern = dashPattern(pen.style);
    if (pattern.empty() || tooManyDashes(length(a, b), width, pattern))
        band(out, a, b, width / length(a, b));
    else
        dashedBand(out, a, b, width, pattern);
}

void wideOutline(Image& image, int left, int top, int right, int bottom, const Pen& pen) {
    Spans out(image, pen.color);
    const double half = pen.width / 2.0;
    const double l = left, t = top, r = right, b = bottom;
    const std::span<const int> pattern = dashPattern(pen.style);
    if (pattern.empty() || tooManyDashes(std::max(r - l, b - t), pen.width, pattern)) {
        // The ring between the path pushed out and pulled in by half the
        // width: the inner rectangle runs the other way round and cancels
        // the outer one where it lies. A pen as wide as the rectangle leaves
        // no inner rectangle.
        std::vector<Edge> ring = {{r + half, t - half, b + half}, {l - half, b + half, t - half}};
        if (l + half < r - half && t + half < b - half) {
            ring.push_back({l + half, t + half, b - half});
            ring.push_back({r - half, b - half, t + half});
        }
        fillWinding(out, ring);
        return;
    }
    // Dashes along the path from its first corner, the pattern in units of
    // the width. Each piece of a dash along one side is a band reaching half
    // the width beyond its ends: a square cap where the dash ends, and where
    // it turns a corner, the mitre of the two sides' bands.
    struct Side {
        double x0, y0, x1, y1;
    };
    const Side sides[] = {{l, t, r, t}, {r, t, r, b}, {r, b, l, b}, {l, b, l, t}};
    const double perimeter = 2 * ((r - l) + (b - t));
    std::vector<Edge> edges;
    double start = 0;
    for (std::size_t i = 0; start < perimeter; i = (i + 1) % pattern.size()) {
        const double end = start + pattern[i] * pen.width;
        if (i % 2 == 0) {
            double sideStart = 0;
            for (const Side& side : sides) {
                const double length = std::abs(side.x1 - side.x0) + std::abs(side.y1 - side.y0);
                const double from = std::max(start, sideStart) - sideStart;
                const double to = std::min(end, sideStart + length) - sideStart;
                sideStart += length;
                if (to <= from) continue;
                // The piece's ends along the side, in the side's direction.
                const double ux = (side.x1 - side.x0) / length, uy = (side.y1 - side.y0) / length;
                const double ax = side.x0 + ux * (from - half), ay = side.y0 + uy * (from - half);
                const double bx = side.x0 + ux * (to + half), by = side.y0 + uy * (to + half);
                const double x0 = std::min(ax, bx) - (ux == 0 ? half : 0);
                const double x1 = std::max(ax, bx) + (ux == 0 ? half : 0);
                const double y0 = std::min(ay, by) - (uy == 0 ? half : 0);
                const double y1 = std::max(ay, by) + (uy == 0 ? half : 0);
                edges.push_back({x1, y0, y1});
                edges.push_back({x0, y1, y0});
            }
        }
        start = end;
    }
    fillWinding(out, edges);
}

} // namespace toolkit::detail
