// The reports of set inversion and of the contractor, written from their
// results.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "interval/directed_text.h"
#include "modal/result.h"

namespace modal {

// The QSI report: computation time and the three lists of boxes. `threads`
// put pieces of the lists into text at once (the text is the same).
void writeQsiReport(const result& r, std::ostream& os, int threads = 1);

// The CONTRACTOR report: computation time and the contracted box.
void writeContractorReport(const result& r, std::ostream& os);

// Boxes [first, last) of `list` in the text form of a box ("\nBox:" then
// "\n" name "=" interval per variable), each bound with `precision`
// significant digits as a stream without format flags writes it, rounded
// so that each box's region is grown or shrunk as `r` says.
void appendBoxesText(std::string& out, const std::vector<std::string>& names, const box_list& list,
                     std::size_t first, std::size_t last, int precision, regionText r);

} // namespace modal
