// buildDerivatives on a product of n factors x*x*...*x and on a sum of n
// variables. Counters: the tree's nodes after the build per node of the
// expression (memory in step with the input keeps it flat for the sum; the
// product's derivative trees themselves hold about n nodes each) and the
// derivative evaluation lists' entries.
#include <benchmark/benchmark.h>

#include "solver/model/derivatives.h"
#include "solver/model/tree.h"
#include "tests/solver/model/long_sums.h"

using namespace modal;

namespace {

tree product(int n) {
    tree t;
    nodeId p = t.createIncidence("x", ivalDb::exact(0.0, 1.0));
    for (int i = 1; i < n; ++i)
        p = t.createBinary(nodeKind::mul, p, t.createIncidence("x", ivalDb::exact(0.0, 1.0)));
    t.setRoot(p);
    return t;
}

void run(benchmark::State& state, tree (*make)(int)) {
    const int n = static_cast<int>(state.range(0));
    double nodesPerInput = 0, listEntries = 0;
    for (auto _ : state) {
        state.PauseTiming();
        tree t = make(n);
        const double input = static_cast<double>(t.nodes.size());
        state.ResumeTiming();
        buildDerivatives(t);
        buildEvalLists(t);
        benchmark::DoNotOptimize(t.derivTrees.data());
        nodesPerInput = static_cast<double>(t.nodes.size()) / input;
        listEntries = 0;
        for (const auto& v : t.derivEvalLists)
            for (const auto& l : v)
                listEntries += static_cast<double>(l.size());
    }
    state.counters["nodes_per_input_node"] = nodesPerInput;
    state.counters["list_entries"] = listEntries;
}

void BM_ProductDerivatives(benchmark::State& state) {
    run(state, product);
}
void BM_SumDerivatives(benchmark::State& state) {
    run(state, sumOfVariables);
}

} // namespace

BENCHMARK(BM_ProductDerivatives)->Arg(100)->Arg(200)->Arg(400)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SumDerivatives)->Arg(1000)->Arg(4000)->Arg(10000)->Unit(benchmark::kMillisecond);
