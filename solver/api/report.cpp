// A result as the solver program's result file.
#include "modal/report.h"

#include <algorithm>
#include <ostream>
#include <thread>

#include "solver/fstar/report.h"
#include "solver/sets/qsi_report.h"

namespace modal {

void write_report(const result& r, std::ostream& os) {
    if (r.stop == stop_reason::not_run) {
        os << r.message;
        return;
    }
    switch (r.algorithm) {
    case algorithm::fstar:
    case algorithm::minmax:
    case algorithm::logic:
        writeFstarReport(r, os);
        break;
    case algorithm::qsi:
        // Pieces of a long report are put into text on every core (the text
        // is the same).
        writeQsiReport(r, os, static_cast<int>(std::max(1U, std::thread::hardware_concurrency())));
        break;
    case algorithm::contractor:
        writeContractorReport(r, os);
        break;
    case algorithm::none:
        break;
    }
}

} // namespace modal
