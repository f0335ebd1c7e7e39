// The full optimisation on the sample data set: 391 grid pairs x 24
// experiments x 300 minutes, then the final pass with the chosen pair, for
// each criterion (4, the fit to the measured glucose, also compares every
// band with the samples).
#include "glucosim/core/computation.h"
#include "glucosim/core/data_files.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <iostream>
#include <memory>

namespace {

const glucosim::DataSet& sampleData() {
    static const auto data = [] {
        auto d = std::make_unique<glucosim::DataSet>();
        const std::string dir = MODAL_SOURCE_DIR "/examples/glucosim/";
        glucosim::DataError error;
        if (!glucosim::loadExperimentAndParameters(*d, dir + "experiment_pacient3.txt",
                                                   dir + "parametros_bergman_ajustados.txt",
                                                   error) ||
            !glucosim::loadGlucose(*d, dir + "glucosa_pacient3.txt", error)) {
            std::cerr << error.message() << "\n";
            std::exit(1);
        }
        return d;
    }();
    return *data;
}

void BM_FullOptimisation(benchmark::State& state) {
    const auto criterion = static_cast<glucosim::Criterion>(state.range(0));
    for (auto _ : state) {
        auto results = glucosim::computeWithOptimisation(sampleData(), criterion);
        benchmark::DoNotOptimize(results.chosenPair);
    }
}
BENCHMARK(BM_FullOptimisation)
    ->DenseRange(0, 4)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();

void BM_ConcreteValues(benchmark::State& state) {
    for (auto _ : state) {
        auto results = glucosim::computeWithValues(sampleData(), 10.0, 40.0);
        benchmark::DoNotOptimize(results.roc.maximum);
    }
}
BENCHMARK(BM_ConcreteValues)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

} // namespace

BENCHMARK_MAIN();
