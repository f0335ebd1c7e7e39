// Quantified set inversion and the contractor.
//
// BM_Qsi: three 2-D problems (a disc, an annulus and a constraint with an
// existential variable) at CSPEps 0.1, 0.05 and 0.02: boxes decided per
// second and how the time grows as CSPEps halves.
//
// BM_QsiPaving: the disc at CSPEps 0.01, the annulus at 0.001, the 3-D ball
// x^2 + y^2 + z^2 <= 1 in [-3, 3]^3 at 0.01 and 0.005 and the 4-D ball at
// 0.02 and 0.01, each with the given number of threads (0: every core).
// BM_QsiTimeLimit: the 3-D ball at 0.01 on one thread with QSITime at a
// limit the run never reaches, against none (a limit must cost no CPU). Counters: boxes decided,
// process CPU microseconds per box, boxes per second of wall time, heap bytes
// held per stored box after the run, and the process's peak resident memory.
//
// BM_ReplayPaving: a paving's boxes found again from its trace (what rank 0
// of solver-mpi does with each rank's sub-paving), the 4-D ball at 0.02 and
// 0.01: nanoseconds per box taken from the queue, and the bytes a decided
// box takes in the trace against its bounds. Freed memory is kept for the
// next replay: the first touch of fresh memory, which a virtual machine may
// make cost more than the replay, is not counted.
//
// BM_QsiContract: Contract=1 against 0 (annulus, 3-D and 4-D balls);
// BM_ContractSmallSet: CONTRACTOR with Contract=1 against 0 where the
// solution set is a small part of the box (see each).
#include <malloc.h>
#include <sys/resource.h>

#include <ctime>
#include <sstream>
#include <string>

#include <benchmark/benchmark.h>

#include "solver/plot/paving_picture.h"
#include "solver/sets/qsi.h"
#include "solver/sets/qsi_report.h"
#include "solver/sets/sub_paving.h"
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
    case 2:
        existsDisc(p);
        break;
    case 3:
        ball(p, 3);
        break;
    default:
        ball(p, 4);
        break;
    }
    return p;
}

const char* names[] = {"disc", "annulus", "exists", "ball3", "ball4"};

double epsilonOf(int code) {
    return code == 0 ? 0.1 : (code == 1 ? 0.05 : 0.02);
}

std::size_t heapInUse() {
    return mallinfo2().uordblks;
}

double peakResidentMiB() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_maxrss) / 1024.0;
}

struct paving {
    std::size_t decided = 0;
    std::size_t heldBytes = 0;
    std::size_t boxes[3] = {0, 0, 0}; // solution, non-solution, undefined
    double undefinedVolume = 0;
    double pavingSeconds = 0;
    std::uint64_t fstarRuns = 0;
};

double volumeOf(const boxStore& store) {
    double sum = 0;
    for (const box& b : store) {
        double v = 1;
        for (int i = 0; i < b.size(); ++i)
            v *= b[i].domain.width();
        sum += v;
    }
    return sum;
}

// One whole QSI run of `p` at `eps`, as the program makes it: the paving,
// its report (into a stream that drops it) and its picture.
paving runQsi(const problem& p, double eps, int threads, toolkit::Bitmap& image,
              double timeLimit = kInf, bool contract = false) {
    const std::size_t before = heapInUse();
    qsi solver;
    static_cast<csp&>(solver) = p.target;
    solver.setEpsilon(eps);
    solver.setThreads(threads);
    solver.setTimeLimit(timeLimit);
    solver.setContract(contract);
    box start = solver.getBox();
    solver.prepare(start);
    solver.getAgenda().push_back(start);
    result r;
    r.algorithm = algorithm::qsi;
    r.epsilon = eps;
    for (int i = 0; i < start.size(); ++i)
        r.start.push_back({start[i].name, i, start[i].domain});
    r.cpu_seconds = solver.run();
    paving out;
    out.decided = solver.solutionBoxes().size() + solver.nonSolutionBoxes().size() +
                  solver.undefinedBoxes().size();
    out.boxes[0] = solver.solutionBoxes().size();
    out.boxes[1] = solver.nonSolutionBoxes().size();
    out.boxes[2] = solver.undefinedBoxes().size();
    out.undefinedVolume = volumeOf(solver.undefinedBoxes());
    out.pavingSeconds = r.cpu_seconds;
    out.fstarRuns = solver.solverRuns();
    const std::size_t after = heapInUse();
    out.heldBytes = after > before ? after - before : 0;
    solver.moveResult(r);
    std::ostream dropped(nullptr);
    writeQsiReport(r, dropped, threads == 1 ? 1 : 2);
    const ivalDb x = horizontalRange(r), y = verticalRange(r);
    repere frame(image, x.inf(), x.sup(), y.inf(), y.sup());
    drawPaving(r, frame);
    return out;
}

void BM_Qsi(benchmark::State& state) {
    const problem p = build(static_cast<int>(state.range(0)));
    const double eps = epsilonOf(static_cast<int>(state.range(1)));
    toolkit::Bitmap image(repere::kImageWidth, repere::kImageHeight);
    std::size_t decided = 0;
    for (auto _ : state) {
        decided = runQsi(p, eps, 1, image).decided;
        benchmark::DoNotOptimize(decided);
    }
    state.SetLabel(std::string(names[state.range(0)]) + " eps " + std::to_string(eps));
    state.counters["boxes"] = static_cast<double>(decided);
    state.counters["boxes/s"] =
        benchmark::Counter(static_cast<double>(decided) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Qsi)->ArgsProduct({{0, 1, 2}, {0, 1, 2}})->Unit(benchmark::kMillisecond);

// Args: problem (0 disc, 1 annulus, 3 ball3, 4 ball4), threads, CSPEps in
// units of 1e-4.
void BM_QsiPaving(benchmark::State& state) {
    const int which = static_cast<int>(state.range(0));
    const int threads = static_cast<int>(state.range(1));
    const problem p = build(which);
    const double eps = static_cast<double>(state.range(2)) * 1e-4;
    toolkit::Bitmap image(repere::kImageWidth, repere::kImageHeight);
    paving last;
    double cpuSeconds = 0;
    for (auto _ : state) {
        const std::clock_t c0 = std::clock();
        last = runQsi(p, eps, threads, image);
        cpuSeconds += static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC;
        benchmark::DoNotOptimize(last);
    }
    const double boxes = static_cast<double>(last.decided);
    const double iterations = static_cast<double>(state.iterations());
    state.SetLabel(std::string(names[which]) + " eps " + std::to_string(eps) + " threads " +
                   std::to_string(threads));
    state.counters["boxes"] = boxes;
    state.counters["cpu_us/box"] = cpuSeconds * 1e6 / (boxes * iterations);
    state.counters["boxes/s"] = benchmark::Counter(boxes * iterations, benchmark::Counter::kIsRate);
    state.counters["bytes/box"] = static_cast<double>(last.heldBytes) / boxes;
    state.counters["peakRSS_MiB"] = peakResidentMiB();
}
BENCHMARK(BM_QsiPaving)
    ->Args({0, 1, 100})
    ->Args({0, 0, 100})
    ->Args({1, 1, 10})
    ->Args({1, 0, 10})
    ->Args({3, 1, 100})
    ->Args({3, 0, 100})
    ->Args({3, 1, 50})
    ->Args({3, 0, 50})
    ->Args({4, 1, 200})
    ->Args({4, 0, 200})
    ->Args({4, 1, 100})
    ->Args({4, 0, 100})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

// Arg: 0 no time limit, 1 a limit of 1e9 seconds.
void BM_QsiTimeLimit(benchmark::State& state) {
    const problem p = build(3);
    const double limit = state.range(0) == 0 ? kInf : 1e9;
    toolkit::Bitmap image(repere::kImageWidth, repere::kImageHeight);
    for (auto _ : state)
        benchmark::DoNotOptimize(runQsi(p, 0.01, 1, image, limit).decided);
    state.SetLabel(state.range(0) == 0 ? "no limit" : "QSITime=1e9");
}
BENCHMARK(BM_QsiTimeLimit)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

// Contract=1 against 0 on one thread, at the smallest widths where the
// separators of a classical contractor library leave an undefined volume of
// 0.290 (annulus, CSPEps 0.01), 0.346 (3-D ball, 0.01) and 1.505 (4-D ball,
// 0.02). Args: problem (1 annulus, 3 ball3, 4 ball4), CSPEps in units of
// 1e-4, Contract. Counters: boxes of each kind, undefined volume, processor
// milliseconds of the paving alone (pave_ms) and of the whole run with its
// report and picture (the benchmark's CPU time).
void BM_QsiContract(benchmark::State& state) {
    const int which = static_cast<int>(state.range(0));
    const problem p = build(which);
    const double eps = static_cast<double>(state.range(1)) * 1e-4;
    const bool contract = state.range(2) != 0;
    toolkit::Bitmap image(repere::kImageWidth, repere::kImageHeight);
    paving last;
    double pavingSeconds = 0;
    for (auto _ : state) {
        last = runQsi(p, eps, 1, image, kInf, contract);
        pavingSeconds += last.pavingSeconds;
        benchmark::DoNotOptimize(last);
    }
    state.SetLabel(std::string(names[which]) + " eps " + std::to_string(eps) +
                   (contract ? " Contract=1" : " Contract=0"));
    state.counters["solution"] = static_cast<double>(last.boxes[0]);
    state.counters["nonSolution"] = static_cast<double>(last.boxes[1]);
    state.counters["undefined"] = static_cast<double>(last.boxes[2]);
    state.counters["undefinedVolume"] = last.undefinedVolume;
    state.counters["pave_ms"] = pavingSeconds * 1e3 / static_cast<double>(state.iterations());
    state.counters["fstarRuns"] = static_cast<double>(last.fstarRuns);
}
BENCHMARK(BM_QsiContract)
    ->ArgsProduct({{1, 3}, {100}, {0, 1}})
    ->Args({4, 200, 0})
    ->Args({4, 200, 1})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();

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
    state.counters["s/run"] =
        benchmark::Counter(static_cast<double>(runs) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Contract)->ArgsProduct({{0, 1, 2, 3}, {0, 1, 2}})->Unit(benchmark::kMicrosecond);

// CONTRACTOR with Contract=1 against 0 where the solution set is a small part
// of the box: the unit ball in [-3, 3]^3 (2% of it) and [-3, 3]^4 (0.4%), at
// CSPEps 1e-3. Args: problem (3 ball3, 4 ball4), Contract. Counters: F* runs
// and the width of the first variable's contracted domain (at least 2).
void BM_ContractSmallSet(benchmark::State& state) {
    const int which = static_cast<int>(state.range(0));
    const problem p = build(which);
    const bool forwardBackward = state.range(1) != 0;
    std::ostringstream log;
    std::size_t runs = 0;
    double width = 0;
    for (auto _ : state) {
        csp solver = p.target;
        solver.forwardBackward = forwardBackward;
        box b = solver.getBox();
        solver.prepare(b);
        double time = kInf;
        benchmark::DoNotOptimize(solver.contract(b, 1e-3, log, time));
        runs = solver.solverRuns();
        width = b[0].domain.width();
    }
    state.SetLabel(std::string(names[which]) + (forwardBackward ? " Contract=1" : " Contract=0"));
    state.counters["fstarRuns"] = static_cast<double>(runs);
    state.counters["width"] = width;
}
BENCHMARK(BM_ContractSmallSet)
    ->ArgsProduct({{3, 4}, {0, 1}})
    ->Unit(benchmark::kMicrosecond)
    ->MeasureProcessCPUTime();

// Arg: CSPEps in units of 1e-4.
void BM_ReplayPaving(benchmark::State& state) {
    const problem p = build(4);
    const double eps = static_cast<double>(state.range(0)) * 1e-4;
    qsi constraints;
    static_cast<csp&>(constraints) = p.target;
    box start = constraints.getBox();
    constraints.prepare(start);
    const paving_setup setup{&constraints, start, pavingEpsilons(start, eps), eps};
    std::vector<double> bounds;
    for (int i = 0; i < start.size(); ++i) {
        bounds.push_back(start[i].domain.inf());
        bounds.push_back(start[i].domain.sup());
    }
    const sub_paving traced = paveBoxes(setup, bounds, 0, {}, true);
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    std::size_t decided = 0;
    for (auto _ : state) {
        const sub_paving replayed = replayPaving(setup, bounds, traced.trace);
        decided = replayed.kinds.size();
        benchmark::DoNotOptimize(replayed.bounds.data());
    }
    const double codes = static_cast<double>(traced.trace.size());
    state.SetLabel("ball4 eps " + std::to_string(eps));
    state.counters["boxes"] = static_cast<double>(decided);
    state.counters["codes"] = codes;
    state.counters["ns/code"] =
        benchmark::Counter(codes * static_cast<double>(state.iterations()) * 1e-9,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["trace_B/box"] = codes / static_cast<double>(decided);
    state.counters["bounds_B/box"] = 2.0 * start.size() * sizeof(double) + 1;
}
BENCHMARK(BM_ReplayPaving)->Arg(200)->Arg(100)->Unit(benchmark::kMillisecond);

} // namespace
