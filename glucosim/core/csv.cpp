#include "glucosim/core/csv.h"

#include <charconv>
#include <cmath>
#include <ostream>

namespace glucosim {

std::string csvNumber(double x) {
    if (std::isnan(x)) return "nan";
    if (std::isinf(x)) return x > 0 ? "inf" : "-inf";
    if (x == 0) return "0";
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, x);
    return std::string(buf, res.ptr);
}

std::string csvFixed3(double x) {
    if (!std::isfinite(x)) return csvNumber(x);
    char buf[400];
    const auto res = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::fixed, 3);
    return std::string(buf, res.ptr);
}

namespace {

void writeField(std::ostream& out, const std::string& field) {
    if (field.find_first_of(",\"\r\n") == std::string::npos) {
        out << field;
        return;
    }
    out << '"';
    for (const char c : field) {
        if (c == '"') out << '"';
        out << c;
    }
    out << '"';
}

} // namespace

void writeCsv(std::ostream& out, const Table& table) {
    for (const auto& row : table) {
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (c > 0) out << ',';
            writeField(out, row[c]);
        }
        out << "\r\n";
    }
}

} // namespace glucosim
