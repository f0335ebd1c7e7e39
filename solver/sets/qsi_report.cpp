#include <algorithm>
#include <fstream>
#include <locale>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "solver/sets/qsi.h"

namespace modal {

namespace {

// Boxes put into text as one piece before they are written.
constexpr std::size_t kBoxesPerPiece = 1024;

// Every box of `boxes` in its text form, bounds with 4 significant digits;
// `threads` put pieces of the list into text at once, written in order.
void writeBoxes(std::ostream& os, const boxStore& boxes, int threads, regionText r) {
    // A stream in the classic locale without format flags writes numbers
    // as the text form does; any other goes through the stream.
    const bool plain = os.getloc() == std::locale::classic() &&
                       (os.flags() & (std::ios::floatfield | std::ios::showpos |
                                      std::ios::uppercase | std::ios::showpoint)) == 0;
    if (!plain) {
        for (std::size_t i = 0; i < boxes.size(); ++i)
            boxes.print(os, i, r);
        return;
    }
    const std::size_t pieces = (boxes.size() + kBoxesPerPiece - 1) / kBoxesPerPiece;
    const std::size_t together = std::min(pieces, static_cast<std::size_t>(std::max(1, threads)));
    std::vector<std::string> text(together);
    for (std::size_t first = 0; first < pieces; first += together) {
        const std::size_t n = std::min(together, pieces - first);
        auto putIntoText = [&](std::size_t k) {
            const std::size_t from = (first + k) * kBoxesPerPiece;
            text[k].clear();
            boxes.appendText(text[k], from, from + kBoxesPerPiece, 4, r);
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

void qsi::writeReport(std::ostream& os, double elapsedSeconds) const {
    const int threads = threadCount();
    const std::streamsize oldPrecision = os.precision(4);
    os << "Solution File:"
       << "\n\n";
    os << "Computation Time:" << elapsedSeconds << "\n\n";
    os << "Solution Boxes:"
       << "\n\n";
    // Every printed point of a printed solution (non-solution) box is one:
    // their regions are shrunk to the printed digits; the undefined boxes
    // are grown, so that the printed paving still covers the box.
    writeBoxes(os, solutions_, threads, regionText::shrunk);
    os << "\n\n"
       << "Non Solution Boxes:"
       << "\n\n";
    writeBoxes(os, nonSolutions_, threads, regionText::shrunk);
    os << "\n\n"
       << "Undefined Boxes:"
       << "\n\n";
    writeBoxes(os, undefined_, threads, regionText::grown);
    os.precision(oldPrecision);
}

bool qsi::writeReport(const std::string& prefix, double elapsedSeconds) const {
    std::ofstream file(prefix + "Solution.txt", std::ios::out | std::ios::trunc);
    if (!file) return false;
    writeReport(file, elapsedSeconds);
    file.close();
    return !file.fail();
}

} // namespace modal
