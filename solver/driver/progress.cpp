#include "solver/driver/progress.h"

#include <sstream>

namespace modal {

namespace {
constexpr auto kInterval = std::chrono::milliseconds(250);
}

progress_display::progress_display(std::ostream& err, bool enabled, std::string label)
    : err_(err), enabled_(enabled), label_(std::move(label)) {
    next_ = start_ + kInterval;
}

bool progress_display::due() {
    if (!enabled_) return false;
    const clock::time_point now = clock::now();
    if (now < next_) return false;
    next_ = now + kInterval;
    return true;
}

void progress_display::draw(const std::string& text) {
    const double seconds = std::chrono::duration<double>(clock::now() - start_).count();
    std::ostringstream line;
    line.precision(1);
    line << std::fixed << "\rsolver: " << label_ << " " << text << ", " << seconds << " s\x1b[K";
    err_ << line.str() << std::flush;
    drawn_ = true;
}

void progress_display::show(const progress& p) {
    if (!due()) return;
    std::ostringstream text;
    if (p.algorithm == algorithm::qsi) {
        text << p.solution << " solution, " << p.non_solution << " non-solution, " << p.undefined
             << " undefined boxes, " << p.waiting << " to decide";
    } else {
        text.precision(3);
        text << "step " << p.steps << ", Tol " << p.tol;
    }
    draw(text.str());
}

void progress_display::finish() {
    if (!drawn_) return;
    err_ << "\r\x1b[K" << std::flush;
    drawn_ = false;
}

} // namespace modal
