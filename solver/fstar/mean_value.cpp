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

// The function's own nodes with every leaf at the point `at[slot]`. The
// derivative evaluations also overwrite some of these nodes' values.
ivalDb valueAt(tree& t, const std::vector<double>& at) {
    for (const nodeId id : t.evalList) {
        node& n = t.at(id);
        if (n.kind == nodeKind::var) {
            const double x = at[static_cast<std::size_t>(n.slot)];
            n.value = ivalDb::exact(x, x);
        } else {
            evaluate(t, id, evalMode::Out);
        }
    }
    return t.at(t.evalList.back()).value;
}

} // namespace

ivalDb meanValueForm(tree& t) {
    if (!t.hasDerivatives || t.derivEvalLists.size() != t.vars.size() || t.evalList.empty())
        return ivalNaN();
    for (const nodeId id : t.evalList) {
        const node& n = t.at(id);
        if (!hasDerivativeRule(n.kind)) return ivalNaN();
        if (n.kind == nodeKind::var && (n.slot < 0 || !t.incidenceSlots[n.slot].bound()))
            return ivalNaN();
    }

    // Where each occurrence is evaluated for the lower and for the upper
    // bound. A variable whose derivative keeps one sign over the box is set
    // at the end of its domain that gives the bound: a universal (proper)
    // one where the function is least (lower bound) or greatest (upper); an
    // existential (improper) one the other way round, since the function
    // only has to reach the bound for some value of it. Any other variable
    // is set at its centre and adds D_k * (X_k - c_k).
    thread_local std::vector<double> lowAt;
    thread_local std::vector<double> highAt;
    lowAt.assign(static_cast<std::size_t>(t.incidenceSlots.size()), 0.0);
    highAt.assign(static_cast<std::size_t>(t.incidenceSlots.size()), 0.0);
    ivalDb slopes = ivalZero();
    for (std::size_t i = 0; i < t.vars.size(); ++i) {
        const auto& occ = t.vars[i];
        if (occ.empty()) continue;
        if (t.derivEvalLists[i].size() != occ.size()) return ivalNaN();
        for (const int s : occ)
            if (!t.incidenceSlots[s].bound()) return ivalNaN();
        const ivalDb domain = t.incidenceSlots[occ[0]].domain();
        if (!isFinite(domain)) return ivalNaN();
        ivalDb derivative = ivalZero();
        for (const auto& list : t.derivEvalLists[i]) {
            if (list.empty()) continue;
            evaluateList(t, list, evalMode::Der);
            derivative = derivative + t.at(list.back()).value;
        }
        if (!isFinite(derivative)) return ivalNaN();
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
            slopes = slopes + derivative * (domain - ivalDb::exact(low, low));
        }
        for (const int s : occ) {
            lowAt[static_cast<std::size_t>(s)] = low;
            highAt[static_cast<std::size_t>(s)] = high;
        }
    }
    if (hasNaN(slopes)) return ivalNaN();

    const bool undefinedSeen = t.undefinedSeen;
    const ivalDb atLow = valueAt(t, lowAt);
    const ivalDb atHigh = valueAt(t, highAt);
    t.undefinedSeen = undefinedSeen;
    // A bound may be infinite: the shift of a relation (">=" as
    // f - [+inf, 0]) leaves only one side finite.
    if (hasNaN(atLow) || hasNaN(atHigh)) return ivalNaN();
    return ivalDb::exact((atLow + slopes).inf(), (atHigh + slopes).sup());
}

} // namespace modal
