// Number <-> text conversions of the glucose program, independent of the
// process locale: the tables use the Catalan forms (decimal comma), the data
// files use '.' decimals.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace glucosim {

// General format with up to 15 significant digits and a decimal comma:
// fixed notation for decimal exponents -5..14 ("0,00045", "123,5", "7"),
// otherwise scientific ("1,5E20", "2E-7"); trailing zeros are dropped.
// NaN gives "NAN", infinities "INF" and "-INF"; both zeros give "0".
std::string FloatToStr(double x);

// Fixed notation with three decimals and a decimal comma ("3,162").
std::string formatFixed3(double x);

// A number typed by a person: optional sign, digits with at most one decimal
// separator ('.' or ','), optional exponent; surrounding blanks are allowed.
// Returns nothing for any other text and for values that are not finite.
std::optional<double> parseUserNumber(std::string_view text);

// A number of a data file: the whole token is a finite decimal number with
// '.' as the decimal separator (an optional leading '+' or '-').
std::optional<double> parseDataNumber(std::string_view token);

} // namespace glucosim
