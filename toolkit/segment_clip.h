// Clipping of a segment to a rectangle, as both pens do it: one axis after
// the other, each end beyond an edge moved along the segment onto it, the
// first end before the second, each step using the ends as the previous one
// left them.
#pragma once

namespace toolkit::detail {

struct ClippedSegment {
    bool kept = true;      // false: the segment lies wholly beyond an edge
    bool endMoved = false; // the second end was moved
};

inline ClippedSegment clipSegment(double& x1, double& y1, double& x2, double& y2, double xmin,
                                  double xmax, double ymin, double ymax) {
    ClippedSegment r;
    // Along x (u = x, v = y) and then along y (u = y, v = x).
    auto axis = [&r](double& u1, double& v1, double& u2, double& v2, double low, double high) {
        if (u1 < low) {
            if (u2 <= low) return r.kept = false;
            v1 += (v2 - v1) / (u2 - u1) * (low - u1);
            u1 = low;
        } else if (u1 > high) {
            if (u2 >= high) return r.kept = false;
            v1 += (v2 - v1) / (u2 - u1) * (high - u1);
            u1 = high;
        }
        if (u2 < low || u2 > high) {
            const double edge = u2 < low ? low : high;
            v2 += (v2 - v1) / (u2 - u1) * (edge - u2);
            u2 = edge;
            r.endMoved = true;
        }
        return true;
    };
    if (axis(x1, y1, x2, y2, xmin, xmax)) axis(y1, x1, y2, x2, ymin, ymax);
    return r;
}

} // namespace toolkit::detail
