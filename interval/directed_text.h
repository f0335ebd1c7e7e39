// Numbers written with fewer digits than they have, rounded in a chosen
// direction. A bound printed with k decimals claims what its printed value
// claims: a lower bound of an enclosure must be printed rounded down, an upper
// bound rounded up, and an inner bound rounded inward, or the printed result
// can say something false that the computed one does not.
#pragma once

#include <charconv>
#include <iosfwd>
#include <string>

#include "interval/ivalDb.h"

namespace modal {

enum class rounding {
    nearest, // as printf writes it
    down,    // the largest printed value not above the number
    up       // the smallest printed value not below it
};

// Writes x into [first, last) as printf's "%.*e" (`scientific`) or "%.*g"
// (`general`) with `precision` writes it, but with the last printed digit
// rounded in `direction`: the printed decimal is the nearest one of that
// format on that side of x, and x itself when the format can show it
// exactly. Infinities and NaN are written as printf writes them. Returns the
// end of the text (errc::value_too_large when it does not fit; 32 + precision
// characters always do).
std::to_chars_result toCharsDirected(char* first, char* last, double x, std::chars_format format,
                                     int precision, rounding direction);

// The same, appended to `out`.
void appendDirected(std::string& out, double x, std::chars_format format, int precision,
                    rounding direction);

// x as `os` would write it with its precision and its scientific or general
// (no float field) notation, rounded in `direction`. Other notations and a
// stream that is not in the classic locale write x as the stream does.
void writeDirected(std::ostream& os, double x, rounding direction);

// How the two bounds of an interval are rounded when it is printed.
struct boundRounding {
    rounding inf;
    rounding sup;
};
// Bounds rounded outward (the printed interval holds the computed one in
// Kaucher inclusion: lower bound down, upper bound up) or inward.
inline constexpr boundRounding kOutward{rounding::down, rounding::up};
inline constexpr boundRounding kInward{rounding::up, rounding::down};
inline constexpr boundRounding kNearest{rounding::nearest, rounding::nearest};

// How the components of a box are printed: as computed (rounded to
// nearest), or as the region each covers ([min, max] of its bounds) grown
// or shrunk to the printed digits, so that the printed box holds the
// computed one or lies inside it. An improper component's inf is the upper
// end of its region.
enum class regionText { nearest, grown, shrunk };
boundRounding roundingFor(const ivalDb& x, regionText r) noexcept;

// "[" inf ", " sup "]", as the interval's text form, with directed bounds.
void writeInterval(std::ostream& os, const ivalDb& x, boundRounding r);

} // namespace modal
