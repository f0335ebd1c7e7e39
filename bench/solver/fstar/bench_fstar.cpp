// F* runs to tolerance 1e-3 and 1e-6 on a handful of problems of 1 to 4
// variables, proper and improper, objectives of 5 to 40 nodes. Counters:
// steps of the main loop, cells evaluated per second (two tree evaluations
// per cell) and the nodes of the objective.
#include <sstream>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

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

} // namespace

BENCHMARK(BM_Fstar)->ArgsProduct({{0, 1, 2, 3, 4}, {3, 6}})->Unit(benchmark::kMillisecond);
