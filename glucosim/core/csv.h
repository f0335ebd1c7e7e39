// Comma-separated text for analysis tools (RFC 4180): fields separated by
// ',', records ended by CRLF, fields quoted when they hold a comma, a quote or
// a line break. Numbers use '.' and the shortest digits that read back to the
// same double; NaN and infinities are "nan", "inf" and "-inf".
#pragma once

#include "glucosim/core/tables.h"

#include <iosfwd>
#include <string>

namespace glucosim {

std::string csvNumber(double x);
// Fixed notation with three decimals and '.' ("3.162").
std::string csvFixed3(double x);

void writeCsv(std::ostream& out, const Table& table);

} // namespace glucosim
