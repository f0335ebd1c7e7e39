#include "solver/sets/qsi_report.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cstdint>
#include <ostream>
#include <system_error>
#include <thread>
#include <vector>

namespace modal {

namespace {

// Boxes put into text as one piece before they are written.
constexpr std::size_t kBoxesPerPiece = 1024;

// The texts of recently written numbers: the boxes of a paving share most of
// their bounds, and formatting a double costs far more than finding it here.
// Each bound is written as "%.*g" writes it (what a stream with that
// precision and no format flags writes), rounded in the direction asked.
class numberTexts {
public:
    explicit numberTexts(int precision) : precision_(precision) {}
    void append(std::string& out, double x, rounding direction) {
        const auto bits = std::bit_cast<std::uint64_t>(x);
        const auto way = static_cast<std::uint8_t>(direction);
        entry& e = entries_[((bits + way) * 0x9E3779B97F4A7C15ull) >> 56];
        if (!e.used || e.bits != bits || e.way != way) {
            const std::to_chars_result r =
                toCharsDirected(e.text, e.text + sizeof e.text, x, std::chars_format::general,
                                precision_, direction);
            if (r.ec != std::errc()) {
                e.used = false;
                appendDirected(out, x, std::chars_format::general, precision_, direction);
                return;
            }
            e.length = static_cast<std::uint8_t>(r.ptr - e.text);
            e.bits = bits;
            e.way = way;
            e.used = true;
        }
        out.append(e.text, e.length);
    }

private:
    struct entry {
        std::uint64_t bits = 0;
        char text[40];
        std::uint8_t length = 0;
        std::uint8_t way = 0;
        bool used = false;
    };
    int precision_;
    std::array<entry, 256> entries_{};
};

// Every box of `list`, bounds with 4 significant digits; `threads` put pieces
// of the list into text at once, written in order.
void writeBoxes(std::ostream& os, const std::vector<std::string>& names, const box_list& list,
                int threads, regionText r) {
    const std::size_t pieces = (list.size() + kBoxesPerPiece - 1) / kBoxesPerPiece;
    const std::size_t together = std::min(pieces, static_cast<std::size_t>(std::max(1, threads)));
    std::vector<std::string> text(together);
    for (std::size_t first = 0; first < pieces; first += together) {
        const std::size_t n = std::min(together, pieces - first);
        auto putIntoText = [&](std::size_t k) {
            const std::size_t from = (first + k) * kBoxesPerPiece;
            text[k].clear();
            appendBoxesText(text[k], names, list, from, from + kBoxesPerPiece, 4, r);
        };
        std::vector<std::thread> helpers;
        for (std::size_t k = 1; k < n; ++k)
            helpers.emplace_back(putIntoText, k);
        putIntoText(0);
        for (std::thread& h : helpers)
            h.join();
        for (std::size_t k = 0; k < n; ++k)
            os.write(text[k].data(), static_cast<std::streamsize>(text[k].size()));
    }
}

} // namespace

void appendBoxesText(std::string& out, const std::vector<std::string>& names, const box_list& list,
                     std::size_t first, std::size_t last, int precision, regionText r) {
    numberTexts texts(precision);
    const std::size_t n = list.dimension;
    for (std::size_t i = first; i < last && i < list.size(); ++i) {
        const double* p = list.bounds.data() + i * 2 * n;
        out += "\nBox:";
        for (std::size_t v = 0; v < n; ++v) {
            const boundRounding way = roundingFor(ivalDb::exact(p[2 * v], p[2 * v + 1]), r);
            out += '\n';
            out += names[v];
            out += "=[";
            texts.append(out, p[2 * v], way.inf);
            out += ", ";
            texts.append(out, p[2 * v + 1], way.sup);
            out += ']';
        }
    }
}

void writeQsiReport(const result& r, std::ostream& os, int threads) {
    const std::streamsize oldPrecision = os.precision(4);
    const std::ios::fmtflags oldFlags = os.flags();
    os.unsetf(std::ios::floatfield | std::ios::showpos | std::ios::showpoint | std::ios::uppercase);
    os << "Solution File:"
       << "\n\n";
    os << "Computation Time:" << r.cpu_seconds << "\n\n";
    os << "Solution Boxes:"
       << "\n\n";
    // Every printed point of a printed solution (non-solution) box is one:
    // their regions are shrunk to the printed digits; the undefined boxes
    // are grown, so that the printed paving still covers the box.
    writeBoxes(os, r.names, r.solution, threads, regionText::shrunk);
    os << "\n\n"
       << "Non Solution Boxes:"
       << "\n\n";
    writeBoxes(os, r.names, r.non_solution, threads, regionText::shrunk);
    os << "\n\n"
       << "Undefined Boxes:"
       << "\n\n";
    writeBoxes(os, r.names, r.undefined, threads, regionText::grown);
    os.flags(oldFlags);
    os.precision(oldPrecision);
}

void writeContractorReport(const result& r, std::ostream& os) {
    const std::streamsize oldPrecision = os.precision(6);
    const std::ios::fmtflags oldFlags = os.flags();
    os.unsetf(std::ios::floatfield | std::ios::showpos | std::ios::showpoint | std::ios::uppercase);
    os << "Computation Time (s):" << r.cpu_seconds << "\n";
    // The box holds every solution: its bounds are rounded outward.
    os << "\n"
       << "Box:";
    for (const component& c : r.box) {
        os << "\n" << c.name << "=";
        writeInterval(os, c.value, roundingFor(c.value, regionText::grown));
    }
    // A domain found empty: no point of the box satisfies the constraints.
    if (r.empty) os << "\nNo Solution\n";
    os.flags(oldFlags);
    os.precision(oldPrecision);
}

} // namespace modal
