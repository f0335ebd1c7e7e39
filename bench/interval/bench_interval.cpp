// Throughput of ivalDb operations beside (a) the same operation on a plain pair
// of doubles without any rounding step and (b) boost::numeric::interval<double>,
// which switches the processor's rounding mode.
#include <array>
#include <benchmark/benchmark.h>
#include <boost/numeric/interval.hpp>
#include <cmath>
#include <random>
#include <vector>

#include "interval/functions.h"
#include "interval/ivalDb.h"

namespace {

using modal::ivalDb;
namespace bn = boost::numeric;
using BoostRounding = bn::interval_lib::save_state<bn::interval_lib::rounded_transc_std<double>>;
using BoostInterval = bn::interval<
    double, bn::interval_lib::policies<BoostRounding, bn::interval_lib::checking_base<double>>>;

struct Pair {
    double lo, hi;
};

constexpr std::size_t kCount = 1024;

// Proper operands in [0.5, 4] so that every variant takes the same branches.
template <class T> std::vector<T> operands(unsigned seed, T (*make)(double, double)) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> d(0.5, 2.0);
    std::vector<T> v;
    v.reserve(kCount);
    for (std::size_t i = 0; i < kCount; ++i) {
        const double a = d(rng);
        v.push_back(make(a, a + d(rng)));
    }
    return v;
}

ivalDb makeIval(double a, double b) {
    return ivalDb::exact(a, b);
}
Pair makePair(double a, double b) {
    return {a, b};
}
BoostInterval makeBoost(double a, double b) {
    return BoostInterval(a, b);
}

template <class T, class Op>
void binaryOn(benchmark::State& state, const std::vector<T>& x, const std::vector<T>& y, Op op) {
    std::vector<T> r(x.size(), x.front());
    for (auto _ : state) {
        for (std::size_t i = 0; i < x.size(); ++i)
            r[i] = op(x[i], y[i]);
        benchmark::DoNotOptimize(r.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * x.size()));
}

template <class T, class Op>
void binary(benchmark::State& state, T (*make)(double, double), Op op) {
    binaryOn(state, operands<T>(1, make), operands<T>(2, make), op);
}

template <class T, class Op> void unary(benchmark::State& state, T (*make)(double, double), Op op) {
    const auto x = operands<T>(3, make);
    std::vector<T> r(kCount, make(0, 0));
    for (auto _ : state) {
        for (std::size_t i = 0; i < kCount; ++i)
            r[i] = op(x[i]);
        benchmark::DoNotOptimize(r.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kCount));
}

// Plain pairs: the arithmetic of proper positive intervals with no rounding.
Pair add(Pair a, Pair b) {
    return {a.lo + b.lo, a.hi + b.hi};
}
Pair sub(Pair a, Pair b) {
    return {a.lo - b.hi, a.hi - b.lo};
}
Pair mul(Pair a, Pair b) {
    return {a.lo * b.lo, a.hi * b.hi};
}
Pair div(Pair a, Pair b) {
    return {a.lo / b.hi, a.hi / b.lo};
}

#define MODAL_BINARY(NAME, OP, PAIR_OP)                                                            \
    void BM_##NAME##_ivalDb(benchmark::State& s) {                                                 \
        binary<ivalDb>(s, makeIval, [](const ivalDb& a, const ivalDb& b) { return a OP b; });      \
    }                                                                                              \
    void BM_##NAME##_plainPair(benchmark::State& s) {                                              \
        binary<Pair>(s, makePair, [](Pair a, Pair b) { return PAIR_OP(a, b); });                   \
    }                                                                                              \
    void BM_##NAME##_boost(benchmark::State& s) {                                                  \
        binary<BoostInterval>(                                                                     \
            s, makeBoost, [](const BoostInterval& a, const BoostInterval& b) { return a OP b; });  \
    }                                                                                              \
    BENCHMARK(BM_##NAME##_ivalDb);                                                                 \
    BENCHMARK(BM_##NAME##_plainPair);                                                              \
    BENCHMARK(BM_##NAME##_boost)

MODAL_BINARY(add, +, add);
MODAL_BINARY(sub, -, sub);
MODAL_BINARY(mul, *, mul);
MODAL_BINARY(div, /, div);

// ivalDb * and / on operands of every sign class and both modalities, drawn at
// random so that the case selection cannot be predicted (divisors with zero
// strictly inside give NaN).
template <class Op> void anySigns(benchmark::State& state, Op op) {
    std::mt19937 rng(4);
    std::uniform_real_distribution<double> d(0.5, 2.0);
    std::bernoulli_distribution negative(0.5);
    auto bound = [&] { return negative(rng) ? -d(rng) : d(rng); };
    std::vector<ivalDb> x, y;
    for (std::size_t i = 0; i < kCount; ++i) {
        x.push_back(ivalDb::exact(bound(), bound()));
        y.push_back(ivalDb::exact(bound(), bound()));
    }
    binaryOn(state, x, y, op);
}
void BM_mul_ivalDb_anySigns(benchmark::State& s) {
    anySigns(s, [](const ivalDb& a, const ivalDb& b) { return a * b; });
}
void BM_div_ivalDb_anySigns(benchmark::State& s) {
    anySigns(s, [](const ivalDb& a, const ivalDb& b) { return a / b; });
}
BENCHMARK(BM_mul_ivalDb_anySigns);
BENCHMARK(BM_div_ivalDb_anySigns);

#define MODAL_UNARY(NAME)                                                                          \
    void BM_##NAME##_ivalDb(benchmark::State& s) {                                                 \
        unary<ivalDb>(s, makeIval, [](const ivalDb& a) { return modal::NAME(a); });                \
    }                                                                                              \
    void BM_##NAME##_plainPair(benchmark::State& s) {                                              \
        unary<Pair>(s, makePair, [](Pair a) { return Pair{std::NAME(a.lo), std::NAME(a.hi)}; });   \
    }                                                                                              \
    void BM_##NAME##_boost(benchmark::State& s) {                                                  \
        unary<BoostInterval>(s, makeBoost, [](const BoostInterval& a) { return bn::NAME(a); });    \
    }                                                                                              \
    BENCHMARK(BM_##NAME##_ivalDb);                                                                 \
    BENCHMARK(BM_##NAME##_plainPair);                                                              \
    BENCHMARK(BM_##NAME##_boost)

MODAL_UNARY(exp);
MODAL_UNARY(sin);
MODAL_UNARY(sqrt);

} // namespace

BENCHMARK_MAIN();
