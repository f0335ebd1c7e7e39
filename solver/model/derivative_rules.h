// The differentiation and simplification rules of every node kind, shared by
// `differentiate` and `simplify` and by the builder of shared derivative trees.
#pragma once

#include <cstdint>
#include <utility>

#include "solver/model/tree.h"

namespace modal::detail {

// The derivative of node `n` of `t` by the differentiation rules, built from
// new nodes of `t`: `d(c)` gives the derivative of child c, `copy(c)` a copy
// of the subtree c, and `isTarget` tells whether a "var" leaf is the
// occurrence the derivative is taken for.
template <typename Derivative, typename Copy>
nodeId derivativeRule(tree& t, nodeId n, bool isTarget, Derivative&& d, Copy&& copy) {
    const nodeKind k = t.at(n).kind;
    const nodeId u = t.at(n).left;
    const nodeId v = t.at(n).right;
    const std::int64_t exponent = t.at(n).exponent;
    // The chain rule for g' = h: h(u) du, and for g' = 1 / h^2: du / h(u)^2.
    const auto times = [&](nodeKind h) {
        const nodeId du = d(u);
        return t.createBinary(nodeKind::mul, t.createUnary(h, copy(u)), du);
    };
    const auto overSquareOf = [&](nodeKind h) {
        const nodeId du = d(u);
        const nodeId c = t.createUnary(h, copy(u));
        return t.createBinary(nodeKind::div, du, t.createUnary(nodeKind::sqr, c));
    };
    switch (k) {
    case nodeKind::unknown:
    case nodeKind::constant:
    case nodeKind::aux:
    case nodeKind::one:
    // Steps are constant wherever they are continuous.
    case nodeKind::sign:
    case nodeKind::step:
        return noNode;
    case nodeKind::var:
        if (!isTarget) return noNode;
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
        return d(u);
    case nodeKind::plus:
    case nodeKind::sub: {
        const nodeId du = d(u);
        const nodeId dv = d(v);
        return t.createBinary(k, du, dv);
    }
    case nodeKind::mul: {
        const nodeId du = d(u);
        const nodeId dv = d(v);
        const nodeId a = t.createBinary(nodeKind::mul, du, copy(v));
        const nodeId b = t.createBinary(nodeKind::mul, copy(u), dv);
        return t.createBinary(nodeKind::plus, a, b);
    }
    case nodeKind::div: {
        const nodeId du = d(u);
        const nodeId dv = d(v);
        const nodeId a = t.createBinary(nodeKind::mul, du, copy(v));
        const nodeId b = t.createBinary(nodeKind::mul, copy(u), dv);
        const nodeId num = t.createBinary(nodeKind::sub, a, b);
        const nodeId den = t.createUnary(nodeKind::sqr, copy(v));
        return t.createBinary(nodeKind::div, num, den);
    }
    case nodeKind::minus:
        return t.createUnary(nodeKind::minus, d(u));
    case nodeKind::exp:
        return times(nodeKind::exp);
    case nodeKind::log: {
        const nodeId du = d(u);
        return t.createBinary(nodeKind::div, du, copy(u));
    }
    case nodeKind::pow: {
        const nodeId du = d(u);
        const nodeId p = t.createPower(copy(u), exponent - 1);
        const nodeId c = t.createConst(static_cast<double>(exponent));
        return t.createBinary(nodeKind::mul, c, t.createBinary(nodeKind::mul, p, du));
    }
    case nodeKind::sqr: {
        const nodeId du = d(u);
        const nodeId twice = t.createBinary(nodeKind::mul, t.createConst(2.0), copy(u));
        return t.createBinary(nodeKind::mul, twice, du);
    }
    case nodeKind::sqrt: {
        const nodeId du = d(u);
        const nodeId q = t.createBinary(nodeKind::div, du, t.createUnary(nodeKind::sqrt, copy(u)));
        return t.createBinary(nodeKind::mul, t.createConst(0.5), q);
    }
    case nodeKind::cos: {
        const nodeId du = d(u);
        const nodeId s = t.createUnary(nodeKind::sin, copy(u));
        return t.createBinary(nodeKind::mul, t.createBinary(nodeKind::sub, noNode, s), du);
    }
    case nodeKind::sin:
        return times(nodeKind::cos);
    case nodeKind::tan:
        return overSquareOf(nodeKind::cos);
    case nodeKind::acos:
    case nodeKind::asin: {
        nodeId du = d(u);
        if (k == nodeKind::acos) du = t.createUnary(nodeKind::minus, du);
        const nodeId sq = t.createUnary(nodeKind::sqr, copy(u));
        const nodeId root =
            t.createUnary(nodeKind::sqrt, t.createBinary(nodeKind::sub, t.createConst(1.0), sq));
        return t.createBinary(nodeKind::div, du, root);
    }
    case nodeKind::atan: {
        const nodeId du = d(u);
        const nodeId sq = t.createUnary(nodeKind::sqr, copy(u));
        return t.createBinary(nodeKind::div, du,
                              t.createBinary(nodeKind::plus, t.createConst(1.0), sq));
    }
    // At its kink abs takes every slope between -1 and 1, but only where its
    // argument crosses zero: sign(u) is [-1, 1] there, and [0, 1] or [-1, 0]
    // where u only reaches zero at one end, on which abs(u) is monotonic.
    case nodeKind::abs:
        return times(nodeKind::sign);
    // max(u, v) follows u where u > v and v where v > u; where they meet,
    // step(0) = 1/2 weighs both, and step over a range holding zero gives
    // [0, 1]: every slope between the two (min: the same, the other way).
    case nodeKind::min:
    case nodeKind::max: {
        const nodeId du = d(u);
        const nodeId dv = d(v);
        const bool isMax = k == nodeKind::max;
        const nodeId uAhead =
            t.createUnary(nodeKind::step, isMax ? t.createBinary(nodeKind::sub, copy(u), copy(v))
                                                : t.createBinary(nodeKind::sub, copy(v), copy(u)));
        const nodeId vAhead =
            t.createUnary(nodeKind::step, isMax ? t.createBinary(nodeKind::sub, copy(v), copy(u))
                                                : t.createBinary(nodeKind::sub, copy(u), copy(v)));
        return t.createBinary(nodeKind::plus, t.createBinary(nodeKind::mul, uAhead, du),
                              t.createBinary(nodeKind::mul, vAhead, dv));
    }
    case nodeKind::sinh:
        return times(nodeKind::cosh);
    case nodeKind::cosh:
        return times(nodeKind::sinh);
    case nodeKind::tanh:
        return overSquareOf(nodeKind::cosh);
    }
    return noNode;
}

// One pass of the simplification of node x (not noNode) of `t`, its children
// simplified by `simp(c)` (which takes noNode too): a zero (noNode) operand
// drops a sum's term or makes a product zero, a factor or divisor one goes,
// pow(u, 1) is u, and "minus" or a function without its argument is zero
// (the circular functions, exp, log and the inverse ones by the original
// rules; of the later ones those that are zero at zero; in a derivative a
// function never loses its argument, which is a copy). Returns what stands
// for x afterwards. In place, x takes its simplified children as each is made
// and may change kind; otherwise no node changes and a changed copy of x is
// made where it would.
template <typename Simplify> nodeId simplifyRule(tree& t, nodeId x, bool inPlace, Simplify&& simp) {
    const nodeId left = t.at(x).left;
    const nodeId right = t.at(x).right;
    auto isOne = [&](nodeId id) { return id != noNode && t.at(id).kind == nodeKind::one; };
    auto newNode = [&](node c) {
        t.nodes.push_back(std::move(c));
        return static_cast<nodeId>(t.nodes.size()) - 1;
    };
    auto simplifyLeft = [&] {
        const nodeId l = simp(left);
        if (inPlace) t.at(x).left = l;
        return l;
    };
    auto simplifyRight = [&] {
        const nodeId r = simp(right);
        if (inPlace) t.at(x).right = r;
        return r;
    };
    // x with its simplified children.
    auto withChildren = [&](nodeId l, nodeId r) {
        if (inPlace || (l == left && r == right)) return x;
        node c = t.at(x);
        c.left = l;
        c.right = r;
        return newNode(std::move(c));
    };
    switch (t.at(x).kind) {
    case nodeKind::var:
    case nodeKind::constant:
    case nodeKind::one:
        return x;
    case nodeKind::plus: {
        const nodeId l = simplifyLeft(), r = simplifyRight();
        if (l == noNode) return r;
        if (r == noNode) return l;
        return withChildren(l, r);
    }
    case nodeKind::sub: {
        const nodeId l = simplifyLeft(), r = simplifyRight();
        if (l == noNode && r == noNode) return noNode;
        if (l == noNode) {
            node c = t.at(x);
            c.kind = nodeKind::minus;
            c.left = r;
            c.right = noNode;
            if (!inPlace) return newNode(std::move(c));
            t.at(x) = std::move(c);
            return x;
        }
        if (r == noNode) return l;
        return withChildren(l, r);
    }
    case nodeKind::mul: {
        const nodeId l = simplifyLeft(), r = simplifyRight();
        if (l == noNode || r == noNode) return noNode;
        if (isOne(l)) return r;
        if (isOne(r)) return l;
        return withChildren(l, r);
    }
    case nodeKind::div: {
        const nodeId l = simplifyLeft(), r = simplifyRight();
        if (l == noNode || r == noNode) return noNode;
        if (isOne(r)) return l;
        return withChildren(l, r);
    }
    case nodeKind::pow:
        if (t.at(x).exponent == 1) return simplifyLeft();
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
    case nodeKind::abs:
    case nodeKind::sinh:
    case nodeKind::tanh:
    case nodeKind::sign:
        if (left == noNode) return noNode;
        [[fallthrough]];
    case nodeKind::unknown:
    case nodeKind::aux:
    case nodeKind::eq:
    case nodeKind::ge:
    case nodeKind::gt:
    case nodeKind::le:
    case nodeKind::lt:
    case nodeKind::sqr:
    case nodeKind::sqrt:
    case nodeKind::min:
    case nodeKind::max:
    case nodeKind::cosh:
    case nodeKind::step: {
        const nodeId l = simplifyLeft(), r = simplifyRight();
        return withChildren(l, r);
    }
    }
    return x;
}

} // namespace modal::detail
