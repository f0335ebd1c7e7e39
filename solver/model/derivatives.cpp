#include "solver/model/derivatives.h"

#include <cmath>
#include <cstdint>

#include "solver/model/derivative_builder.h"

namespace modal {

namespace {

nodeId mk(tree& t, nodeKind k, nodeId l, nodeId r = noNode) {
    return t.createBinary(k, l, r);
}

nodeId constNode(tree& t, double c) {
    return t.createConst(c);
}

} // namespace

nodeId differentiate(tree& t, nodeId n, int target) {
    if (n == noNode) return noNode;
    // Copy what is needed of the node: creating nodes may move the storage.
    const nodeKind k = t.at(n).kind;
    const nodeId u = t.at(n).left;
    const nodeId v = t.at(n).right;
    const std::int64_t exponent = t.at(n).exponent;
    const int slot = t.at(n).slot;
    switch (k) {
    case nodeKind::var:
        if (slot != target) return noNode;
        {
            const nodeId one = t.createNode(nodeKind::one);
            t.at(one).value = ivalDb(1.0);
            return one;
        }
    case nodeKind::eq:
    case nodeKind::lt:
    case nodeKind::gt:
    case nodeKind::le:
    case nodeKind::ge:
        return differentiate(t, u, target);
    case nodeKind::plus:
    case nodeKind::sub: {
        const nodeId du = differentiate(t, u, target);
        const nodeId dv = differentiate(t, v, target);
        return mk(t, k, du, dv);
    }
    case nodeKind::mul: {
        const nodeId du = differentiate(t, u, target);
        const nodeId dv = differentiate(t, v, target);
        const nodeId a = mk(t, nodeKind::mul, du, deepCopy(t, v));
        const nodeId b = mk(t, nodeKind::mul, deepCopy(t, u), dv);
        return mk(t, nodeKind::plus, a, b);
    }
    case nodeKind::div: {
        const nodeId du = differentiate(t, u, target);
        const nodeId dv = differentiate(t, v, target);
        const nodeId a = mk(t, nodeKind::mul, du, deepCopy(t, v));
        const nodeId b = mk(t, nodeKind::mul, deepCopy(t, u), dv);
        const nodeId num = mk(t, nodeKind::sub, a, b);
        const nodeId den = t.createUnary(nodeKind::sqr, deepCopy(t, v));
        return mk(t, nodeKind::div, num, den);
    }
    case nodeKind::minus:
        return t.createUnary(nodeKind::minus, differentiate(t, u, target));
    case nodeKind::exp: {
        const nodeId du = differentiate(t, u, target);
        return mk(t, nodeKind::mul, t.createUnary(nodeKind::exp, deepCopy(t, u)), du);
    }
    case nodeKind::log: {
        const nodeId du = differentiate(t, u, target);
        return mk(t, nodeKind::div, du, deepCopy(t, u));
    }
    case nodeKind::pow: {
        const nodeId du = differentiate(t, u, target);
        const nodeId p = t.createPower(deepCopy(t, u), exponent - 1);
        return mk(t, nodeKind::mul, constNode(t, static_cast<double>(exponent)),
                  mk(t, nodeKind::mul, p, du));
    }
    case nodeKind::sqr: {
        const nodeId du = differentiate(t, u, target);
        const nodeId twice = mk(t, nodeKind::mul, constNode(t, 2.0), deepCopy(t, u));
        return mk(t, nodeKind::mul, twice, du);
    }
    case nodeKind::sqrt: {
        const nodeId du = differentiate(t, u, target);
        const nodeId q = mk(t, nodeKind::div, du, t.createUnary(nodeKind::sqrt, deepCopy(t, u)));
        return mk(t, nodeKind::mul, constNode(t, 0.5), q);
    }
    case nodeKind::cos: {
        const nodeId du = differentiate(t, u, target);
        const nodeId s = t.createUnary(nodeKind::sin, deepCopy(t, u));
        return mk(t, nodeKind::mul, mk(t, nodeKind::sub, noNode, s), du);
    }
    case nodeKind::sin: {
        const nodeId du = differentiate(t, u, target);
        return mk(t, nodeKind::mul, t.createUnary(nodeKind::cos, deepCopy(t, u)), du);
    }
    case nodeKind::tan: {
        const nodeId du = differentiate(t, u, target);
        const nodeId c = t.createUnary(nodeKind::cos, deepCopy(t, u));
        return mk(t, nodeKind::div, du, t.createUnary(nodeKind::sqr, c));
    }
    case nodeKind::acos:
    case nodeKind::asin: {
        nodeId du = differentiate(t, u, target);
        if (k == nodeKind::acos) du = t.createUnary(nodeKind::minus, du);
        const nodeId sq = t.createUnary(nodeKind::sqr, deepCopy(t, u));
        const nodeId root =
            t.createUnary(nodeKind::sqrt, mk(t, nodeKind::sub, constNode(t, 1.0), sq));
        return mk(t, nodeKind::div, du, root);
    }
    case nodeKind::atan: {
        const nodeId du = differentiate(t, u, target);
        const nodeId sq = t.createUnary(nodeKind::sqr, deepCopy(t, u));
        return mk(t, nodeKind::div, du, mk(t, nodeKind::plus, constNode(t, 1.0), sq));
    }
    default: // "const", "aux", "one" and unknown kinds
        return noNode;
    }
}

void simplify(tree& t, nodeId& ref) {
    if (ref == noNode) return;
    const nodeKind k = t.at(ref).kind;
    auto isOne = [&](nodeId id) { return id != noNode && t.at(id).kind == nodeKind::one; };
    switch (k) {
    case nodeKind::var:
    case nodeKind::constant:
    case nodeKind::one:
        return;
    case nodeKind::plus: {
        simplify(t, t.at(ref).left);
        simplify(t, t.at(ref).right);
        const nodeId l = t.at(ref).left, r = t.at(ref).right;
        if (l == noNode && r == noNode)
            ref = noNode;
        else if (l == noNode)
            ref = r;
        else if (r == noNode)
            ref = l;
        return;
    }
    case nodeKind::sub: {
        simplify(t, t.at(ref).left);
        simplify(t, t.at(ref).right);
        const nodeId l = t.at(ref).left, r = t.at(ref).right;
        if (l == noNode && r == noNode) {
            ref = noNode;
        } else if (l == noNode) {
            node& n = t.at(ref);
            n.kind = nodeKind::minus;
            n.left = r;
            n.right = noNode;
        } else if (r == noNode) {
            ref = l;
        }
        return;
    }
    case nodeKind::mul: {
        simplify(t, t.at(ref).left);
        simplify(t, t.at(ref).right);
        const nodeId l = t.at(ref).left, r = t.at(ref).right;
        if (l == noNode || r == noNode)
            ref = noNode;
        else if (isOne(l))
            ref = r;
        else if (isOne(r))
            ref = l;
        return;
    }
    case nodeKind::div: {
        simplify(t, t.at(ref).left);
        simplify(t, t.at(ref).right);
        const nodeId l = t.at(ref).left, r = t.at(ref).right;
        if (l == noNode || r == noNode)
            ref = noNode;
        else if (isOne(r))
            ref = l;
        return;
    }
    case nodeKind::pow:
        if (t.at(ref).exponent == 1) {
            simplify(t, t.at(ref).left);
            ref = t.at(ref).left;
            return;
        }
        [[fallthrough]];
    case nodeKind::sin:
    case nodeKind::cos:
    case nodeKind::tan:
    case nodeKind::exp:
    case nodeKind::log:
    case nodeKind::acos:
    case nodeKind::asin:
    case nodeKind::atan:
    case nodeKind::minus:
        if (t.at(ref).left == noNode) {
            ref = noNode;
            return;
        }
        simplify(t, t.at(ref).left);
        simplify(t, t.at(ref).right);
        return;
    default:
        simplify(t, t.at(ref).left);
        simplify(t, t.at(ref).right);
        return;
    }
}

void buildDerivatives(tree& t) {
    if (buildSharedDerivatives(t)) return;
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
        const incidenceSlot& first = t.slots[occ[0]];
        if (!first.bound()) continue;
        if (group == varGroup::Xi && isProper(first.domain())) continue;
        bool monotone = true;
        for (std::size_t j = 0; j < occ.size(); ++j) {
            const incidenceSlot& s = t.slots[occ[j]];
            if (!s.bound()) continue;
            ivalDb d = ivalEntire();
            if (monotone && lists && j < t.derivEvalLists[i].size()) {
                const auto& list = t.derivEvalLists[i][j];
                if (list.empty()) {
                    d = ivalZero();
                } else {
                    evaluateList(t, list, evalMode::Der, false, false, 0, 'c');
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
    switch (nd.kind) {
    case nodeKind::mul:
    case nodeKind::div:
        if (r1 != 0 || r2 != 0) {
            list.push_back(n);
            return 1;
        }
        return 2;
    case nodeKind::plus:
    case nodeKind::sub:
        return (r1 == 1 || r2 == 1) ? 1 : 2;
    case nodeKind::cos:
    case nodeKind::sin:
    case nodeKind::tan:
    case nodeKind::sqr:
        if (r1 != 0) {
            list.push_back(n);
            return 1;
        }
        return 0;
    case nodeKind::pow:
        if (even) {
            if (r1 != 0) {
                list.push_back(n);
                return 1;
            }
            return 0;
        }
        return r1;
    case nodeKind::exp:
    case nodeKind::log:
        return r1;
    default:
        return 0;
    }
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
// monotonic. `period` is pi for cos and sin, pi/2 for tan; `strict` selects
// the bound tests of cos (a > 0) or of tan (a >= 0).
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
        evaluateList(t, t.subtreeLists[i], evalMode::Prop, false, false, 0, '?');
        const node& n = t.at(t.nonUniformList[i]);
        if (n.left == noNode) continue;
        ivalDb x = t.at(n.left).value;
        switch (n.kind) {
        case nodeKind::sqr:
            if (isInterior(ivalZero(), x)) return false;
            break;
        case nodeKind::pow:
            if (n.exponent % 2 == 0 && isInterior(ivalZero(), x)) return false;
            break;
        case nodeKind::sin:
            x = x - ivalHalfPi();
            [[fallthrough]];
        case nodeKind::cos:
            if (!withinMonotonicPiece(x, ivalPi(), false)) return false;
            break;
        case nodeKind::tan:
            if (!withinMonotonicPiece(x, ivalHalfPi(), true)) return false;
            break;
        default: {
            if (n.right == noNode) break;
            const ivalDb& y = t.at(n.right).value;
            if (isInterior(ivalZero(), x) || isInterior(ivalZero(), y)) return false;
            const bool bothPos = greaterEq(x, ivalZero()) && greaterEq(y, ivalZero());
            const bool bothNeg = lessEq(x, ivalZero()) && lessEq(y, ivalZero());
            if (!(bothPos || bothNeg)) return false;
            break;
        }
        }
    }
    return true;
}

void markUniform(tree& t) {
    t.uniformKnown = t.nonUniformList.empty() || t.groupEmpty;
}

} // namespace modal
