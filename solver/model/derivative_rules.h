// The differentiation rule of every node kind, shared by `differentiate` and
// the builder of shared derivative trees.
#pragma once

#include <cstdint>

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
    switch (k) {
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
    case nodeKind::exp: {
        const nodeId du = d(u);
        return t.createBinary(nodeKind::mul, t.createUnary(nodeKind::exp, copy(u)), du);
    }
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
    case nodeKind::sin: {
        const nodeId du = d(u);
        return t.createBinary(nodeKind::mul, t.createUnary(nodeKind::cos, copy(u)), du);
    }
    case nodeKind::tan: {
        const nodeId du = d(u);
        const nodeId c = t.createUnary(nodeKind::cos, copy(u));
        return t.createBinary(nodeKind::div, du, t.createUnary(nodeKind::sqr, c));
    }
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
    default:
        return noNode;
    }
}

} // namespace modal::detail
