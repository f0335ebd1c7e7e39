// A pen wider than one pixel: a line is the band of its width around the
// segment, a dashed line the bands of its dashes; an outline is the band of
// the pen's width around the rectangle's path. A pixel belongs to a band when
// its centre does, with the rounding of 26.6 and 16.16 fixed point.
#pragma once

#include "toolkit/canvas.h"

namespace toolkit::detail {

// The segment from `from` to `to` with flat ends.
void wideLine(Image& image, Point from, Point to, const Pen& pen);
// The closed path through the four corners (left, top), (right, top),
// (right, bottom), (left, bottom), with square ends and mitred corners.
void wideOutline(Image& image, int left, int top, int right, int bottom, const Pen& pen);

} // namespace toolkit::detail
