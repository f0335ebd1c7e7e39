#include "solver/fstar/point_search.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace modal {

namespace {

// Every node of the function evaluated with its leaves at the values
// `leaf(slot)`; the root's value. The tree's record of undefined points is
// left as it was; `undefined` tells whether the point met one.
template <class Leaf> ivalDb valueAt(tree& t, Leaf&& leaf, bool& undefined) {
    const bool before = t.undefinedSeen;
    t.undefinedSeen = false;
    for (const nodeId id : t.evalList) {
        node& n = t.at(id);
        if (n.kind == nodeKind::var) {
            if (n.slot >= 0 && n.slot < t.incidenceSlots.size()) n.value = leaf(n.slot);
        } else
            evaluate(t, id, evalMode::Out);
    }
    undefined = t.undefinedSeen;
    t.undefinedSeen = before;
    return t.evalList.empty() ? ivalNaN() : t.at(t.evalList.back()).value;
}

std::vector<int> slotVariables(const tree& t) {
    std::vector<int> map(static_cast<std::size_t>(t.incidenceSlots.size()), -1);
    for (std::size_t v = 0; v < t.vars.size(); ++v)
        for (const auto s : t.vars[v])
            if (s >= 0 && static_cast<std::size_t>(s) < map.size())
                map[static_cast<std::size_t>(s)] = static_cast<int>(v);
    return map;
}

} // namespace

bool pointSearch::prepare(const model& m) {
    applies_ = false;
    constraints_.clear();
    const tree& t = m.fn;
    if (t.evalList.empty() || t.variableCount() == 0) return false;
    for (const nodeId id : t.evalList) {
        const nodeKind k = t.at(id).kind;
        if (isRelation(k) || k == nodeKind::aux) return false;
    }
    lower_.clear();
    upper_.clear();
    for (int v = 0; v < t.variableCount(); ++v) {
        const ivalDb& d = m.variableDomain(v);
        if (!isProper(d) || !std::isfinite(d.inf()) || !std::isfinite(d.sup())) return false;
        lower_.push_back(d.inf());
        upper_.push_back(d.sup());
    }
    slotVariable_ = slotVariables(t);
    if (std::find(slotVariable_.begin(), slotVariable_.end(), -1) != slotVariable_.end())
        return false;
    for (const model& c : m.constraints) {
        const tree& u = c.fn;
        if (u.root == noNode || u.at(u.root).left == noNode) return false;
        constraintMap cm;
        cm.relation = infoOf(u.at(u.root).kind).relation;
        // Equations hold at no point that rounding can prove, and bare
        // expressions are no inequality.
        if (cm.relation == comparison::eq || cm.relation == comparison::none) return false;
        const std::vector<int> own = slotVariables(u);
        cm.slotVariable.assign(own.size(), -1);
        for (std::size_t s = 0; s < own.size(); ++s)
            if (own[s] >= 0)
                cm.slotVariable[s] =
                    t.findVariable(u.varNodes[static_cast<std::size_t>(own[s])].label);
        constraints_.push_back(std::move(cm));
    }
    applies_ = true;
    return true;
}

pointSearch::probe pointSearch::evaluateAt(model& m, const point& p) {
    ++evaluations_;
    probe r;
    bool undefined = false;
    r.value = valueAt(
        m.fn,
        [&](int slot) {
            const double x =
                p[static_cast<std::size_t>(slotVariable_[static_cast<std::size_t>(slot)])];
            return ivalDb::exact(x, x);
        },
        undefined);
    r.defined = !undefined && !hasNaN(r.value);
    std::size_t k = 0;
    for (model& c : m.constraints) {
        const constraintMap& cm = constraints_[k++];
        tree& u = c.fn;
        bool cUndefined = false;
        valueAt(
            u,
            [&](int slot) {
                const int v = cm.slotVariable[static_cast<std::size_t>(slot)];
                if (v < 0) {
                    // A parameter of the relation: every value of its domain.
                    const int tv = u.slotVariable(slot);
                    return tv < 0 ? ivalEntire()
                                  : prop(u.varNodes[static_cast<std::size_t>(tv)].value);
                }
                const double x = p[static_cast<std::size_t>(v)];
                return ivalDb::exact(x, x);
            },
            cUndefined);
        const ivalDb l = u.at(u.at(u.root).left).value;
        if (cUndefined || hasNaN(l)) {
            r.violation = kInf;
            continue;
        }
        // How far the left side is from proving the relation; the smallest
        // positive double where it is short by rounding alone.
        double shortBy = 0;
        switch (cm.relation) {
        case comparison::ge:
            shortBy = l.inf() >= 0.0 ? 0.0 : -l.inf();
            break;
        case comparison::gt:
            shortBy = l.inf() > 0.0 ? 0.0 : std::max(-l.inf(), DBL_MIN);
            break;
        case comparison::le:
            shortBy = l.sup() <= 0.0 ? 0.0 : l.sup();
            break;
        case comparison::lt:
            shortBy = l.sup() < 0.0 ? 0.0 : std::max(l.sup(), DBL_MIN);
            break;
        default:
            shortBy = kInf;
            break;
        }
        r.violation += shortBy;
    }
    return r;
}

bool pointSearch::better(const probe& a, const probe& b, bool lowest) {
    if (!a.defined) return false;
    if (!b.defined) return true;
    if (a.violation != b.violation) return a.violation < b.violation;
    const double va = a.value.mid();
    const double vb = b.value.mid();
    return lowest ? va < vb : va > vb;
}

pointSearch::result pointSearch::descend(model& m, const point& start,
                                         const std::vector<double>& step, bool lowest, int budget) {
    evaluations_ = 0;
    result r;
    if (!applies_) return r;
    const std::size_t n = lower_.size();
    point x(n);
    std::vector<double> h(n);
    for (std::size_t i = 0; i < n; ++i) {
        x[i] = std::clamp(start[i], lower_[i], upper_[i]);
        h[i] = std::max(step[i], 0.0);
    }
    probe px = evaluateAt(m, x);
    point y = x;
    while (evaluations_ < budget) {
        bool moved = false;
        for (std::size_t i = 0; i < n && evaluations_ < budget; ++i) {
            for (const double dir : {1.0, -1.0}) {
                y[i] = std::clamp(x[i] + dir * h[i], lower_[i], upper_[i]);
                if (y[i] == x[i]) continue;
                const probe py = evaluateAt(m, y);
                if (better(py, px, lowest)) {
                    x[i] = y[i];
                    px = py;
                    moved = true;
                    // A step that helped may help longer.
                    h[i] = std::min(2.0 * h[i], upper_[i] - lower_[i]);
                    break;
                }
                y[i] = x[i];
            }
        }
        if (moved) continue;
        bool small = true;
        for (std::size_t i = 0; i < n; ++i) {
            h[i] *= 0.5;
            small = small && h[i] <= 1e-15 * (1.0 + std::fabs(x[i]));
        }
        if (small) break;
    }
    if (!px.defined || px.violation != 0.0) return r;
    // The proof that counts is the solver's own check of the point box.
    if (!m.constraints.empty()) {
        std::vector<variable> xp = m.xp;
        for (std::size_t i = 0; i < xp.size() && i < m.fn.xpMap.size(); ++i) {
            const double v = x[static_cast<std::size_t>(m.fn.xpMap[i])];
            xp[i].domain = ivalDb::exact(v, v);
        }
        if (checkConstraints(m, xp, {}) != consistencyState::consistent) return r;
    }
    r.found = true;
    r.at = x;
    r.value = px.value;
    return r;
}

} // namespace modal
