// The F* report, written from the result of a run.
#include "solver/fstar/report.h"

#include <cmath>
#include <ios>
#include <ostream>
#include <string>

#include "solver/fstar/fstar.h"

namespace modal {

int reportDecimals(double tolerance) noexcept {
    double x = tolerance;
    for (int k = 0; k <= 16; ++k) {
        if (std::trunc(x) != 0.0 && !std::isnan(x)) return k;
        x *= 10.0;
    }
    return 16;
}

double reportedTol(const fstar& f) noexcept {
    const twin& g = f.globalTwin;
    switch (f.settings.optim) {
    case optimBound::lower:
        return g.lowerDistance();
    case optimBound::upper:
        return g.upperDistance();
    default:
        return g.getTol();
    }
}

result_box boxOf(const cell& c) {
    result_box b;
    b.reserve(c.xp.size() + c.xi.size());
    for (const std::vector<variable>* group : {&c.xp, &c.xi})
        for (std::size_t i = 0; i < group->size(); ++i)
            b.push_back({(*group)[i].name, static_cast<int>(i), (*group)[i].domain});
    return b;
}

namespace {

stop_reason stopOf(const param& p) {
    const std::string& s = p.stop_reason;
    if (s == "Tolerance") return stop_reason::tolerance;
    if (s == "Time") return stop_reason::time_limit;
    if (s == "Memory") return stop_reason::memory_limit;
    if (s == "Cancelled") return stop_reason::cancelled;
    if (s == "Empty Agenda") return stop_reason::all_decided;
    if (s == "Matching") return stop_reason::nothing_to_cut;
    if (s == "Floor") return stop_reason::tol_floor;
    if (s == "Stalled") return stop_reason::stalled;
    // The loop ended by its stop-by-inclusion test (or undefined points).
    return p.logic_mode == inclusionStop::withVerdict ? stop_reason::decided : stop_reason::ended;
}

} // namespace

void fillResult(const fstar& f, result& r) {
    const param& p = f.settings;
    r.stop = stopOf(p);
    r.optim = static_cast<bound>(p.optim);
    r.domains = f.allProper()     ? modality::proper
                : f.allImproper() ? modality::improper
                                  : modality::mixed;
    r.inner = f.globalTwin.getInn();
    r.outer = f.globalTwin.getOut();
    r.tol = reportedTol(f);
    r.verdict = static_cast<logic_verdict>(p.logic_result <= 2 ? p.logic_result : 2);
    r.gathered_min = f.gatheredMin;
    r.gathered_max = f.gatheredMax;
    r.joined_min.clear();
    r.joined_max.clear();
    for (const cell& c : f.joinedMinBoxes)
        r.joined_min.push_back(boxOf(c));
    for (const cell& c : f.joinedMaxBoxes)
        r.joined_max.push_back(boxOf(c));
    r.no_solution = f.noSolution;
    r.undefined_points = f.undefinedPoints;
    r.steps = f.stepCount;
    r.tolerance = p.tolerance;
    r.time_limit = p.time_limit;
    r.epsilon = p.epsilon;
    r.cpu_seconds = f.elapsedSeconds;
}

void printBox(std::ostream& os, const result_box& b, regionText r) {
    const std::string dashes(51, '-');
    os << "box" << dashes << "\n";
    for (const component& c : b) {
        os << c.name << "[" << c.index << "]=";
        writeInterval(os, c.value, roundingFor(c.value, r));
        os << "\n";
    }
    os << dashes << "box"
       << "\n";
}

namespace {

// The joined boxes of one bound, under the heading the modality names.
void writeJoined(std::ostream& os, const std::vector<result_box>& boxes, const char* properName,
                 const char* improperName, const char* mixedName, modality m) {
    if (m == modality::proper)
        os << properName << "\n\n";
    else if (m == modality::improper)
        os << improperName << "\n\n";
    else
        os << "\n" << mixedName << "\n";
    // The boxes hold the points where the extreme can be: grown.
    for (const result_box& b : boxes)
        printBox(os, b, regionText::grown);
}

} // namespace

void writeFstarReport(const result& r, std::ostream& os) {
    const std::streamsize precision = os.precision(3);
    const std::ios::fmtflags flags = os.flags();
    os.unsetf(std::ios::floatfield | std::ios::showpos | std::ios::showpoint | std::ios::uppercase);
    // A run stopped by the memory limit or cancelled is as partial as one
    // stopped by time.
    if (r.time_limit >= r.cpu_seconds && r.stop != stop_reason::memory_limit &&
        r.stop != stop_reason::cancelled)
        os << "Computation Time (s):" << r.cpu_seconds << "\n\n";
    else
        os << "WARNING: TimeOut => Partial solution provided"
           << "\n\n";

    os.precision(reportDecimals(r.tolerance));
    os.setf(std::ios::scientific, std::ios::floatfield);

    if (r.algorithm == algorithm::logic) {
        static constexpr const char* kVerdicts[] = {"False", "True", "Perhaps"};
        os << "Consistency: " << kVerdicts[static_cast<int>(r.verdict)] << "\n\n";
    }

    // Every number below claims what the computed one does: the bounds of
    // the extreme and the outer bounds are rounded outward to the printed
    // digits, the inner bounds inward, Tol upward.
    auto tol = [&os](double t) {
        os << "Tol: ";
        writeDirected(os, t, rounding::up);
        os << "\n\n";
    };
    const modality m = r.domains;
    const char* const label[3][3] = {
        {"Inner Approximation:", "Inner Approximation:", "Inner Approximation:"},
        {"Min Approximation:", "Max Approximation:", "MinMax Approximation:"},
        {"Max Approximation:", "Min Approximation:", "MaxMin Approximation:"}};
    const char* name = label[static_cast<int>(r.optim)][static_cast<int>(m)];
    switch (r.optim) {
    case bound::lower:
        os << name;
        writeInterval(os, ivalDb::exact(r.outer.inf(), r.inner.inf()), kOutward);
        os << "\n";
        tol(r.tol);
        break;
    case bound::upper:
        os << name;
        writeInterval(os, ivalDb::exact(r.inner.sup(), r.outer.sup()), kOutward);
        os << "\n";
        tol(r.tol);
        break;
    case bound::both:
        os << name;
        writeInterval(os, r.inner, kInward);
        os << "\n"
           << "Outer Approximation:";
        writeInterval(os, r.outer, kOutward);
        os << "\n";
        tol(r.tol);
        break;
    }

    if (r.optim != bound::upper && r.optim != bound::both && r.gathered_min)
        writeJoined(os, r.joined_min, "Joined Boxes Min List:", "Joined Boxes Max List:",
                    "Joined Boxes MinMax List:", m);
    if (r.optim != bound::lower && r.optim != bound::both && r.gathered_max)
        writeJoined(os, r.joined_max, "Joined Boxes Max List:", "Joined Boxes Min List:",
                    "Joined Boxes MaxMin Cells:", m);
    if (r.no_solution) os << "No Solution\n";
    os.flags(flags);
    os.precision(precision);
}

} // namespace modal
