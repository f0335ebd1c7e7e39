// evaluateTree in mode "Out" beside the same expression written with ivalDb
// operations. The objective is a sum of k terms (x * y) + sin(x + c_i):
// 9k - 1 nodes, so k = 1, 6, 22 give 8, 53 and 197 nodes.
#include <vector>

#include <benchmark/benchmark.h>

#include "interval/functions.h"
#include "solver/model/tree.h"

using namespace modal;

namespace {

double shift(int i) {
    return 0.1 * (i + 1);
}

struct objective {
    tree t;
    std::vector<variable> vars{variable(0, ivalDb::exact(1, 2), "x"),
                               variable(0, ivalDb::exact(0.5, 1.5), "y")};
    explicit objective(int k) {
        const int x = t.addVariable("x", vars[0].domain);
        const int y = t.addVariable("y", vars[1].domain);
        nodeId sum = noNode;
        for (int i = 0; i < k; ++i) {
            const nodeId prod =
                t.createBinary(nodeKind::mul, t.createIncidence(x), t.createIncidence(y));
            const nodeId arg =
                t.createBinary(nodeKind::plus, t.createIncidence(x), t.createConst(shift(i)));
            const nodeId term =
                t.createBinary(nodeKind::plus, prod, t.createUnary(nodeKind::sin, arg));
            sum = sum == noNode ? term : t.createBinary(nodeKind::plus, sum, term);
        }
        t.setRoot(sum);
        buildEvalList(t, t.root, t.evalList);
        vars[0] = variable(t.occurrenceCount(x), vars[0].domain, "x");
        vars[1] = variable(t.occurrenceCount(y), vars[1].domain, "y");
        bind(t, vars, {0, 1});
    }
};

void BM_EvaluateTree(benchmark::State& state) {
    objective o(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(evaluateTree(o.t, evalMode::Out));
    state.counters["nodes"] = static_cast<double>(o.t.evalList.size());
}

void BM_Direct(benchmark::State& state) {
    const int k = static_cast<int>(state.range(0));
    std::vector<ivalDb> shifts;
    for (int i = 0; i < k; ++i)
        shifts.push_back(ivalDb(shift(i)));
    ivalDb x = ivalDb::exact(1, 2), y = ivalDb::exact(0.5, 1.5);
    for (auto _ : state) {
        benchmark::DoNotOptimize(x);
        benchmark::DoNotOptimize(y);
        ivalDb sum = x * y + sin(x + shifts[0]);
        for (int i = 1; i < k; ++i)
            sum = sum + (x * y + sin(x + shifts[static_cast<std::size_t>(i)]));
        benchmark::DoNotOptimize(sum);
    }
    state.counters["nodes"] = 9.0 * k - 1;
}

} // namespace

BENCHMARK(BM_EvaluateTree)->Arg(1)->Arg(6)->Arg(22);
BENCHMARK(BM_Direct)->Arg(1)->Arg(6)->Arg(22);
