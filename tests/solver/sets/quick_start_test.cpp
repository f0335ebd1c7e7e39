// The quick start of a constraint's runs (a run its first strip ends, made
// without the run's bookkeeping) ends every run as the full run does: over
// random boxes, loaded as set inversion and the contractor load them, the
// same global twins bit for bit, the same undefined points and the same stop.
#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "modal/modal.h"
#include "solver/api/problem_data.h"
#include "solver/sets/csp.h"

namespace modal {
namespace {

bool sameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool sameBits(const ivalDb& a, const ivalDb& b) {
    return sameBits(a.inf(), b.inf()) && sameBits(a.sup(), b.sup());
}

bool sameTwin(const twin& a, const twin& b) {
    return sameBits(a.getInn(), b.getInn()) && sameBits(a.getOut(), b.getOut()) &&
           sameBits(a.getTol(), b.getTol());
}

// A piece of [lo, hi]: random bounds, often an end of the domain itself, a
// point or a half.
ivalDb randomPiece(double lo, double hi, std::mt19937& rng) {
    std::uniform_real_distribution<double> u(lo, hi);
    std::uniform_int_distribution<int> kind(0, 5);
    double a = u(rng), b = u(rng);
    if (a > b) std::swap(a, b);
    switch (kind(rng)) {
    case 0:
        a = lo;
        break;
    case 1:
        b = hi;
        break;
    case 2:
        b = a;
        break;
    case 3:
        a = lo;
        b = lo + (hi - lo) / 2;
        break;
    default:
        break;
    }
    return ivalDb::exact(a, b);
}

// Problems whose constraints meet every path of a first strip: U and E
// parameters, undefined points (square roots and logarithms of negative
// values, divisions by intervals holding zero), strict and closed relations,
// equalities, repeated variables, functions that turn; bounds also from the
// mean-value form.
const char* const kProblems[] = {
    "Algorithm=QSI; F(x, [-3, 3]); F(y, [-3, 3]); c:= pow(x, 2) + pow(y, 2) <= 4; "
    "c:= pow(x, 2) + pow(y, 2) >= 1;",
    "Algorithm=QSI; MeanValue=1; F(x, [0, 1]); F(y, [-2, 2]); U(t, [-0.5, 0.5]); "
    "E(s, [-0.5, 0.5]); c:= x*y + s*x >= 0; c:= x + t*y > t;",
    "Algorithm=QSI; F(x, [-1, 0]); F(y, [0, 1]); E(t, [0.25, 0.75]); c:= x + t*y <= 0.25; "
    "c:= sqrt(y*y - x) < 0.25;",
    "Algorithm=QSI; F(x, [0, 2]); F(y, [-2, 2]); U(t, [-0.5, 0.5]); "
    "c:= sqrt(x - t) + y > 0.5; c:= x*x + y*y = 0.5; c:= y/x <= t;",
    "Algorithm=QSI; MeanValue=1; Contract=1; F(x, [-2, 2]); F(y, [0, 2]); c:= y/x > 0; "
    "c:= log(x) - y <= 0; "
    "c:= sin(x*y) + abs(x - y) >= 0.3; c:= max(x, y) - min(x*x, y) < 1;",
    "Algorithm=QSI; F(x, [-2, 2]); F(y, [-2, 2]); F(s, [0.5, -0.5]); E(t, [0, 1]); "
    "c:= pow(x, 2) + pow(y, 2) + pow(s, 2) - t <= 1; c:= x*y - y*x + exp(x) >= 1;",
};

TEST(QuickStart, EndsEveryRunAsTheFullRun) {
    std::mt19937 rng(30);
    int quickEnds = 0, cuts = 0, meanValue = 0;
    for (const char* text : kProblems) {
        SCOPED_TRACE(text);
        const parse_result parsed = parse_problem(text);
        ASSERT_TRUE(parsed.value.has_value());
        csp problem = parsed.value->data().qsi_solver;
        box start = problem.getBox();
        problem.prepare(start);
        for (const constraintSolver& prepared : problem.constraints()) {
            ASSERT_TRUE(prepared.solver.settings.quick_start);
            meanValue += prepared.solver.settings.mean_value ? 1 : 0;
            constraintSolver quick = prepared, full = prepared;
            full.solver.settings.quick_start = false;
            shared_clock quickClock, fullClock;
            box b = start;
            std::ostream dropped(nullptr);
            for (int n = 0; n < 300; ++n) {
                for (int i = 0; i < b.size(); ++i) {
                    const ivalDb d = prop(start[i].domain);
                    const ivalDb piece = randomPiece(d.inf(), d.sup(), rng);
                    // A variable declared improper stays improper.
                    b[i].domain = isProper(start[i].domain) ? piece : dual(piece);
                }
                // As classify loads the box (as given, then dual) and as the
                // contractor does (improper); untimed and timed runs.
                const int load = n % 3;
                const bool timed = n % 2 == 1;
                for (constraintSolver* c : {&quick, &full}) {
                    if (load == 2)
                        c->loadImproper(b, -1);
                    else
                        c->load(b, load == 0);
                    c->solver.settings.logic_mode =
                        load == 0 ? inclusionStop::withVerdict : inclusionStop::withoutVerdict;
                    if (load != 2) c->solver.settings.optim = prepared.classifyOptim;
                    c->solver.settings.time_limit = timed ? 1e9 : prepared.ownTimeLimit;
                    c->solver.sharedClock =
                        timed ? (c == &quick ? &quickClock : &fullClock) : nullptr;
                    c->solver.run(b, dropped);
                }
                const fstar& q = quick.solver;
                const fstar& f = full.solver;
                SCOPED_TRACE("run " + std::to_string(n));
                EXPECT_TRUE(sameTwin(q.globalTwin, f.globalTwin));
                EXPECT_TRUE(sameTwin(q.accumulatedTwin, f.accumulatedTwin));
                EXPECT_EQ(q.undefinedPoints, f.undefinedPoints);
                EXPECT_EQ(q.noSolution, f.noSolution);
                EXPECT_EQ(q.stepCount, f.stepCount);
                EXPECT_EQ(q.settings.stop_reason, f.settings.stop_reason);
                EXPECT_EQ(q.settings.logic_result, f.settings.logic_result);
                EXPECT_EQ(q.modality, f.modality);
                (f.stepCount == 0 ? quickEnds : cuts) += 1;
            }
        }
    }
    // Both ends were met: runs ended before their first cut, and runs that
    // cut.
    EXPECT_GT(quickEnds, 1000);
    EXPECT_GT(cuts, 100);
    EXPECT_GT(meanValue, 2);
}

} // namespace
} // namespace modal
