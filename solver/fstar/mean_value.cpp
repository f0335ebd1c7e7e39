#include "solver/fstar/mean_value.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "solver/model/variable.h"

namespace modal {

namespace {

// Leaves, arithmetic operators and functions: every kind but the relations.
bool hasDerivativeRule(nodeKind k) noexcept {
    return isUnary(k) || (isBinary(k) && !isRelation(k)) || k == nodeKind::var ||
           k == nodeKind::constant || k == nodeKind::aux || k == nodeKind::one;
}

bool isFinite(const ivalDb& x) noexcept {
    return std::isfinite(x.inf()) && std::isfinite(x.sup());
}

// A double inside [lo, hi] near its middle.
double centre(double lo, double hi) noexcept {
    return std::clamp(0.5 * lo + 0.5 * hi, lo, hi);
}

// The function's own nodes with every leaf at the point `at[slot]` (the
// derivative evaluations also overwrite some of these nodes' values). The
// mode only matters to "aux" shifts: improper for outer bounds, proper for
// inner ones.
ivalDb valueAt(tree& t, const std::vector<double>& at, evalMode mode) {
    for (const nodeId id : t.evalList) {
        node& n = t.at(id);
        if (n.kind == nodeKind::var) {
            const double x = at[static_cast<std::size_t>(n.slot)];
            n.value = ivalDb::exact(x, x);
        } else {
            evaluate(t, id, mode);
        }
    }
    return t.at(t.evalList.back()).value;
}

// What one pass over the function's nodes tells: every node has a
// derivative rule and every leaf is bound, and whether an "aux" shift is there.
struct treeShape {
    bool differentiable = false;
    bool hasAux = false;
};

treeShape shapeOf(const tree& t) {
    treeShape shape;
    if (!t.hasDerivatives || t.derivEvalLists.size() != t.vars.size() || t.evalList.empty())
        return shape;
    for (const nodeId id : t.evalList) {
        const node& n = t.at(id);
        if (!hasDerivativeRule(n.kind)) return shape;
        if (n.kind == nodeKind::var && (n.slot < 0 || !t.incidenceSlots[n.slot].bound()))
            return shape;
        shape.hasAux = shape.hasAux || n.kind == nodeKind::aux;
    }
    shape.differentiable = true;
    return shape;
}

// Enclosure over the bound box of the derivative by variable `i` (the sum
// over its occurrences); NaN when an occurrence is not bound.
ivalDb derivativeOf(tree& t, std::size_t i, bool reuse) {
    const auto& occ = t.vars[i];
    if (t.derivEvalLists[i].size() != occ.size()) return ivalNaN();
    ivalDb sum = ivalZero();
    for (std::size_t j = 0; j < occ.size(); ++j) {
        const incidenceSlot& slot = t.incidenceSlots[occ[j]];
        if (!slot.bound()) return ivalNaN();
        // An enclosure just evaluated over the same box is the same doubles;
        // [-inf, +inf] may stand for one left out, and is evaluated.
        if (reuse) {
            const ivalDb& d = slot.derivative();
            if (!hasNaN(d) && (d.inf() > -kInf || d.sup() < kInf)) {
                sum = sum + d;
                continue;
            }
        }
        const auto& list = t.derivEvalLists[i][j];
        if (list.empty()) continue;
        evaluateList(t, list, evalMode::Der);
        sum = sum + t.at(list.back()).value;
    }
    return sum;
}

// Where each occurrence is evaluated, per bound. A variable whose derivative
// keeps one sign over the box is set at the end of its domain that gives the
// bound: a universal (proper) one where the function is least (lower bound)
// or greatest (upper); an existential (improper) one the other way round,
// since the function only has to reach the bound for some value of it. Any
// other variable is set at its centre; for the outer bounds it adds
// D_k * (X_k - c_k) (`slopes`), for the inner ones an existential variable
// adds the same over its proper projection (`spread`) and a universal one
// nothing. The inner bounds set every universal variable at the midpoint of
// its domain, the point the natural inner evaluation takes: the cells of a
// strip must all fix the universal variables at one point for the meet of
// their inner bounds to stay inner.
struct placement {
    std::vector<double> low, high, innLow, innHigh; // per incidence slot
    ivalDb slopes = ivalZero();
    ivalDb spread = ivalZero();
    bool innerPointsDiffer = false;

    // False when a domain or a derivative is not finite.
    bool place(tree& t, bool reuse) {
        const auto slots = static_cast<std::size_t>(t.incidenceSlots.size());
        for (auto* v : {&low, &high, &innLow, &innHigh})
            v->assign(slots, 0.0);
        slopes = spread = ivalZero();
        innerPointsDiffer = false;
        for (std::size_t i = 0; i < t.vars.size(); ++i) {
            const auto& occ = t.vars[i];
            if (occ.empty()) continue;
            if (!t.incidenceSlots[occ[0]].bound()) return false;
            const ivalDb domain = t.incidenceSlots[occ[0]].domain();
            const ivalDb derivative = derivativeOf(t, i, reuse);
            if (!isFinite(domain) || !isFinite(derivative)) return false;
            placeVariable(occ, domain, derivative);
        }
        return !hasNaN(slopes) && !hasNaN(spread);
    }

    void placeVariable(const std::vector<std::int32_t>& occ, const ivalDb& domain,
                       const ivalDb& derivative) {
        const ivalDb p = prop(domain);
        const bool universal = isProper(domain);
        double lo = 0.0;
        double hi = 0.0;
        if (derivative.inf() >= 0.0) { // non-decreasing
            lo = universal ? p.inf() : p.sup();
            hi = universal ? p.sup() : p.inf();
        } else if (derivative.sup() <= 0.0) { // non-increasing
            lo = universal ? p.sup() : p.inf();
            hi = universal ? p.inf() : p.sup();
        } else {
            lo = hi = centre(p.inf(), p.sup());
            const ivalDb c = ivalDb::exact(lo, lo);
            slopes = slopes + derivative * (domain - c);
            if (!universal) spread = spread + derivative * (p - c);
        }
        const double innLo = universal ? domain.mid() : lo;
        const double innHi = universal ? domain.mid() : hi;
        innerPointsDiffer = innerPointsDiffer || innLo != lo || innHi != hi;
        for (const int s : occ) {
            const auto k = static_cast<std::size_t>(s);
            low[k] = lo;
            high[k] = hi;
            innLow[k] = innLo;
            innHigh[k] = innHi;
        }
    }
};

} // namespace

meanValueBounds meanValueForm(tree& t, bool derivativesFresh) {
    const meanValueBounds none{ivalNaN(), ivalNaN()};
    const treeShape shape = shapeOf(t);
    if (!shape.differentiable) return none;
    thread_local placement at; // its vectors are reused from call to call
    if (!at.place(t, derivativesFresh)) return none;

    const bool undefinedSeen = t.undefinedSeen;
    const ivalDb atLow = valueAt(t, at.low, evalMode::Out);
    const ivalDb atHigh = valueAt(t, at.high, evalMode::Out);
    const bool again = at.innerPointsDiffer || shape.hasAux;
    const ivalDb innAtLow = again ? valueAt(t, at.innLow, evalMode::Inn) : atLow;
    const ivalDb innAtHigh = again ? valueAt(t, at.innHigh, evalMode::Inn) : atHigh;
    t.undefinedSeen = undefinedSeen;
    // A bound may be infinite: the shift of a relation (">=" as
    // f - [+inf, 0]) leaves only one side finite.
    if (hasNaN(atLow) || hasNaN(atHigh) || hasNaN(innAtLow) || hasNaN(innAtHigh)) return none;
    // Inner bounds: with the universal variables at their point, f reaches
    // at most the upper end of its range over the existential ones there,
    // which is at least the lowest value of f*, and falls at least to the
    // lower end, which is at most the greatest.
    return {ivalDb::exact((atLow + at.slopes).inf(), (atHigh + at.slopes).sup()),
            ivalDb::exact((innAtLow + at.spread).sup(), (innAtHigh + at.spread).inf())};
}

} // namespace modal
