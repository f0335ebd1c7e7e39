#include "solver/model/tree.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "interval/functions.h"

namespace modal {

evalMode modeFromText(std::string_view text) noexcept {
    if (text == "Out") return evalMode::Out;
    if (text == "Inn") return evalMode::Inn;
    if (text == "Prop") return evalMode::Prop;
    if (text == "Impr") return evalMode::Impr;
    if (text == "Der") return evalMode::Der;
    return evalMode::none;
}

std::string_view modeText(evalMode m) noexcept {
    switch (m) {
    case evalMode::Out:
        return "Out";
    case evalMode::Inn:
        return "Inn";
    case evalMode::Prop:
        return "Prop";
    case evalMode::Impr:
        return "Impr";
    case evalMode::Der:
        return "Der";
    default:
        return "?";
    }
}

// --- construction -----------------------------------------------------------

nodeId tree::createNode(nodeKind k) {
    node n;
    n.kind = k;
    nodes.push_back(std::move(n));
    return static_cast<nodeId>(nodes.size() - 1);
}

nodeId tree::createConst(double x) {
    const nodeId id = createNode(nodeKind::constant);
    at(id).value = ivalDb(x);
    at(id).setExponent(x);
    return id;
}

nodeId tree::createValue(nodeKind k, const ivalDb& v) {
    const nodeId id = createNode(k);
    at(id).value = v;
    return id;
}

nodeId tree::createUnary(nodeKind k, nodeId child) {
    const nodeId id = createNode(k);
    at(id).left = child;
    return id;
}

nodeId tree::createBinary(nodeKind k, nodeId l, nodeId r) {
    const nodeId id = createNode(k);
    at(id).left = l;
    at(id).right = r;
    return id;
}

nodeId tree::createPower(nodeId child, std::int64_t exponent) {
    const nodeId id = createUnary(nodeKind::pow, child);
    at(id).exponent = exponent;
    return id;
}

int tree::findVariable(std::string_view name) const noexcept {
    const auto it = varIndex.find(name);
    return it == varIndex.end() ? -1 : it->second;
}

int tree::addVariable(std::string name, const ivalDb& domain) {
    node n;
    n.kind = nodeKind::var;
    n.label = std::move(name);
    n.value = domain;
    varIndex.emplace(n.label, static_cast<int>(varNodes.size()));
    varNodes.push_back(std::move(n));
    vars.emplace_back();
    return static_cast<int>(vars.size()) - 1;
}

int tree::addIncidence(int var) {
    const int s = incidenceSlots.add();
    vars[static_cast<std::size_t>(var)].push_back(s);
    return s;
}

nodeId tree::createIncidence(int var) {
    const int s = addIncidence(var);
    const nodeId id = createNode(nodeKind::var);
    at(id).slot = s;
    at(id).label = varNodes[static_cast<std::size_t>(var)].label;
    return id;
}

nodeId tree::createIncidence(std::string_view name, const ivalDb& domain) {
    int v = findVariable(name);
    if (v < 0) v = addVariable(std::string(name), domain);
    return createIncidence(v);
}

nodeId tree::createInterval(const ivalDb& v, std::string label) {
    const int var = addVariable(std::move(label), v);
    return createIncidence(var);
}

int tree::slotVariable(int slot) const noexcept {
    for (std::size_t i = 0; i < vars.size(); ++i)
        for (auto s : vars[i])
            if (s == slot) return static_cast<int>(i);
    return -1;
}

int tree::slotOccurrence(int slot) const noexcept {
    for (const auto& v : vars)
        for (std::size_t j = 0; j < v.size(); ++j)
            if (v[j] == slot) return static_cast<int>(j);
    return -1;
}

// --- evaluation lists -------------------------------------------------------

void buildEvalList(const tree& t, nodeId n, std::vector<nodeId>& list) {
    // Pre-order with an explicit stack, then reversed: the result is what
    // inserting each visited node at the front of the list gives.
    std::vector<nodeId> pre;
    std::vector<nodeId> stack;
    if (n != noNode) stack.push_back(n);
    while (!stack.empty()) {
        const nodeId id = stack.back();
        stack.pop_back();
        pre.push_back(id);
        const node& nd = t.at(id);
        if (nd.right != noNode) stack.push_back(nd.right);
        if (nd.left != noNode) stack.push_back(nd.left);
    }
    list.insert(list.begin(), pre.rbegin(), pre.rend());
}

// --- evaluation -------------------------------------------------------------

namespace {

inline ivalDb pointOf(const ivalDb& d, pointChoice at, const ivalDb& previous) noexcept {
    switch (at) {
    case pointChoice::centre:
        return ivalDb(d.mid());
    case pointChoice::lower:
        return ivalDb(d.inf());
    case pointChoice::upper:
        return ivalDb(d.sup());
    default:
        return previous;
    }
}

// The point itself, for inner evaluations: a point of the domain is a value
// the variable takes, and widening it would push the inner bound outward.
inline ivalDb exactPointOf(const ivalDb& d, pointChoice at, const ivalDb& previous) noexcept {
    switch (at) {
    case pointChoice::centre: {
        const double m = d.mid();
        return ivalDb::exact(m, m);
    }
    case pointChoice::lower:
        return ivalDb::exact(d.inf(), d.inf());
    case pointChoice::upper:
        return ivalDb::exact(d.sup(), d.sup());
    default:
        return previous;
    }
}

inline ivalDb leafValue(const incidenceSlot& inc, const ivalDb& previous, evalMode mode,
                        evalOptions o) {
    const ivalDb& d = inc.domain();
    const bool total = inc.totalMono();
    const bool against = total && inc.sign() != inc.globalSign();
    switch (mode) {
    case evalMode::Out:
        if (d.inf() <= d.sup()) return against ? dual(d) : d;
        if (total && o.consistent) return against ? dual(d) : d;
        if (o.outSingles && inc.pointFlag() && o.consistent) return d;
        return pointOf(d, o.point, previous);
    case evalMode::Inn: {
        ivalDb r;
        if (d.inf() >= d.sup())
            r = against ? dual(d) : d;
        else if (total && o.consistent)
            r = against ? dual(d) : d;
        else if (o.innSingles && inc.pointFlag() && o.consistent)
            r = d;
        else
            r = exactPointOf(d, o.point, previous);
        return dual(r);
    }
    case evalMode::Prop:
        return against ? dual(d) : prop(d);
    case evalMode::Impr:
        return against ? dual(d) : impr(d);
    case evalMode::Der:
        return prop(d);
    default:
        return previous;
    }
}

// The part of x (in its own modality) whose proper projection lies in
// [lo, hi]; sets `undefined` when some of x lies outside.
inline ivalDb restricted(const ivalDb& x, double lo, double hi, bool& undefined) noexcept {
    const bool improper = x.inf() > x.sup();
    const ivalDb p = improper ? dual(x) : x;
    if (!(p.inf() < lo || p.sup() > hi)) return x;
    undefined = true;
    const ivalDb r = meet(p, ivalDb::exact(lo, hi));
    if (r.inf() > r.sup()) return ivalNaN(); // nowhere defined
    return improper ? dual(r) : r;
}

// Zero in the proper projection of x.
inline bool holdsZero(const ivalDb& x) noexcept {
    return std::fmin(x.inf(), x.sup()) <= 0.0 && std::fmax(x.inf(), x.sup()) >= 0.0;
}

// A value that has no enclosure because the operation is undefined at points
// inside its arguments: every real number, unless no point is defined at all.
inline ivalDb acrossUndefined(const ivalDb& v, evalMode mode) noexcept {
    if (!hasNaN(v) || mode == evalMode::Inn) return v;
    return ivalEntire();
}

// A product or quotient of operands that are defined everywhere, NaN only
// because an infinite bound met a zero: every real number for outer
// evaluations; inner evaluations claim nothing.
inline ivalDb unboundedProduct(const ivalDb& v, const ivalDb& x, const ivalDb& y,
                               evalMode mode) noexcept {
    if (!isNaN(v) || hasNaN(x) || hasNaN(y) || mode == evalMode::Inn || mode == evalMode::Der)
        return v;
    return ivalEntire();
}

// x / y; a divisor holding zero marks undefined points.
inline ivalDb quotient(const ivalDb& x, const ivalDb& y, evalMode mode, bool& undefined) noexcept {
    if (!holdsZero(y) || hasNaN(y)) return unboundedProduct(x / y, x, y, mode);
    undefined = true;
    if (y.inf() == 0.0 && y.sup() == 0.0) return ivalNaN();
    return acrossUndefined(x / y, mode);
}

// log is defined on (0, +inf): zero itself is left out too.
inline ivalDb logarithm(const ivalDb& x, bool& undefined) noexcept {
    if (!hasNaN(x) && std::fmin(x.inf(), x.sup()) <= 0.0) undefined = true;
    return log(restricted(x, 0.0, kInf, undefined));
}

// tan; a pole inside a bounded argument marks undefined points.
inline ivalDb tangent(const ivalDb& x, bool& undefined) noexcept {
    const ivalDb v = tan(x);
    if (std::isfinite(x.inf()) && std::isfinite(x.sup()) && isInfinite(v.inf())) undefined = true;
    return v;
}

// x^e; a negative power of an argument holding zero marks undefined points.
inline ivalDb power(const ivalDb& x, std::int64_t e, evalMode mode, bool& undefined) noexcept {
    if (e < 0 && holdsZero(x) && !hasNaN(x)) {
        undefined = true;
        return acrossUndefined(pow(x, e), mode);
    }
    return pow(x, e);
}

constexpr ivalDb kGreaterShift = ivalDb::exact(kInf, 0.0); // [+inf, 0]
constexpr ivalDb kLessShift = ivalDb::exact(0.0, -kInf);   // [0, -inf]

inline void evalNode(tree& t, node& n, evalMode mode, evalOptions o) {
    // One case per kind; binary kinds need both children and unary kinds
    // their left child, otherwise the node keeps its value.
    const node* base = t.nodes.data();
    const bool both = n.left != noNode && n.right != noNode;
    const bool unary = n.left != noNode;
    // Derivative evaluations do not judge where the function is defined.
    bool scratch = false;
    bool& undefined = mode == evalMode::Der ? scratch : t.undefinedSeen;
    switch (n.kind) {
    case nodeKind::var:
        if (n.slot >= 0 && t.incidenceSlots[n.slot].bound())
            n.value = leafValue(t.incidenceSlots[n.slot], n.value, mode, o);
        return;
    case nodeKind::constant:
        // A constant holds an enclosure of a real number, which is its own
        // dual: the same enclosure serves the inner evaluation on the dual
        // leaves. Dualising it there would round the inner bound the wrong
        // way, and leaving it dualised would do the same to the next outer
        // evaluation.
        return;
    case nodeKind::aux:
        if (mode == evalMode::Inn)
            n.value = prop(n.value);
        else if (mode == evalMode::Out)
            n.value = impr(n.value);
        return;
    case nodeKind::plus:
        if (both) n.value = base[n.left].value + base[n.right].value;
        return;
    case nodeKind::sub:
        if (both) n.value = base[n.left].value - base[n.right].value;
        return;
    case nodeKind::mul:
        // 0 times an infinite bound has no interval value, but every point
        // of the operands has a real product: outer bounds take every value.
        if (both)
            n.value = unboundedProduct(base[n.left].value * base[n.right].value, base[n.left].value,
                                       base[n.right].value, mode);
        return;
    case nodeKind::div:
        if (both) n.value = quotient(base[n.left].value, base[n.right].value, mode, undefined);
        return;
    case nodeKind::eq:
        if (both) n.value = meet(base[n.left].value, base[n.right].value);
        return;
    case nodeKind::ge:
    case nodeKind::gt:
        if (both) n.value = base[n.left].value - kGreaterShift;
        return;
    case nodeKind::le:
    case nodeKind::lt:
        if (both) n.value = base[n.left].value - kLessShift;
        return;
    case nodeKind::minus:
        if (unary) n.value = -base[n.left].value;
        return;
    case nodeKind::exp:
        if (unary) n.value = exp(base[n.left].value);
        return;
    case nodeKind::log:
        if (unary) n.value = logarithm(base[n.left].value, undefined);
        return;
    case nodeKind::sqr:
        if (unary) n.value = sqr(base[n.left].value);
        return;
    case nodeKind::sqrt:
        if (unary) n.value = sqrt(restricted(base[n.left].value, 0.0, kInf, undefined));
        return;
    case nodeKind::cos:
        if (unary) n.value = cos(base[n.left].value);
        return;
    case nodeKind::sin:
        if (unary) n.value = sin(base[n.left].value);
        return;
    case nodeKind::tan:
        if (unary) n.value = tangent(base[n.left].value, undefined);
        return;
    case nodeKind::acos:
        if (unary) n.value = acos(restricted(base[n.left].value, -1.0, 1.0, undefined));
        return;
    case nodeKind::asin:
        if (unary) n.value = asin(restricted(base[n.left].value, -1.0, 1.0, undefined));
        return;
    case nodeKind::atan:
        if (unary) n.value = atan(base[n.left].value);
        return;
    case nodeKind::pow:
        if (unary) n.value = power(base[n.left].value, n.exponent, mode, undefined);
        return;
    case nodeKind::abs:
        if (unary) n.value = abs(base[n.left].value);
        return;
    case nodeKind::min:
        if (both) n.value = min(base[n.left].value, base[n.right].value);
        return;
    case nodeKind::max:
        if (both) n.value = max(base[n.left].value, base[n.right].value);
        return;
    case nodeKind::sinh:
        if (unary) n.value = sinh(base[n.left].value);
        return;
    case nodeKind::cosh:
        if (unary) n.value = cosh(base[n.left].value);
        return;
    case nodeKind::tanh:
        if (unary) n.value = tanh(base[n.left].value);
        return;
    case nodeKind::sign:
        if (unary) n.value = sign(base[n.left].value);
        return;
    case nodeKind::step:
        if (unary) n.value = step(base[n.left].value);
        return;
    case nodeKind::one:     // holds its value
    case nodeKind::unknown: // computes nothing
        return;
    }
}

} // namespace

void evaluate(tree& t, nodeId n, evalMode mode, evalOptions options) {
    evalNode(t, t.at(n), mode, options);
}

void evaluateList(tree& t, const std::vector<nodeId>& list, evalMode mode, evalOptions options) {
    node* base = t.nodes.data();
    for (const nodeId id : list)
        evalNode(t, base[id], mode, options);
}

ivalDb evaluateTree(tree& t, evalMode mode, evalOptions options) {
    ++t.evaluationCount;
    evaluateList(t, t.evalList, mode, options);
    if (!t.evalList.empty()) t.value = t.at(t.evalList.back()).value;
    return t.value;
}

void bind(tree& t, std::vector<variable>& group, const std::vector<int>& map) {
    const std::size_t n = std::min(group.size(), map.size());
    for (std::size_t i = 0; i < n; ++i) {
        const int tv = map[i];
        if (tv < 0 || tv >= t.variableCount()) continue;
        const auto& occ = t.vars[static_cast<std::size_t>(tv)];
        const std::size_t m = std::min(occ.size(), group[i].incidences.size());
        for (std::size_t j = 0; j < m; ++j)
            t.incidenceSlots[occ[j]] = incidenceSlot{&group[i], static_cast<int>(j)};
    }
}

nodeId deepCopy(tree& t, nodeId n) {
    if (n == noNode) return noNode;
    const nodeId l = deepCopy(t, t.at(n).left);
    const nodeId r = deepCopy(t, t.at(n).right);
    node copy = t.at(n);
    copy.left = l;
    copy.right = r;
    t.nodes.push_back(std::move(copy));
    return static_cast<nodeId>(t.nodes.size() - 1);
}

void subtractRightSide(tree& t) {
    const nodeId r = t.root;
    if (r == noNode || !isRelation(t.at(r).kind)) return;
    const nodeId rr = t.at(r).right;
    const bool rightIsZero = rr != noNode && sameBounds(t.at(rr).value, ivalZero());
    if (rightIsZero) return;
    const nodeId diff = t.createBinary(nodeKind::sub, t.at(r).left, rr);
    t.at(r).left = diff;
    t.at(r).right = t.createValue(nodeKind::constant, ivalZero());
}

void normalizeConstraint(tree& t, optimBound& optim) {
    const nodeId r = t.root;
    if (r == noNode) return;
    const comparison c = infoOf(t.at(r).kind).relation;
    if (c == comparison::none) return;
    subtractRightSide(t);
    switch (c) {
    case comparison::none:
        break;
    case comparison::eq:
        t.root = t.at(r).left;
        break;
    case comparison::gt:
    case comparison::ge:
        t.at(r).kind = nodeKind::sub;
        t.at(t.at(r).right).kind = nodeKind::aux;
        t.at(t.at(r).right).value = kGreaterShift;
        optim = optimBound::lower;
        break;
    case comparison::lt:
    case comparison::le:
        t.at(r).kind = nodeKind::sub;
        t.at(t.at(r).right).kind = nodeKind::aux;
        t.at(t.at(r).right).value = kLessShift;
        optim = optimBound::upper;
        break;
    }
}

} // namespace modal
