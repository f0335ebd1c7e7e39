// The dash patterns of the pen styles: lengths of dash, gap, dash, ... in
// pen widths, starting with a dash. Solid, InsideFrame and Clear have none.
#pragma once

#include <span>

#include "toolkit/canvas.h"

namespace toolkit::detail {

inline std::span<const int> dashPattern(PenStyle style) {
    static constexpr int dash[] = {4, 2};
    static constexpr int dot[] = {1, 2};
    static constexpr int dashDot[] = {4, 2, 1, 2};
    static constexpr int dashDotDot[] = {4, 2, 1, 2, 1, 2};
    switch (style) {
    case PenStyle::Dash:
        return dash;
    case PenStyle::Dot:
        return dot;
    case PenStyle::DashDot:
        return dashDot;
    case PenStyle::DashDotDot:
        return dashDotDot;
    case PenStyle::Solid:
    case PenStyle::Clear:
    case PenStyle::InsideFrame:
        break;
    }
    return {};
}

} // namespace toolkit::detail
