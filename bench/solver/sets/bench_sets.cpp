// Quantified set inversion and the contractor on three 2-D problems (a disc,
// an annulus and a constraint with an existential variable) at CSPEps 0.1,
// 0.05 and 0.02: boxes decided per second, the time of one whole run, and
// how both grow as CSPEps halves.
#include <sstream>
#include <string>

#include <benchmark/benchmark.h>

#include "solver/sets/qsi.h"
#include "tests/solver/sets/sets_helpers.h"

using namespace modal;
using namespace sets_testing;

namespace {

problem build(int which) {
    problem p;
    switch (which) {
    case 0:
        disc(p);
        break;
    case 1:
        annulus(p);
        break;
    default:
        existsDisc(p);
        break;
    }
    return p;
}

const char* names[] = {"disc", "annulus", "exists"};

double epsilonOf(int code) {
    return code == 0 ? 0.1 : (code == 1 ? 0.05 : 0.02);
}

void BM_Qsi(benchmark::State& state) {
    const problem p = build(static_cast<int>(state.range(0)));
    const double eps = epsilonOf(static_cast<int>(state.range(1)));
    tempDir dir;
    const std::string prefix = dir.file("bench");
    toolkit::Bitmap image(repere::kImageWidth, repere::kImageHeight);
    std::size_t decided = 0, solverRuns = 0;
    for (auto _ : state) {
        qsi solver;
        static_cast<csp&>(solver) = p.target;
        solver.setEpsilon(eps);
        box start = solver.getBox();
        repere frame(image, start[0].domain.inf(), start[0].domain.sup(), start[1].domain.inf(),
                     start[1].domain.sup());
        solver.prepare(start);
        solver.getAgenda().push_back(start);
        solver.run(prefix, frame);
        decided = solver.solutionBoxes().size() + solver.nonSolutionBoxes().size() +
                  solver.undefinedBoxes().size();
        solverRuns = solver.solverRuns();
        benchmark::DoNotOptimize(decided);
    }
    state.SetLabel(std::string(names[state.range(0)]) + " eps " + std::to_string(eps));
    state.counters["boxes"] = static_cast<double>(decided);
    state.counters["fstarRuns"] = static_cast<double>(solverRuns);
    state.counters["boxes/s"] =
        benchmark::Counter(static_cast<double>(decided) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Qsi)->ArgsProduct({{0, 1, 2}, {0, 1, 2}})->Unit(benchmark::kMillisecond);

void BM_Contract(benchmark::State& state) {
    const problem p = build(static_cast<int>(state.range(0)));
    const double eps = epsilonOf(static_cast<int>(state.range(1)));
    std::ostringstream log;
    std::size_t runs = 0;
    for (auto _ : state) {
        csp solver = p.target;
        box b = solver.getBox();
        solver.prepare(b);
        double time = kInf;
        benchmark::DoNotOptimize(solver.contract(b, eps, log, time));
        runs = solver.solverRuns();
    }
    state.SetLabel(std::string(names[state.range(0)]) + " eps " + std::to_string(eps));
    state.counters["fstarRuns"] = static_cast<double>(runs);
}
BENCHMARK(BM_Contract)->ArgsProduct({{0, 1, 2}, {0, 1, 2}})->Unit(benchmark::kMicrosecond);

} // namespace
