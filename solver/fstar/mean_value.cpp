#include "solver/fstar/mean_value.h"

#include <algorithm>
#include <cmath>
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

bool hasAux(const tree& t) {
    for (const nodeId id : t.evalList)
        if (t.at(id).kind == nodeKind::aux) return true;
    return false;
}

} // namespace

meanValueBounds meanValueForm(tree& t) {
    const meanValueBounds none{ivalNaN(), ivalNaN()};
    if (!t.hasDerivatives || t.derivEvalLists.size() != t.vars.size() || t.evalList.empty())
        return none;
    for (const nodeId id : t.evalList) {
        const node& n = t.at(id);
        if (!hasDerivativeRule(n.kind)) return none;
        if (n.kind == nodeKind::var && (n.slot < 0 || !t.incidenceSlots[n.slot].bound()))
            return none;
    }

    // Where each occurrence is evaluated for the lower and for the upper
    // bound. A variable whose derivative keeps one sign over the box is set
    // at the end of its domain that gives the bound: a universal (proper)
    // one where the function is least (lower bound) or greatest (upper); an
    // existential (improper) one the other way round, since the function
    // only has to reach the bound for some value of it. Any other variable
    // is set at its centre; for the outer bounds it adds D_k * (X_k - c_k)
    // (`slopes`), for the inner ones an existential variable adds the same
    // over its proper projection (`spread`) and a universal one nothing.
    // The inner bounds set every universal variable at the midpoint of its
    // domain instead, the point the natural inner evaluation takes: the
    // cells of a strip must all fix the universal variables at one point for
    // the meet of their inner bounds to stay inner.
    thread_local std::vector<double> lowAt;
    thread_local std::vector<double> highAt;
    thread_local std::vector<double> innLowAt;
    thread_local std::vector<double> innHighAt;
    const auto slots = static_cast<std::size_t>(t.incidenceSlots.size());
    lowAt.assign(slots, 0.0);
    highAt.assign(slots, 0.0);
    innLowAt.assign(slots, 0.0);
    innHighAt.assign(slots, 0.0);
    bool innerPointsDiffer = false;
    ivalDb slopes = ivalZero();
    ivalDb spread = ivalZero();
    for (std::size_t i = 0; i < t.vars.size(); ++i) {
        const auto& occ = t.vars[i];
        if (occ.empty()) continue;
        if (t.derivEvalLists[i].size() != occ.size()) return none;
        for (const int s : occ)
            if (!t.incidenceSlots[s].bound()) return none;
        const ivalDb domain = t.incidenceSlots[occ[0]].domain();
        if (!isFinite(domain)) return none;
        ivalDb derivative = ivalZero();
        for (const auto& list : t.derivEvalLists[i]) {
            if (list.empty()) continue;
            evaluateList(t, list, evalMode::Der);
            derivative = derivative + t.at(list.back()).value;
        }
        if (!isFinite(derivative)) return none;
        const ivalDb p = prop(domain);
        const bool universal = isProper(domain);
        double low = 0.0;
        double high = 0.0;
        if (derivative.inf() >= 0.0) { // non-decreasing
            low = universal ? p.inf() : p.sup();
            high = universal ? p.sup() : p.inf();
        } else if (derivative.sup() <= 0.0) { // non-increasing
            low = universal ? p.sup() : p.inf();
            high = universal ? p.inf() : p.sup();
        } else {
            low = high = centre(p.inf(), p.sup());
            const ivalDb c = ivalDb::exact(low, low);
            slopes = slopes + derivative * (domain - c);
            if (!universal) spread = spread + derivative * (p - c);
        }
        const double innLow = universal ? domain.mid() : low;
        const double innHigh = universal ? domain.mid() : high;
        innerPointsDiffer = innerPointsDiffer || innLow != low || innHigh != high;
        for (const int s : occ) {
            const auto k = static_cast<std::size_t>(s);
            lowAt[k] = low;
            highAt[k] = high;
            innLowAt[k] = innLow;
            innHighAt[k] = innHigh;
        }
    }
    if (hasNaN(slopes) || hasNaN(spread)) return none;

    const bool undefinedSeen = t.undefinedSeen;
    const ivalDb atLow = valueAt(t, lowAt, evalMode::Out);
    const ivalDb atHigh = valueAt(t, highAt, evalMode::Out);
    const bool again = innerPointsDiffer || hasAux(t);
    const ivalDb innAtLow = again ? valueAt(t, innLowAt, evalMode::Inn) : atLow;
    const ivalDb innAtHigh = again ? valueAt(t, innHighAt, evalMode::Inn) : atHigh;
    t.undefinedSeen = undefinedSeen;
    // A bound may be infinite: the shift of a relation (">=" as
    // f - [+inf, 0]) leaves only one side finite.
    if (hasNaN(atLow) || hasNaN(atHigh) || hasNaN(innAtLow) || hasNaN(innAtHigh)) return none;
    // Inner bounds: with the universal variables at their point, f reaches
    // at most the upper end of its range over the existential ones there,
    // which is at least the lowest value of f*, and falls at least to the
    // lower end, which is at most the greatest.
    return {ivalDb::exact((atLow + slopes).inf(), (atHigh + slopes).sup()),
            ivalDb::exact((innAtLow + spread).sup(), (innAtHigh + spread).inf())};
}

} // namespace modal
