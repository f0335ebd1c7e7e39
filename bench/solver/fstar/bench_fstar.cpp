// F* runs. BM_Fstar: tolerance 1e-3 and 1e-6 on a handful of problems of 1
// to 4 variables, proper and improper, objectives of 5 to 40 nodes, built in
// code. BM_FstarProblem: long runs of known test functions, read from problem
// text as the program reads its files, each with a time limit so that the
// benchmark ends (the label then says "Time"). Counters: steps of the main
// loop, cells evaluated per second (two tree evaluations per cell) and the
// nodes of the objective. BM_OptimSuite: the published global-optimisation
// problems of optim/ (MINMAX, Optim=1, each with its Tolerance and Time), in
// the default mode and the accelerated one (MeanValue=1, and Contract=1 where
// there are constraints); counters: steps, and holds (1 when the computed
// enclosure of the minimum meets the published minimum, to its digits).
// optim_suite.py runs the same problems through the program and writes the
// table optim_suite.md.
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/solver/fstar/optim_suite.h"
#include "modal/problem.h"
#include "modal/report.h"
#include "modal/solve.h"
#include "solver/api/problem_data.h"
#include "solver/fstar/fstar.h"

using namespace modal;

namespace {

struct builder {
    tree& t;
    std::vector<ivalDb> doms;
    std::vector<std::string> names;
    nodeId v(int i) {
        return t.createIncidence(names[static_cast<std::size_t>(i)],
                                 doms[static_cast<std::size_t>(i)]);
    }
    nodeId c(double x) { return t.createConst(x); }
    nodeId add(nodeId a, nodeId b) { return t.createBinary(nodeKind::plus, a, b); }
    nodeId sub(nodeId a, nodeId b) { return t.createBinary(nodeKind::sub, a, b); }
    nodeId mul(nodeId a, nodeId b) { return t.createBinary(nodeKind::mul, a, b); }
    nodeId f(nodeKind k, nodeId a) { return t.createUnary(k, a); }
};

// Problem `id` built into the solver's objective tree.
void build(fstar& s, int id) {
    tree& t = s.mainModel.fn;
    builder b{t, {}, {"x", "y", "z", "w"}};
    switch (id) {
    case 0: // 1 proper variable, 7 nodes: x * (3 - x) + sin(x)
        b.doms = {ivalDb::exact(0, 3)};
        t.setRoot(b.add(b.mul(b.v(0), b.sub(b.c(3), b.v(0))), b.f(nodeKind::sin, b.v(0))));
        break;
    case 1: // 1 improper variable, 5 nodes: x * x - x
        b.doms = {ivalDb::exact(2, -1)};
        t.setRoot(b.sub(b.mul(b.v(0), b.v(0)), b.v(0)));
        break;
    case 2: // x proper, y improper, 13 nodes: x*y - x*x + sin(x*y)
        b.doms = {ivalDb::exact(-1, 2), ivalDb::exact(1, -1)};
        t.setRoot(b.add(b.sub(b.mul(b.v(0), b.v(1)), b.mul(b.v(0), b.v(0))),
                        b.f(nodeKind::sin, b.mul(b.v(0), b.v(1)))));
        break;
    case 3: { // 3 variables, mixed, about 25 nodes
        b.doms = {ivalDb::exact(-1, 1), ivalDb::exact(1, -1), ivalDb::exact(0, 2)};
        const nodeId e = b.f(nodeKind::exp, b.mul(b.c(0.5), b.sub(b.v(0), b.v(2))));
        const nodeId p = t.createPower(b.add(b.v(0), b.v(1)), 2);
        const nodeId q = b.mul(b.v(1), b.mul(b.v(2), b.f(nodeKind::cos, b.v(0))));
        t.setRoot(b.add(b.sub(e, p), b.add(q, b.mul(b.v(2), b.v(1)))));
        break;
    }
    default: { // 4 variables (3 proper, 1 improper), 35 nodes
        b.doms = {ivalDb::exact(-1, 1), ivalDb::exact(0, 1), ivalDb::exact(1, -1),
                  ivalDb::exact(0, 2)};
        nodeId sum = noNode;
        for (int i = 0; i < 4; ++i) {
            const int j = (i + 1) % 4;
            const nodeId piece =
                b.add(b.mul(b.v(i), b.v(j)), b.f(nodeKind::sin, b.sub(b.v(i), b.v(j))));
            sum = sum == noNode ? piece : b.add(sum, piece);
        }
        t.setRoot(sum);
        break;
    }
    }
}

void BM_Fstar(benchmark::State& state) {
    const int id = static_cast<int>(state.range(0));
    const double tol = state.range(1) == 3 ? 1e-3 : 1e-6;
    long steps = 0;
    std::uint64_t evaluations = 0;
    std::size_t nodes = 0;
    std::string reason;
    for (auto _ : state) {
        fstar s;
        build(s, id);
        s.settings.tolerance = tol;
        s.settings.time_limit = 30;
        box plot(2);
        s.prepare(plot);
        std::ostringstream log;
        s.run(plot, log);
        steps = s.stepCount;
        evaluations += s.mainModel.fn.evaluationCount;
        nodes = s.mainModel.fn.evalList.size();
        reason = s.settings.stop_reason;
        benchmark::DoNotOptimize(s.globalTwin);
    }
    state.counters["steps"] = static_cast<double>(steps);
    state.counters["nodes"] = static_cast<double>(nodes);
    state.counters["cells/s"] =
        benchmark::Counter(static_cast<double>(evaluations) / 2.0, benchmark::Counter::kIsRate);
    state.SetLabel(reason);
}

struct namedProblem {
    const char* name;
    const char* text;
};

#define CAMEL6                                                                                     \
    "x in [-3, 3]; y in [-2, 2];\n"                                                                \
    "f:= 4*pow(x, 2) - 2.1*pow(x, 4) + pow(x, 6)/3 + x*y - 4*pow(y, 2) + 4*pow(y, 4);\n"
#define COLVILLE                                                                                   \
    "x1 in [-2, 2]; x2 in [-2, 2]; x3 in [-2, 2]; x4 in [-2, 2];\n"                                \
    "f:= 100*pow(pow(x1, 2) - x2, 2) + pow(x1 - 1, 2) + pow(x3 - 1, 2)"                            \
    " + 90*pow(pow(x3, 2) - x4, 2) + 10.1*(pow(x2 - 1, 2) + pow(x4 - 1, 2))"                       \
    " + 19.8*(x2 - 1)*(x4 - 1);\n"
#define ST_TERM(i) "pow(x" #i ", 4) - 16*pow(x" #i ", 2) + 5*x" #i
#define ROSEN_TERM(i, j) "100*pow(x" #j " - pow(x" #i ", 2), 2) + pow(1 - x" #i ", 2)"

const namedProblem kProblems[] = {
    {"camel6/1e-6", "Algorithm=FSTAR; Tolerance=1e-6; Time=60;\n" CAMEL6},
    {"camel6/1e-7", "Algorithm=FSTAR; Tolerance=1e-7; Time=60;\n" CAMEL6},
    {"camel6/1e-8", "Algorithm=FSTAR; Tolerance=1e-8; Time=60;\n" CAMEL6},
    {"colville/1e-2", "Algorithm=FSTAR; Tolerance=1e-2; Time=60;\n" COLVILLE},
    {"colville/1e-3", "Algorithm=FSTAR; Tolerance=1e-3; Time=60;\n" COLVILLE},
    {"styblinski-tang3/1e-3", "Algorithm=FSTAR; Tolerance=1e-3; Time=60;\n"
                              "x1 in [-5, 5]; x2 in [-5, 5]; x3 in [-5, 5];\n"
                              "f:= (" ST_TERM(1) " + " ST_TERM(2) " + " ST_TERM(3) ")/2;\n"},
    {"styblinski-tang4/1e-3",
     "Algorithm=FSTAR; Tolerance=1e-3; Time=30;\n"
     "x1 in [-5, 5]; x2 in [-5, 5]; x3 in [-5, 5]; x4 in [-5, 5];\n"
     "f:= (" ST_TERM(1) " + " ST_TERM(2) " + " ST_TERM(3) " + " ST_TERM(4) ")/2;\n"},
    {"rosenbrock8/1e-3",
     "Algorithm=FSTAR; Tolerance=1e-3; Time=60;\n"
     "x1 in [-2, 2]; x2 in [-2, 2]; x3 in [-2, 2]; x4 in [-2, 2];\n"
     "x5 in [-2, 2]; x6 in [-2, 2]; x7 in [-2, 2]; x8 in [-2, 2];\n"
     "f:= " ROSEN_TERM(1, 2) " + " ROSEN_TERM(2, 3) " + " ROSEN_TERM(3, 4) " + " ROSEN_TERM(
         4, 5) " + " ROSEN_TERM(5, 6) " + " ROSEN_TERM(6, 7) " + " ROSEN_TERM(7, 8) ";\n"},
    // Two universally and two existentially quantified variables.
    {"improper2of4/1e-3", "Algorithm=FSTAR; Tolerance=1e-3; Time=30;\n"
                          "U(x1, [-1, 1]); U(x2, [-1, 1]); E(y1, [-1, 1]); E(y2, [-1, 1]);\n"
                          "f:= pow(x1 - y1, 2) + x2*y2 + sin(x1*y2) - x2*y1*y1;\n"},
};

// The F* solver of a problem text with the settings its algorithm forces,
// prepared and ready to run; no report file is written.
fstar solverFor(std::string_view text) {
    const parse_result parsed = parse_problem(text);
    if (!parsed.value) return fstar();
    const detail::problem_data& d = parsed.value->data();
    fstar s = d.fstar_solver;
    box plot(2);
    s.settings.plot = true;
    s.prepare(plot);
    s.settings.plot = false;
    s.settings.minmax_mode = d.algorithm == "MINMAX";
    s.settings.write_solution = false;
    if (d.algorithm == "FSTAR") s.settings.optim = optimBound::both;
    return s;
}

void BM_FstarProblem(benchmark::State& state) {
    const namedProblem& p = kProblems[state.range(0)];
    const bool meanValue = state.range(1) != 0;
    long steps = 0;
    std::uint64_t evaluations = 0;
    std::string reason;
    for (auto _ : state) {
        state.PauseTiming();
        fstar s = solverFor(p.text);
        s.settings.mean_value = meanValue;
        std::ostringstream log;
        box plot(2);
        state.ResumeTiming();
        s.run(plot, log);
        steps = s.stepCount;
        evaluations += s.mainModel.fn.evaluationCount;
        reason = s.settings.stop_reason;
        benchmark::DoNotOptimize(s.globalTwin);
    }
    state.counters["steps"] = static_cast<double>(steps);
    state.counters["cells/s"] =
        benchmark::Counter(static_cast<double>(evaluations) / 2.0, benchmark::Counter::kIsRate);
    state.SetLabel(std::string(p.name) + (meanValue ? " MeanValue=1 " : " ") + reason);
}

void BM_OptimSuite(benchmark::State& state, const optim_suite::problem& p, bool accelerated) {
    const parse_result parsed =
        parse_problem(accelerated ? optim_suite::acceleratedText(p.text) : p.text);
    if (!parsed.value) {
        state.SkipWithError("the problem file does not parse");
        return;
    }
    result r;
    for (auto _ : state) {
        r = solve(*parsed.value);
        benchmark::DoNotOptimize(r.outer);
    }
    // The minimum lies in [outer.inf, inner.inf].
    state.counters["steps"] = static_cast<double>(r.steps);
    state.counters["holds"] = p.holds(r.outer.inf(), r.inner.inf()) ? 1 : 0;
    state.SetLabel(name_of(r.stop));
}

// One benchmark per problem and mode: BM_OptimSuite/<problem>/<mode>.
[[maybe_unused]] const bool kSuiteRegistered = [] {
    static const std::vector<optim_suite::problem> suite = optim_suite::read(MODAL_OPTIM_SUITE_DIR);
    for (const optim_suite::problem& p : suite)
        for (const bool accelerated : {false, true})
            benchmark::RegisterBenchmark(
                ("BM_OptimSuite/" + p.name + (accelerated ? "/accelerated" : "/default")).c_str(),
                [&p, accelerated](benchmark::State& s) { BM_OptimSuite(s, p, accelerated); })
                ->Unit(benchmark::kMillisecond)
                ->MeasureProcessCPUTime();
    return true;
}();

} // namespace

// Second argument: MeanValue.
BENCHMARK(BM_FstarProblem)
    ->ArgsProduct({benchmark::CreateDenseRange(0, static_cast<int>(std::size(kProblems)) - 1, 1),
                   {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();
BENCHMARK(BM_Fstar)->ArgsProduct({{0, 1, 2, 3, 4}, {3, 6}})->Unit(benchmark::kMillisecond);
