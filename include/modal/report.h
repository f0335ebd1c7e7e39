// A result as text: the solver program's result file, and JSON.
#pragma once

#include <iosfwd>

#include "modal/result.h"

namespace modal {

// Exactly the text the solver program writes into BASESolution.txt.
void write_report(const result& r, std::ostream& os);

// The result as one JSON object (schema in docs/json.md): every number in
// the shortest text that reads back to the same double, infinities and NaN
// as the strings "inf", "-inf" and "nan".
void write_json(const result& r, std::ostream& os);

// The name of a stop reason in the JSON schema ("tolerance", ...).
const char* name_of(stop_reason s) noexcept;
const char* name_of(modal::algorithm a) noexcept;

} // namespace modal
