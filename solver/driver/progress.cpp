#include "solver/driver/progress.h"

#include <sstream>

#include "solver/fstar/fstar.h"
#include "solver/sets/qsi.h"

namespace modal {

namespace {
constexpr auto kInterval = std::chrono::milliseconds(250);
}

double reported_tol(const fstar& solver) {
    const twin& g = solver.globalTwin;
    switch (solver.settings.optim) {
    case optimBound::lower:
        return g.lowerDistance();
    case optimBound::upper:
        return g.upperDistance();
    default:
        return g.getTol();
    }
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

void progress_display::step(const fstar& solver) {
    if (!due()) return;
    std::ostringstream text;
    text.precision(3);
    text << "step " << solver.stepCount << ", Tol " << reported_tol(solver);
    draw(text.str());
}

void progress_display::box(const qsi& solver) {
    if (!due()) return;
    std::ostringstream text;
    text << solver.solutionBoxes().size() << " solution, " << solver.nonSolutionBoxes().size()
         << " non-solution, " << solver.undefinedBoxes().size() << " undefined boxes, "
         << solver.boxesToDecide() << " to decide";
    draw(text.str());
}

void progress_display::finish() {
    if (!drawn_) return;
    err_ << "\r\x1b[K" << std::flush;
    drawn_ = false;
}

} // namespace modal
