#include "solver/model/derivatives.h"

#include <cmath>
#include <cstdint>

#include "solver/model/derivative_builder.h"
#include "solver/model/derivative_rules.h"

namespace modal {

nodeId differentiate(tree& t, nodeId n, int target) {
    if (n == noNode) return noNode;
    return detail::derivativeRule(
        t, n, t.at(n).slot == target, [&](nodeId c) { return differentiate(t, c, target); },
        [&](nodeId c) { return deepCopy(t, c); });
}

void simplify(tree& t, nodeId& ref) {
    if (ref == noNode) return;
    ref = detail::simplifyRule(t, ref, true, [&](nodeId c) {
        simplify(t, c);
        return c;
    });
}

void buildDerivatives(tree& t) {
    if (!buildSharedDerivatives(t)) buildDerivativesOneByOne(t);
}

void buildDerivativesOneByOne(tree& t) {
    t.derivTrees.assign(t.vars.size(), {});
    for (std::size_t i = 0; i < t.vars.size(); ++i) {
        for (const int slot : t.vars[i]) {
            nodeId d = differentiate(t, t.root, slot);
            simplify(t, d);
            simplify(t, d);
            t.derivTrees[i].push_back(d);
        }
    }
    t.hasDerivatives = true;
}

void buildEvalLists(tree& t) {
    t.evalList.clear();
    buildEvalList(t, t.root, t.evalList);
    t.derivEvalLists.clear();
    if (!t.hasDerivatives) return;
    t.derivEvalLists.resize(t.derivTrees.size());
    for (std::size_t i = 0; i < t.derivTrees.size(); ++i) {
        for (const nodeId d : t.derivTrees[i]) {
            t.derivEvalLists[i].emplace_back();
            buildEvalList(t, d, t.derivEvalLists[i].back());
        }
    }
}

void evaluateDerivatives(tree& t, varGroup group) {
    const bool lists = t.hasDerivatives && t.derivEvalLists.size() == t.vars.size();
    for (std::size_t i = 0; i < t.vars.size(); ++i) {
        const auto& occ = t.vars[i];
        if (occ.empty()) continue;
        const incidenceSlot& first = t.incidenceSlots[occ[0]];
        if (!first.bound()) continue;
        if (group == varGroup::Xi && isProper(first.domain())) continue;
        bool monotone = true;
        for (std::size_t j = 0; j < occ.size(); ++j) {
            const incidenceSlot& s = t.incidenceSlots[occ[j]];
            if (!s.bound()) continue;
            ivalDb d = ivalEntire();
            if (monotone && lists && j < t.derivEvalLists[i].size()) {
                const auto& list = t.derivEvalLists[i][j];
                if (list.empty()) {
                    d = ivalZero();
                } else {
                    evaluateList(t, list, evalMode::Der);
                    d = t.at(list.back()).value;
                }
                if (isInterior(ivalZero(), d)) monotone = false;
            }
            s.get().derivative = d;
        }
    }
}

std::uint8_t classifyMonotony(const tree& t, nodeId n, std::vector<nodeId>& list) {
    if (n == noNode) return 0;
    const node& nd = t.at(n);
    const std::uint8_t r1 = classifyMonotony(t, nd.left, list);
    const std::uint8_t r2 = classifyMonotony(t, nd.right, list);
    const bool even = nd.exponent % 2 == 0;
    // A node that must be checked on each box.
    const auto listed = [&] {
        list.push_back(n);
        return std::uint8_t{1};
    };
    switch (infoOf(nd.kind).monotony) {
    case monotonyRule::opaque:
        return 0;
    case monotonyRule::sum:
        return (r1 == 1 || r2 == 1) ? 1 : 2;
    case monotonyRule::product:
        return (r1 != 0 || r2 != 0) ? listed() : 2;
    case monotonyRule::power:
        if (!even) return r1;
        [[fallthrough]];
    case monotonyRule::turning:
        return r1 != 0 ? listed() : 0;
    case monotonyRule::passing:
        return r1;
    }
    return 0;
}

void buildNonUniformList(tree& t) {
    t.nonUniformList.clear();
    t.subtreeLists.clear();
    classifyMonotony(t, t.root, t.nonUniformList);
    for (const nodeId n : t.nonUniformList) {
        t.subtreeLists.emplace_back();
        buildEvalList(t, n, t.subtreeLists.back());
    }
}

namespace {

// True when x lies within one interval where the circular function is
// monotonic. `period` is pi for cos and sin, pi/2 for tan; `isTan` selects
// the bound tests of tan (a >= 0) instead of those of cos and sin (a > 0).
bool withinMonotonicPiece(const ivalDb& x, const ivalDb& period, bool isTan) {
    if (isAbove(ivalDb(x.width()), period)) return false;
    const ivalDb q = x / period;
    const double a = x.inf(), b = x.sup();
    const bool aPos = isTan ? a >= 0.0 : a > 0.0;
    const bool bPos = isTan ? b >= 0.0 : b > 0.0;
    const double k1 = aPos ? truncToInt(q.inf()) : truncToInt(q.inf()) - 1.0;
    const double k2 = bPos ? truncToInt(q.sup()) : truncToInt(q.sup()) - 1.0;
    if (std::isnan(k1) || std::isnan(k2)) return false;
    const ivalDb d1 = ivalDb(a) - ivalDb(k1) * period;
    const ivalDb d2 = ivalDb(b) - ivalDb(k2) * period;
    const ivalDb z = ivalDb::exact(d1.inf(), d2.sup());
    if (isInterior(period, z)) return false;
    // A turning point (cos, sin) or a pole (tan) lies between the pieces that
    // hold the two bounds unless both bounds are in the same piece; for tan
    // two neighbouring pieces starting at an odd index share a branch.
    const double d = k2 - k1;
    if (!isTan) return d == 0.0;
    if (d == 0.0) return true;
    return d == 1.0 && std::fmod(std::fabs(k1), 2.0) == 1.0;
}

} // namespace

bool isUniformlyMonotonic(tree& t) {
    for (std::size_t i = 0; i < t.nonUniformList.size(); ++i) {
        evaluateList(t, t.subtreeLists[i], evalMode::Prop, {.point = pointChoice::previous});
        const node& n = t.at(t.nonUniformList[i]);
        if (n.left == noNode) continue;
        const kindInfo& info = infoOf(n.kind);
        ivalDb x = t.at(n.left).value;
        if (info.monotony == monotonyRule::product) {
            if (n.right == noNode) continue;
            // Monotonic in both operands only where both keep one sign, the same.
            const ivalDb& y = t.at(n.right).value;
            if (isInterior(ivalZero(), x) || isInterior(ivalZero(), y)) return false;
            const bool bothPos = greaterEq(x, ivalZero()) && greaterEq(y, ivalZero());
            const bool bothNeg = lessEq(x, ivalZero()) && lessEq(y, ivalZero());
            if (!(bothPos || bothNeg)) return false;
            continue;
        }
        switch (info.turns) {
        case turningPoints::none:
            break;
        case turningPoints::atZero:
            // Odd powers are listed only through their argument's class, and
            // are monotonic everywhere.
            if (n.kind == nodeKind::pow && n.exponent % 2 != 0) break;
            if (isInterior(ivalZero(), x)) return false;
            break;
        case turningPoints::sine:
            x = x - ivalHalfPi();
            [[fallthrough]];
        case turningPoints::cosine:
            if (!withinMonotonicPiece(x, ivalPi(), false)) return false;
            break;
        case turningPoints::tangent:
            if (!withinMonotonicPiece(x, ivalHalfPi(), true)) return false;
            break;
        }
    }
    return true;
}

void markUniform(tree& t) {
    t.uniformKnown = t.nonUniformList.empty() || t.groupEmpty;
}

} // namespace modal
