// Long flat chains regrouped into balanced trees: the same function, and a
// shallow tree.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>

#include "solver/model/chains.h"

namespace modal {
namespace {

int depthOf(const tree& t, nodeId n) {
    if (n == noNode) return 0;
    return 1 + std::max(depthOf(t, t.at(n).left), depthOf(t, t.at(n).right));
}

TEST(Chains, ALongFlatChainIsTheSameFunctionBalanced) {
    std::mt19937 rng(34);
    for (const bool product : {false, true}) {
        SCOPED_TRACE(product ? "product" : "sum");
        tree t;
        const int terms = 5000;
        std::vector<double> at(terms);
        std::vector<bool> minus(terms, false);
        // x_0 op x_1 op ... written flat (left-deep), each x_i a point.
        std::uniform_real_distribution<double> u(product ? 0.999 : -1.0, product ? 1.001 : 1.0);
        nodeId chain = noNode;
        for (int i = 0; i < terms; ++i) {
            at[static_cast<std::size_t>(i)] = u(rng);
            const nodeId leaf =
                t.createValue(nodeKind::constant, ivalDb::exact(at[static_cast<std::size_t>(i)],
                                                                at[static_cast<std::size_t>(i)]));
            minus[static_cast<std::size_t>(i)] = !product && i > 0 && rng() % 3 == 0;
            chain = i == 0 ? leaf
                           : t.createBinary(product                              ? nodeKind::mul
                                            : minus[static_cast<std::size_t>(i)] ? nodeKind::sub
                                                                                 : nodeKind::plus,
                                            chain, leaf);
        }
        // Under a unary node, so that the chain's head has a parent.
        t.setRoot(t.createUnary(nodeKind::sqr, chain));
        const nodeId head = t.at(t.root).left;
        balanceLongChains(t);
        EXPECT_EQ(t.at(t.root).left, head);
        EXPECT_LE(depthOf(t, t.root), 2 + 13);
        // The value at the points, by the regrouped tree and directly.
        std::function<long double(nodeId)> value = [&](nodeId n) -> long double {
            const node& x = t.at(n);
            if (x.left == noNode) return x.value.inf();
            const long double a = value(x.left), b = value(x.right);
            return x.kind == nodeKind::plus ? a + b : x.kind == nodeKind::sub ? a - b : a * b;
        };
        long double direct = product ? 1 : 0;
        for (int i = 0; i < terms; ++i) {
            const double x = at[static_cast<std::size_t>(i)];
            direct = product ? direct * x
                             : (minus[static_cast<std::size_t>(i)] ? direct - x : direct + x);
        }
        EXPECT_NEAR(static_cast<double>(value(head)), static_cast<double>(direct),
                    1e-9 * std::fabs(static_cast<double>(direct)) + 1e-9);
    }
}

} // namespace
} // namespace modal
