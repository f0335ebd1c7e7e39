// The result of an F* run as a value, and the F* report written from it.
#pragma once

#include <iosfwd>

#include "interval/directed_text.h"
#include "modal/result.h"

namespace modal {

class cell;
class fstar;

// Decimals of the report for a tolerance: the smallest k with a non-zero
// integer part of tolerance x 10^k; 16 when there is none up to 16.
int reportDecimals(double tolerance) noexcept;

// The Tol an F* run reports: the distance of the bound(s) it seeks.
double reportedTol(const fstar& f) noexcept;

// The F* fields of `r` after a run of `f`: why it stopped, approximations,
// Tol, verdict, joined boxes, flags, and the settings the report's format
// depends on (the algorithm is the caller's).
void fillResult(const fstar& f, result& r);

// A cell's variables, the Xp ones then the Xi ones, each numbered in its
// group.
result_box boxOf(const cell& c);

// "box---...", one line "name[index]=interval" per component, "---...box".
void printBox(std::ostream& os, const result_box& b, regionText r = regionText::nearest);

// The report of an F* run (FSTAR, MINMAX, LOGIC).
void writeFstarReport(const result& r, std::ostream& os);

} // namespace modal
