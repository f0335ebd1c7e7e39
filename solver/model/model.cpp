#include "solver/model/model.h"

namespace modal {

std::vector<variable> model::variables() const {
    std::vector<variable> out;
    out.reserve(fn.varNodes.size());
    for (std::size_t i = 0; i < fn.varNodes.size(); ++i)
        out.emplace_back(static_cast<int>(fn.vars[i].size()), fn.varNodes[i].value,
                         fn.varNodes[i].label);
    return out;
}

void model::buildGroups() {
    // A solver run on many boxes groups its variables anew for every run:
    // the variables of the last grouping are reset in place, so that their
    // names and incidences keep their storage.
    const std::size_t n = fn.varNodes.size();
    std::size_t proper = 0;
    for (std::size_t i = 0; i < n; ++i)
        if (isProper(fn.varNodes[i].value)) ++proper;
    resizeGroups(xp, xi, proper, n - proper, spareVariables);
    fn.xpMap.clear();
    fn.xiMap.clear();
    for (std::size_t i = 0; i < n; ++i) {
        const ivalDb& d = fn.varNodes[i].value;
        const bool isXp = isProper(d);
        std::vector<int>& map = isXp ? fn.xpMap : fn.xiMap;
        variable& v = (isXp ? xp : xi)[map.size()];
        v.reset(static_cast<int>(fn.vars[i].size()), d, fn.varNodes[i].label);
        map.push_back(static_cast<int>(i));
    }
}

void model::bindOwn() {
    modal::bind(fn, xp, fn.xpMap);
    modal::bind(fn, xi, fn.xiMap);
}

variable& model::cellVariable(int i) {
    const auto n = static_cast<int>(xp.size());
    return i < n ? xp[static_cast<std::size_t>(i)] : xi[static_cast<std::size_t>(i - n)];
}

namespace {

// Forward-backward passes over one constraint in a cell check, at most.
constexpr int kContractionPasses = 8;

// Whether a few forward-backward passes over constraint model `c`, on the
// domains of its own cell read as proper (as the check reads them), leave no
// point where the relation holds (`complement` false) or where it fails or is
// undefined (true). Each pass narrows the occurrences of repeated variables
// further.
bool contractsToNothing(model& c, bool complement) {
    c.contractionDomains.assign(static_cast<std::size_t>(c.fn.variableCount()), ivalEntire());
    const std::size_t nOwnXp = c.xp.size();
    for (int i = 0; i < c.cellVariableCount(); ++i) {
        const auto u = static_cast<std::size_t>(i);
        const int tv = u < nOwnXp ? c.fn.xpMap[u] : c.fn.xiMap[u - nOwnXp];
        if (tv >= 0 && tv < c.fn.variableCount())
            c.contractionDomains[static_cast<std::size_t>(tv)] = prop(c.cellVariable(i).domain);
    }
    for (int pass = 0; pass < kContractionPasses; ++pass) {
        double before = 0;
        for (const ivalDb& d : c.contractionDomains)
            before += d.width();
        if (!c.contraction.contract(c.contractionDomains, complement)) return true;
        double after = 0;
        for (const ivalDb& d : c.contractionDomains)
            after += d.width();
        if (!(after < before * 0.95)) break;
    }
    return false;
}

} // namespace

void prepareContraction(model& c) {
    c.contraction = relationContractor();
    const tree& t = c.fn;
    if (t.root == noNode) return;
    const node& r = t.at(t.root);
    const comparison rel = infoOf(r.kind).relation;
    if (rel == comparison::none || r.left == noNode || r.right == noNode) return;
    const node& zero = t.at(r.right);
    if (zero.kind != nodeKind::constant || !isZero(zero.value)) return;
    c.contraction = relationContractor(t, r.left, rel);
}

consistencyState checkConstraints(model& m, const std::vector<variable>& cellXp,
                                  const std::vector<variable>& cellXi, bool forwardBackward) {
    const int nXp = static_cast<int>(cellXp.size());
    const int nAll = nXp + static_cast<int>(cellXi.size());
    // The domains of the cell's variables into the constraint's own.
    const auto load = [&](model& c) {
        const int n = c.cellVariableCount();
        for (int i = 0; i < n && i < static_cast<int>(c.indexMap.size()); ++i) {
            const int k = c.indexMap[static_cast<std::size_t>(i)];
            if (k < 0 || k >= nAll) continue;
            c.cellVariable(i).domain = k < nXp ? cellXp[static_cast<std::size_t>(k)].domain
                                               : cellXi[static_cast<std::size_t>(k - nXp)].domain;
        }
    };
    if (forwardBackward)
        for (model& c : m.constraints) {
            if (c.contraction.relation() == comparison::none) continue;
            load(c);
            if (contractsToNothing(c, false)) return consistencyState::inconsistent;
        }
    for (model& c : m.constraints) {
        load(c);
        c.bindOwn();
        c.fn.undefinedSeen = false;
        const ivalDb v = evaluateTree(c.fn, evalMode::Prop, {.point = pointChoice::previous});
        const node* root = c.fn.root == noNode ? nullptr : &c.fn.at(c.fn.root);
        if (root == nullptr || root->left == noNode) {
            if (isInterior(v, ivalZero()) && !c.fn.undefinedSeen) continue;
            return consistencyState::undecided;
        }
        const ivalDb l = c.fn.at(root->left).value;
        // A relation holds on the whole cell when its value is interior to
        // zero; ">=" and "<=" (and "=") also hold where the left side reaches
        // zero. Holding only where the constraint is defined proves nothing.
        // Only the bound of the relation's value that decides it is read:
        // the other is L - inf, NaN for an unbounded L.
        const comparison relation = infoOf(root->kind).relation;
        bool holds = false;
        switch (relation) {
        case comparison::ge:
            holds = v.inf() >= 0.0;
            break;
        case comparison::gt:
            holds = v.inf() > 0.0;
            break;
        case comparison::le:
            holds = v.sup() <= 0.0;
            break;
        case comparison::lt:
            holds = v.sup() < 0.0;
            break;
        case comparison::eq:
            holds = l.inf() >= 0.0 && l.sup() <= 0.0;
            break;
        case comparison::none:
            holds = isInterior(v, ivalZero());
            break;
        }
        if (holds && !c.fn.undefinedSeen) continue;
        // Contract=1: no point of the cell fails the constraint, nor leaves it
        // undefined.
        if (forwardBackward && c.contraction.relation() != comparison::none &&
            contractsToNothing(c, true))
            continue;
        // Points where a constraint is not defined satisfy none, so a
        // relation that fails wherever it is defined rules the cell out.
        switch (relation) {
        case comparison::eq: {
            // Inconsistent only when zero is outside the left side's range; a
            // range that merely touches zero may still hold the solution.
            const ivalDb p = prop(l);
            if (hasNaN(p)) return consistencyState::undecided;
            return (p.inf() > 0.0 || p.sup() < 0.0) ? consistencyState::inconsistent
                                                    : consistencyState::undecided;
        }
        case comparison::gt:
        case comparison::ge:
            return isInterior(l - ivalDb::exact(0.0, -kInf), ivalZero())
                       ? consistencyState::inconsistent
                       : consistencyState::undecided;
        case comparison::lt:
        case comparison::le:
            return isInterior(l - ivalDb::exact(kInf, 0.0), ivalZero())
                       ? consistencyState::inconsistent
                       : consistencyState::undecided;
        case comparison::none:
            return consistencyState::undecided;
        }
    }
    return consistencyState::consistent;
}

} // namespace modal
