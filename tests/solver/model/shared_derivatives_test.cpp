// The derivative trees of buildDerivatives, which share what does not depend
// on the occurrence, against the rules applied one occurrence at a time:
// differentiate the root, simplify twice. Both the texts and the enclosures
// must agree on random expressions over every node kind.
#include <cstdint>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "solver/model/derivatives.h"
#include "solver/model/dump.h"
#include "solver/model/tree.h"
#include "tests/solver/model/long_sums.h"

using namespace modal;

namespace {

const std::vector<nodeKind> kUnary{nodeKind::minus, nodeKind::exp,  nodeKind::log,  nodeKind::sqr,
                                   nodeKind::sqrt,  nodeKind::cos,  nodeKind::sin,  nodeKind::tan,
                                   nodeKind::acos,  nodeKind::asin, nodeKind::atan, nodeKind::pow};
const std::vector<nodeKind> kBinary{nodeKind::plus, nodeKind::sub, nodeKind::mul, nodeKind::div};
const std::vector<nodeKind> kRelations{nodeKind::eq, nodeKind::ge, nodeKind::gt, nodeKind::le,
                                       nodeKind::lt};

// A random expression: the same seed builds the same tree.
nodeId randomNode(tree& t, std::mt19937& rng, int depth) {
    std::uniform_int_distribution<int> pick(0, 9);
    const int r = depth <= 0 ? pick(rng) % 3 : pick(rng);
    if (r == 0)
        return t.createIncidence(std::string(1, static_cast<char>('x' + rng() % 3)),
                                 ivalDb::exact(0.25 + 0.125 * (rng() % 4), 1.5));
    if (r == 1) return t.createConst(static_cast<double>(rng() % 5));
    if (r == 2) return t.createValue(nodeKind::aux, ivalDb::exact(1.0, 2.0));
    if (r <= 5) {
        const nodeKind k = kUnary[rng() % kUnary.size()];
        const nodeId c = randomNode(t, rng, depth - 1);
        if (k == nodeKind::pow) return t.createPower(c, static_cast<int>(rng() % 5) - 1);
        return t.createUnary(k, c);
    }
    const nodeId l = randomNode(t, rng, depth - 1);
    const nodeId rr = randomNode(t, rng, depth - 1);
    return t.createBinary(kBinary[rng() % kBinary.size()], l, rr);
}

void buildRandom(tree& t, unsigned seed) {
    std::mt19937 rng(seed);
    nodeId root = randomNode(t, rng, 6);
    if (rng() % 3 == 0)
        root = t.createBinary(kRelations[rng() % kRelations.size()], root, randomNode(t, rng, 2));
    t.setRoot(root);
}

std::string text(const tree& t, nodeId n) {
    std::ostringstream os;
    printNode(t, n, os, true);
    return os.str();
}

std::vector<variable> variablesOf(const tree& t) {
    std::vector<variable> v;
    for (std::size_t i = 0; i < t.varNodes.size(); ++i)
        v.emplace_back(t.occurrenceCount(static_cast<int>(i)), t.varNodes[i].value,
                       t.varNodes[i].label);
    return v;
}

std::vector<int> identity(std::size_t n) {
    std::vector<int> m(n);
    for (std::size_t i = 0; i < n; ++i)
        m[i] = static_cast<int>(i);
    return m;
}

bool same(const ivalDb& a, const ivalDb& b) {
    return sameBounds(a, b) || (a.inf() != a.inf() && b.inf() != b.inf());
}

} // namespace

TEST(SharedDerivatives, AgreeWithOneOccurrenceAtATime) {
    for (unsigned seed = 1; seed <= 400; ++seed) {
        tree shared;
        buildRandom(shared, seed);
        std::vector<variable> vs = variablesOf(shared);
        modal::bind(shared, vs, identity(vs.size()));
        buildDerivatives(shared);
        buildEvalLists(shared);

        tree single;
        buildRandom(single, seed);
        std::vector<variable> vo = variablesOf(single);
        modal::bind(single, vo, identity(vo.size()));
        buildDerivativesOneByOne(single);
        buildEvalLists(single);

        ASSERT_EQ(shared.derivTrees.size(), single.derivTrees.size());
        for (std::size_t i = 0; i < single.derivTrees.size(); ++i)
            for (std::size_t j = 0; j < single.derivTrees[i].size(); ++j)
                ASSERT_EQ(text(shared, shared.derivTrees[i][j]),
                          text(single, single.derivTrees[i][j]))
                    << "seed " << seed << " function " << text(single, single.root);

        evaluateDerivatives(shared, varGroup::Full);
        evaluateDerivatives(single, varGroup::Full);
        for (std::size_t i = 0; i < vo.size(); ++i)
            for (int j = 0; j < vo[i].incidenceCount(); ++j)
                ASSERT_TRUE(
                    same(vs[i].getIncidence(j).derivative, vo[i].getIncidence(j).derivative))
                    << "seed " << seed << " variable " << i << " occurrence " << j;
    }
}

TEST(SharedDerivatives, SumsKeepNodeStorageLinear) {
    // Each occurrence of a long sum has the derivative "1": what the builder
    // keeps per occurrence must not grow with the length of the sum.
    for (const int n : {200, 400}) {
        tree t = sumOfVariables(n);
        buildDerivatives(t);
        EXPECT_LT(t.nodes.size(), static_cast<std::size_t>(10 * n)) << n;
        EXPECT_EQ(text(t, t.derivTrees[static_cast<std::size_t>(n / 2)][0]), "1");
    }
}
