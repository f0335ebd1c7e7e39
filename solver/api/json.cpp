// A result as JSON (the schema is in docs/json.md).
#include <charconv>
#include <cmath>
#include <ostream>
#include <string>
#include <string_view>

#include "modal/report.h"

namespace modal {

const char* name_of(stop_reason s) noexcept {
    switch (s) {
    case stop_reason::not_run:
        return "not_run";
    case stop_reason::tolerance:
        return "tolerance";
    case stop_reason::time_limit:
        return "time_limit";
    case stop_reason::memory_limit:
        return "memory_limit";
    case stop_reason::cancelled:
        return "cancelled";
    case stop_reason::decided:
        return "decided";
    case stop_reason::stalled:
        return "stalled";
    case stop_reason::tol_floor:
        return "tol_floor";
    case stop_reason::nothing_to_cut:
        return "nothing_to_cut";
    case stop_reason::all_decided:
        return "all_decided";
    case stop_reason::ended:
        return "ended";
    case stop_reason::contracted:
        return "contracted";
    case stop_reason::empty_domain:
        return "empty_domain";
    }
    return "ended";
}

const char* name_of(algorithm a) noexcept {
    switch (a) {
    case algorithm::fstar:
        return "FSTAR";
    case algorithm::minmax:
        return "MINMAX";
    case algorithm::logic:
        return "LOGIC";
    case algorithm::qsi:
        return "QSI";
    case algorithm::contractor:
        return "CONTRACTOR";
    case algorithm::none:
        return "none";
    }
    return "none";
}

namespace {

// A number in the shortest text that reads back to it; infinities and NaN
// as strings.
void number(std::ostream& os, double x) {
    if (std::isnan(x)) {
        os << "\"nan\"";
        return;
    }
    if (std::isinf(x)) {
        os << (x > 0 ? "\"inf\"" : "\"-inf\"");
        return;
    }
    char text[32];
    const auto r = std::to_chars(text, text + sizeof text, x);
    os.write(text, r.ptr - text);
}

void string(std::ostream& os, std::string_view s) {
    os << '"';
    for (const char c : s) {
        switch (c) {
        case '"':
            os << "\\\"";
            break;
        case '\\':
            os << "\\\\";
            break;
        case '\n':
            os << "\\n";
            break;
        case '\t':
            os << "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                static constexpr char hex[] = "0123456789abcdef";
                os << "\\u00" << hex[(c >> 4) & 0xf] << hex[c & 0xf];
            } else {
                os << c;
            }
        }
    }
    os << '"';
}

void interval(std::ostream& os, const ivalDb& x) {
    os << '[';
    number(os, x.inf());
    os << ", ";
    number(os, x.sup());
    os << ']';
}

void key(std::ostream& os, std::string_view k) {
    os << ",\n  ";
    string(os, k);
    os << ": ";
}

void boxObject(std::ostream& os, const result_box& b) {
    os << '{';
    for (std::size_t i = 0; i < b.size(); ++i) {
        if (i > 0) os << ", ";
        string(os, b[i].name);
        os << ": ";
        interval(os, b[i].value);
    }
    os << '}';
}

void boxArray(std::ostream& os, const std::vector<result_box>& boxes) {
    os << '[';
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        os << (i > 0 ? ",\n    " : "\n    ");
        boxObject(os, boxes[i]);
    }
    os << (boxes.empty() ? "]" : "\n  ]");
}

void boxList(std::ostream& os, const std::vector<std::string>& names, const box_list& list) {
    os << '[';
    for (std::size_t k = 0; k < list.size(); ++k) {
        os << (k > 0 ? ",\n    {" : "\n    {");
        for (std::size_t v = 0; v < list.dimension; ++v) {
            if (v > 0) os << ", ";
            string(os, names[v]);
            os << ": ";
            interval(os, list.at(k, v));
        }
        os << '}';
    }
    os << (list.size() == 0 ? "]" : "\n  ]");
}

} // namespace

void write_json(const result& r, std::ostream& os) {
    os << "{\n  \"algorithm\": ";
    string(os, name_of(r.algorithm));
    key(os, "stop_reason");
    string(os, name_of(r.stop));
    key(os, "cpu_seconds");
    number(os, r.cpu_seconds);
    if (r.stop == stop_reason::not_run) {
        key(os, "message");
        string(os, r.message);
    }
    key(os, "warnings");
    os << '[';
    for (std::size_t i = 0; i < r.warnings.size(); ++i) {
        if (i > 0) os << ", ";
        string(os, r.warnings[i]);
    }
    os << ']';
    if (r.stop != stop_reason::not_run) {
        switch (r.algorithm) {
        case algorithm::fstar:
        case algorithm::minmax:
        case algorithm::logic: {
            static constexpr const char* kBounds[] = {"both", "lower", "upper"};
            static constexpr const char* kModalities[] = {"proper", "improper", "mixed"};
            static constexpr const char* kVerdicts[] = {"False", "True", "Perhaps"};
            key(os, "optim");
            string(os, kBounds[static_cast<int>(r.optim)]);
            key(os, "domains");
            string(os, kModalities[static_cast<int>(r.domains)]);
            key(os, "inner");
            interval(os, r.inner);
            key(os, "outer");
            interval(os, r.outer);
            key(os, "tol");
            number(os, r.tol);
            if (r.algorithm == algorithm::logic) {
                key(os, "verdict");
                string(os, kVerdicts[static_cast<int>(r.verdict)]);
            }
            key(os, "steps");
            os << r.steps;
            key(os, "no_solution");
            os << (r.no_solution ? "true" : "false");
            key(os, "undefined_points");
            os << (r.undefined_points ? "true" : "false");
            if (r.optim == bound::lower) {
                key(os, "joined_min");
                boxArray(os, r.joined_min);
            }
            if (r.optim == bound::upper) {
                key(os, "joined_max");
                boxArray(os, r.joined_max);
            }
            break;
        }
        case algorithm::qsi:
            key(os, "variables");
            os << '[';
            for (std::size_t i = 0; i < r.names.size(); ++i) {
                if (i > 0) os << ", ";
                string(os, r.names[i]);
            }
            os << ']';
            key(os, "solution");
            boxList(os, r.names, r.solution);
            key(os, "non_solution");
            boxList(os, r.names, r.non_solution);
            key(os, "undefined");
            boxList(os, r.names, r.undefined);
            key(os, "left_undecided");
            os << r.left_undecided;
            break;
        case algorithm::contractor:
            key(os, "box");
            boxObject(os, r.box);
            key(os, "empty");
            os << (r.empty ? "true" : "false");
            break;
        case algorithm::none:
            break;
        }
    }
    os << "\n}\n";
}

} // namespace modal
