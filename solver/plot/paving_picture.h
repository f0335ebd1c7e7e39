// The picture of a paving, drawn from the result of a QSI run.
#pragma once

#include "modal/result.h"
#include "solver/plot/repere.h"

namespace modal {

// Colours of the decisions ($00BBGGRR) and of the outlines.
inline constexpr toolkit::Color kSolutionColor = toolkit::kRed;
inline constexpr toolkit::Color kNonSolutionColor = toolkit::kBlue;
inline constexpr toolkit::Color kUndefinedColor = toolkit::kYellow;
inline constexpr toolkit::Color kOutlineColor = toolkit::kBlack;

// Draws the paving of `r` into `frame`: the start box in white, then, with
// one or two variables, every box as the paving took it, in the same order
// (a box cut in two as the outlines of its halves, a decided box filled
// with its kind's colour). With more than two variables boxes project onto
// each other: every box is filled, the weakest claim first, so that a pixel
// shows the strongest claim of any box over it (solution over undefined
// over non-solution).
void drawPaving(const result& r, repere& frame);

// The ranges of the picture's axes: the plotted variables' domains in the
// start box, the vertical one [-1, 1] for a single variable.
ivalDb horizontalRange(const result& r);
ivalDb verticalRange(const result& r);

} // namespace modal
