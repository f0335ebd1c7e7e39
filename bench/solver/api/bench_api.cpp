// What a user of the library pays per call.
//
// BM_ParseAndSolve: parse_problem and solve of a tiny FSTAR problem, in a
// loop: calls per second. BM_Solve: solve alone, of the problem parsed once
// (what bench/python/solve_overhead.py times through the Python package).
//
// BM_TwoProblems/threads: two different problems (a MINMAX run of the
// six-hump camel function and a QSI paving of an annulus, each about the
// same time) solved one after the other on one thread (1) or at the same
// time on two threads (2). The wall time per pair of runs: the ratio of the
// two is the throughput that a second thread adds (2 at best on two cores).
#include <string>
#include <thread>

#include <benchmark/benchmark.h>

#include "modal/modal.h"

namespace {

using namespace modal;

constexpr const char* kTiny = "Algorithm=FSTAR; Tolerance=0.01; x in [0, 1]; f:= x*(1-x);";

constexpr const char* kCamel =
    "Algorithm=MINMAX; Optim=1; Tolerance=1e-6; x in [-2,2]; y in [-1,1];"
    "f:= (4 - 2.1*pow(x,2) + pow(x,4)/3)*pow(x,2) + x*y + (-4 + 4*pow(y,2))*pow(y,2);";
constexpr const char* kAnnulus =
    "Algorithm=QSI; CSPEps=0.0025; Threads=1; F(x,[-3,3]); F(y,[-3,3]);"
    "c:= pow(x,2) + pow(y,2) <= 4; c:= pow(x,2) + pow(y,2) >= 1;";

void BM_ParseAndSolve(benchmark::State& state) {
    for (auto _ : state) {
        const parse_result p = parse_problem(kTiny);
        benchmark::DoNotOptimize(solve(*p.value).tol);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ParseAndSolve)->Unit(benchmark::kMicrosecond);

void BM_Solve(benchmark::State& state) {
    const problem tiny = *parse_problem(kTiny).value;
    for (auto _ : state)
        benchmark::DoNotOptimize(solve(tiny).tol);
}
BENCHMARK(BM_Solve)->Unit(benchmark::kMicrosecond);

void BM_TwoProblems(benchmark::State& state) {
    const problem camel = *parse_problem(kCamel).value;
    const problem annulus = *parse_problem(kAnnulus).value;
    const bool together = state.range(0) == 2;
    for (auto _ : state) {
        if (together) {
            std::thread other([&] { benchmark::DoNotOptimize(solve(camel).tol); });
            benchmark::DoNotOptimize(solve(annulus).solution.size());
            other.join();
        } else {
            benchmark::DoNotOptimize(solve(camel).tol);
            benchmark::DoNotOptimize(solve(annulus).solution.size());
        }
    }
    state.SetItemsProcessed(2 * state.iterations());
}
BENCHMARK(BM_TwoProblems)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
