// The forward-backward contractor against points: random expressions with
// every node kind, random boxes, and a plain double evaluation of each
// sampled point as the oracle.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <random>
#include <vector>

#include "solver/model/relation_contractor.h"

namespace {

using namespace modal;

// A point's value with doubles, or nothing where it is undefined. `doubtful`
// is set near a point where an operation stops being defined, and `scale`
// gets the largest magnitude met, for the margin of rounding errors.
struct pointValue {
    std::optional<double> value;
    bool doubtful = false;
    double scale = 0;
};

class pointEvaluator {
public:
    pointEvaluator(const tree& t, const std::vector<double>& x) : t_(t), x_(x) {}

    pointValue operator()(nodeId n) {
        out_ = {};
        const auto v = eval(n);
        out_.value = v;
        return out_;
    }

private:
    std::optional<double> eval(nodeId id) {
        const node& n = t_.at(id);
        std::optional<double> a, b;
        if (n.left != noNode) {
            a = eval(n.left);
            if (!a) return std::nullopt;
        }
        if (n.right != noNode) {
            b = eval(n.right);
            if (!b) return std::nullopt;
        }
        const double u = a.value_or(0), v = b.value_or(0);
        auto near = [&](double s, double at) {
            if (std::fabs(s - at) < 1e-7 * (1 + std::fabs(at))) out_.doubtful = true;
        };
        double r = 0;
        switch (n.kind) {
        case nodeKind::var:
            r = x_[static_cast<std::size_t>(t_.slotVariable(n.slot))];
            break;
        case nodeKind::constant:
        case nodeKind::one:
            r = n.value.mid();
            break;
        case nodeKind::plus:
            r = u + v;
            break;
        case nodeKind::sub:
            r = u - v;
            break;
        case nodeKind::mul:
            r = u * v;
            break;
        case nodeKind::div:
            near(v, 0);
            if (v == 0) return std::nullopt;
            r = u / v;
            break;
        case nodeKind::minus:
            r = -u;
            break;
        case nodeKind::exp:
            r = std::exp(u);
            break;
        case nodeKind::log:
            near(u, 0);
            if (u <= 0) return std::nullopt;
            r = std::log(u);
            break;
        case nodeKind::sqr:
            r = u * u;
            break;
        case nodeKind::sqrt:
            near(u, 0);
            if (u < 0) return std::nullopt;
            r = std::sqrt(u);
            break;
        case nodeKind::cos:
            r = std::cos(u);
            break;
        case nodeKind::sin:
            r = std::sin(u);
            break;
        case nodeKind::tan:
            near(std::cos(u), 0);
            r = std::tan(u);
            break;
        case nodeKind::acos:
        case nodeKind::asin:
            near(u, 1);
            near(u, -1);
            if (u < -1 || u > 1) return std::nullopt;
            r = n.kind == nodeKind::acos ? std::acos(u) : std::asin(u);
            break;
        case nodeKind::atan:
            r = std::atan(u);
            break;
        case nodeKind::pow:
            if (n.exponent < 0) {
                near(u, 0);
                if (u == 0) return std::nullopt;
            }
            r = std::pow(u, static_cast<double>(n.exponent));
            break;
        case nodeKind::abs:
            r = std::fabs(u);
            break;
        case nodeKind::min:
            r = std::fmin(u, v);
            break;
        case nodeKind::max:
            r = std::fmax(u, v);
            break;
        case nodeKind::sinh:
            r = std::sinh(u);
            break;
        case nodeKind::cosh:
            r = std::cosh(u);
            break;
        case nodeKind::tanh:
            r = std::tanh(u);
            break;
        case nodeKind::sign:
            near(u, 0);
            r = u > 0 ? 1 : u < 0 ? -1 : 0;
            break;
        case nodeKind::step:
            near(u, 0);
            r = u > 0 ? 1 : u < 0 ? 0 : 0.5;
            break;
        default:
            ADD_FAILURE() << "kind not generated";
            return std::nullopt;
        }
        if (!std::isfinite(r)) out_.doubtful = true;
        out_.scale = std::fmax(out_.scale, std::fabs(r));
        return r;
    }

    const tree& t_;
    const std::vector<double>& x_;
    pointValue out_;
};

// Every kind an expression can hold.
const std::vector<nodeKind> kUnary{
    nodeKind::minus, nodeKind::exp,  nodeKind::log,  nodeKind::sqr,  nodeKind::sqrt, nodeKind::cos,
    nodeKind::sin,   nodeKind::tan,  nodeKind::acos, nodeKind::asin, nodeKind::atan, nodeKind::abs,
    nodeKind::sinh,  nodeKind::cosh, nodeKind::tanh, nodeKind::sign, nodeKind::step, nodeKind::pow};
const std::vector<nodeKind> kBinary{nodeKind::plus, nodeKind::sub, nodeKind::mul,
                                    nodeKind::div,  nodeKind::min, nodeKind::max};
const char* const kNames[] = {"x", "y", "p"};

nodeId randomExpression(tree& t, std::mt19937& rng, int depth) {
    std::uniform_int_distribution<int> pick(0, 99);
    if (depth == 0 || pick(rng) < 20) {
        const int r = pick(rng);
        if (r < 70) return t.createIncidence(kNames[r % 3], ivalEntire());
        if (r < 75) {
            const nodeId one = t.createNode(nodeKind::one);
            t.at(one).value = ivalDb(1.0);
            return one;
        }
        return t.createConst(std::uniform_real_distribution<double>(-2, 2)(rng));
    }
    if (pick(rng) < 55) {
        const nodeKind k = kUnary[static_cast<std::size_t>(pick(rng)) % kUnary.size()];
        const nodeId c = randomExpression(t, rng, depth - 1);
        if (k == nodeKind::pow) return t.createPower(c, pick(rng) % 8 - 3);
        return t.createUnary(k, c);
    }
    const nodeKind k = kBinary[static_cast<std::size_t>(pick(rng)) % kBinary.size()];
    const nodeId l = randomExpression(t, rng, depth - 1);
    return t.createBinary(k, l, randomExpression(t, rng, depth - 1));
}

// Whether the sampled point certainly satisfies (1), certainly fails or is
// undefined (0), or lies too close to call (-1).
int judge(const pointValue& v, comparison rel) {
    if (v.doubtful) return -1;
    if (!v.value) return 0;
    const double margin = 1e-9 * (1 + v.scale);
    const double e = *v.value;
    switch (rel) {
    case comparison::ge:
    case comparison::gt:
        return e > margin ? 1 : e < -margin ? 0 : -1;
    case comparison::le:
    case comparison::lt:
        return e < -margin ? 1 : e > margin ? 0 : -1;
    default:
        return std::fabs(e) > margin ? 0 : -1;
    }
}

bool inside(const std::vector<ivalDb>& box, const std::vector<double>& x) {
    for (std::size_t i = 0; i < box.size(); ++i)
        if (!(box[i].inf() <= x[i] && x[i] <= box[i].sup())) return false;
    return true;
}

TEST(RelationContractor, NeverRemovesAPointOfItsSideOnRandomExpressions) {
    std::mt19937 rng(20261209);
    std::uniform_real_distribution<double> coord(-3, 3);
    const comparison rels[] = {comparison::ge, comparison::le, comparison::gt, comparison::lt};
    int narrowed[2] = {0, 0}, emptied[2] = {0, 0}, checked[2] = {0, 0};
    for (int trial = 0; trial < 3000; ++trial) {
        tree t;
        for (const char* n : kNames)
            t.addVariable(n, ivalEntire());
        const nodeId e = randomExpression(t, rng, 1 + trial % 5);
        const comparison rel = rels[trial % 4];
        relationContractor c(t, e, rel);
        std::vector<ivalDb> box(3);
        for (auto& d : box) {
            const double a = coord(rng), b = coord(rng);
            d = ivalDb::exact(std::fmin(a, b), std::fmax(a, b));
        }
        for (int side = 0; side < 2; ++side) {
            std::vector<ivalDb> kept = box;
            const bool any = c.contract(kept, side == 1);
            if (!any)
                ++emptied[side];
            else if (!inside(box, {kept[0].inf(), kept[1].inf(), kept[2].inf()}) ||
                     !inside(box, {kept[0].sup(), kept[1].sup(), kept[2].sup()}))
                ADD_FAILURE() << "the contracted box leaves the box";
            else
                for (int i = 0; i < 3; ++i)
                    if (kept[i].width() < box[i].width()) {
                        ++narrowed[side];
                        break;
                    }
            std::vector<double> x(3);
            for (int s = 0; s < 60; ++s) {
                for (std::size_t i = 0; i < 3; ++i)
                    x[i] = box[i].inf() + (box[i].sup() - box[i].inf()) *
                                              std::uniform_real_distribution<double>(0, 1)(rng);
                const int j = judge(pointEvaluator(t, x)(e), rel);
                if (j < 0 || j != (side == 0 ? 1 : 0)) continue;
                ++checked[side];
                ASSERT_TRUE(any && inside(kept, x))
                    << "trial " << trial << (side == 0 ? " relation" : " complement")
                    << " removed (" << x[0] << ", " << x[1] << ", " << x[2] << ")";
            }
        }
    }
    // The test says something only when contraction happens often.
    for (int side = 0; side < 2; ++side) {
        EXPECT_GT(narrowed[side], 300) << side;
        EXPECT_GT(emptied[side], 100) << side;
        EXPECT_GT(checked[side], 10000) << side;
    }
}

TEST(RelationContractor, NarrowsADiscToItsHull) {
    // sqr(x) + y^2 - 1 <= 0.
    tree t;
    const nodeId x = t.createIncidence("x", ivalEntire());
    const nodeId y = t.createIncidence("y", ivalEntire());
    const nodeId e = t.createBinary(
        nodeKind::sub,
        t.createBinary(nodeKind::plus, t.createUnary(nodeKind::sqr, x), t.createPower(y, 2)),
        t.createConst(1));
    relationContractor c(t, e, comparison::le);
    std::vector<ivalDb> box{ivalDb::exact(-3, 3), ivalDb::exact(0.5, 3)};
    ASSERT_TRUE(c.contract(box, false));
    EXPECT_NEAR(box[0].sup(), std::sqrt(0.75), 1e-6); // y >= 0.5
    EXPECT_NEAR(box[1].sup(), 1, 1e-6);
    EXPECT_EQ(box[1].inf(), 0.5);
    // The complement of the disc over a box inside it is empty...
    std::vector<ivalDb> inner{ivalDb::exact(-0.5, 0.5), ivalDb::exact(-0.5, 0.5)};
    EXPECT_FALSE(c.contract(inner, true));
    // ...and the disc over a box outside it.
    std::vector<ivalDb> outer{ivalDb::exact(1.1, 2), ivalDb::exact(-0.5, 0.5)};
    EXPECT_FALSE(c.contract(outer, false));
}

TEST(RelationContractor, UndefinedPointsBelongToTheComplementOnly) {
    // sqrt(x) >= 1 over [-4, 4]: the relation keeps [1, 4]; its complement
    // keeps the negative x too, where sqrt is undefined.
    tree t;
    const nodeId e = t.createBinary(
        nodeKind::sub, t.createUnary(nodeKind::sqrt, t.createIncidence("x", ivalEntire())),
        t.createConst(1));
    relationContractor c(t, e, comparison::ge);
    std::vector<ivalDb> holds{ivalDb::exact(-4, 4)};
    ASSERT_TRUE(c.contract(holds, false));
    EXPECT_NEAR(holds[0].inf(), 1, 1e-9);
    std::vector<ivalDb> fails{ivalDb::exact(-4, 4)};
    ASSERT_TRUE(c.contract(fails, true));
    EXPECT_EQ(fails[0].inf(), -4);
    EXPECT_EQ(fails[0].sup(), 4);
    std::vector<ivalDb> negative{ivalDb::exact(-4, -1)};
    EXPECT_FALSE(c.contract(negative, false));
}

} // namespace
