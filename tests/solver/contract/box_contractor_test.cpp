// Contraction of a box by several constraints with parameters, and the
// pieces a contraction cuts off.
#include <gtest/gtest.h>

#include <random>

#include "solver/contract/box_contractor.h"

namespace {

using namespace modal;

box boxOf(std::initializer_list<ivalDb> domains) {
    box b;
    int i = 0;
    for (const ivalDb& d : domains)
        b.append(variable(0, d, "v" + std::to_string(i++)));
    return b;
}

double volume(const box& b) {
    double v = 1;
    for (int i = 0; i < b.size(); ++i)
        v *= b[i].domain.width();
    return v;
}

// Volume of the intersection of two boxes.
double overlap(const box& a, const box& b) {
    double v = 1;
    for (int i = 0; i < a.size(); ++i) {
        const ivalDb m = meet(a[i].domain, b[i].domain);
        v *= m.inf() < m.sup() ? m.sup() - m.inf() : 0.0;
    }
    return v;
}

TEST(BoxContractor, PiecesOutsideTileTheDifference) {
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> u(0, 1);
    for (int trial = 0; trial < 200; ++trial) {
        box outer = boxOf({ivalDb::exact(-1, 2), ivalDb::exact(0, 1), ivalDb::exact(-3, 3)});
        box inner = outer;
        for (int i = 0; i < 3; ++i) {
            const ivalDb d = outer[i].domain;
            double a = d.inf() + d.width() * u(rng), b = d.inf() + d.width() * u(rng);
            if (trial % 5 == 0) a = d.inf(); // an interval that keeps a bound
            inner[i].domain = ivalDb::exact(std::fmin(a, b), std::fmax(a, b));
        }
        const bool empty = trial % 17 == 0;
        std::vector<box> pieces;
        box scratch = outer;
        forEachPieceOutside(outer, inner, empty, scratch,
                            [&](const box& p) { pieces.push_back(p); });
        double sum = empty ? 0 : volume(inner);
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            sum += volume(pieces[i]);
            EXPECT_GT(volume(pieces[i]), 0);
            if (!empty) {
                EXPECT_EQ(overlap(pieces[i], inner), 0);
            }
            for (std::size_t j = 0; j < i; ++j)
                EXPECT_EQ(overlap(pieces[i], pieces[j]), 0);
        }
        EXPECT_NEAR(sum, volume(outer), 1e-12 * volume(outer));
        EXPECT_LE(pieces.size(), empty ? 1U : 6U);
    }
}

// x - p with x the tree's variable 0 and p its variable 1.
nodeId difference(tree& t) {
    t.addVariable("x", ivalEntire());
    t.addVariable("p", ivalEntire());
    const nodeId x = t.createIncidence(0);
    return t.createBinary(nodeKind::sub, x, t.createIncidence(1));
}

// x - p >= 0 with the parameter p in [0.5, 1]; box variable 0 is x.
boxContractor shifted(comparison rel) {
    tree t;
    const nodeId e = difference(t);
    boxContractor c;
    c.add(relationContractor(t, e, rel), {0}, {0}, {ivalEntire(), ivalDb::exact(0.5, 1)});
    return c;
}

TEST(BoxContractor, ParametersAreProjected) {
    boxContractor c = shifted(comparison::ge);
    // No p satisfies x >= p below x = 0.5: those x fail whatever the
    // quantifier of p.
    box b = boxOf({ivalDb::exact(0, 2)});
    ASSERT_TRUE(c.contractToConstraints(b));
    EXPECT_NEAR(b[0].domain.inf(), 0.5, 1e-12);
    EXPECT_EQ(b[0].domain.sup(), 2);
    // Every p satisfies it above x = 1: the complement keeps [0, 1] only.
    b = boxOf({ivalDb::exact(0, 2)});
    ASSERT_TRUE(c.contractToComplement(b));
    EXPECT_EQ(b[0].domain.inf(), 0);
    EXPECT_NEAR(b[0].domain.sup(), 1, 1e-12);
    // Between the two nothing is decided by projection.
    b = boxOf({ivalDb::exact(0.6, 0.9)});
    ASSERT_TRUE(c.contractToConstraints(b));
    ASSERT_TRUE(c.contractToComplement(b));
    EXPECT_EQ(b[0].domain.inf(), 0.6);
    EXPECT_EQ(b[0].domain.sup(), 0.9);
    // An improper parameter domain is read as its proper projection.
    boxContractor improper;
    tree t;
    const nodeId e = difference(t);
    improper.add(relationContractor(t, e, comparison::ge), {0}, {0},
                 {ivalEntire(), ivalDb::exact(1, 0.5)});
    b = boxOf({ivalDb::exact(0, 0.4)});
    EXPECT_FALSE(improper.contractToConstraints(b));
}

TEST(BoxContractor, SeveralConstraintsMeetAndTheirComplementsJoin) {
    // x - p >= 0 (p in [0.5, 1]) and x - 1.5 <= 0 over the same variable.
    tree t;
    const nodeId x = t.createIncidence("x", ivalEntire());
    const nodeId e = t.createBinary(nodeKind::sub, x, t.createConst(1.5));
    boxContractor c = shifted(comparison::ge);
    c.add(relationContractor(t, e, comparison::le), {0}, {0}, {ivalEntire()});
    box b = boxOf({ivalDb::exact(0, 2)});
    ASSERT_TRUE(c.contractToConstraints(b));
    EXPECT_NEAR(b[0].domain.inf(), 0.5, 1e-12);
    EXPECT_NEAR(b[0].domain.sup(), 1.5, 1e-12);
    // A point fails one of them below 1 (for some p) or above 1.5: the
    // hull of both complements is the whole box.
    b = boxOf({ivalDb::exact(0, 2)});
    ASSERT_TRUE(c.contractToComplement(b));
    EXPECT_EQ(b[0].domain.inf(), 0);
    EXPECT_EQ(b[0].domain.sup(), 2);
    // Inside [1.1, 1.4] both hold for every p.
    b = boxOf({ivalDb::exact(1.1, 1.4)});
    EXPECT_FALSE(c.contractToComplement(b));
}

} // namespace
