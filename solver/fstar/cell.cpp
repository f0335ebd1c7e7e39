#include "solver/fstar/cell.h"

#include <cmath>
#include <ostream>
#include <string>

#include "solver/fstar/mean_value.h"
#include "solver/fstar/report.h"
#include "solver/fstar/selection.h"
#include "solver/fstar/strip.h"
#include "solver/model/derivatives.h"

namespace modal {

void sumDerivatives(std::vector<variable>& vars) {
    for (auto& v : vars) {
        ivalDb sum = ivalZero();
        for (const auto& inc : v.incidences) {
            if (inc.derivative.inf() < 0.0 && 0.0 < inc.derivative.sup()) {
                sum = ivalEntire();
                break;
            }
            sum = sum + inc.derivative;
        }
        v.globalDerivative = sum;
        v.refreshMonotony();
    }
}

std::uint8_t stripDerivatives(tree& t, std::vector<variable>& xp, std::vector<variable>& xi) {
    modal::bind(t, xp, t.xpMap);
    modal::bind(t, xi, t.xiMap);
    evaluateDerivatives(t, varGroup::Full);
    if (t.hasDerivatives) {
        sumDerivatives(xp);
        sumDerivatives(xi);
    }
    if (t.uniformKnown) return 1;
    return t.hasSingles && isUniformlyMonotonic(t) ? 1 : 0;
}

namespace {

bool sameDomains(const std::vector<variable>& a, const std::vector<variable>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (!sameBounds(a[i].domain, b[i].domain) || a[i].incidenceCount() != b[i].incidenceCount())
            return false;
    return true;
}

// Whether the inner evaluation reads every universal (Xp) variable at the
// midpoint of its domain: none totally monotonic or kept whole as a single
// incidence.
bool innerAtMidpoints(const std::vector<variable>& xp, const evalOptions& o) {
    for (const variable& v : xp)
        if (o.consistent && (v.totalMono || (o.innSingles && v.singleIncidence))) return false;
    return true;
}

// The incidence derivatives of `from` into `to` (the same variables), only
// for variables with an improper domain when `improperOnly`.
void copyDerivatives(const std::vector<variable>& from, std::vector<variable>& to,
                     bool improperOnly) {
    for (std::size_t i = 0; i < to.size(); ++i) {
        if (improperOnly && isProper(to[i].domain)) continue;
        for (int j = 0; j < to[i].incidenceCount(); ++j)
            to[i].getIncidence(j).derivative = from[i].getIncidence(j).derivative;
    }
}

} // namespace

cell::cell(const cell& o)
    : tw(o.tw), xi(o.xi), xp(o.xp), bisectDim(o.bisectDim), consistency(o.consistency),
      treeFlag(o.treeFlag), cutFromTol(o.cutFromTol), settled(o.settled),
      undefinedPoints(o.undefinedPoints) {}

cell& cell::operator=(const cell& o) {
    if (this == &o) return *this;
    tw = o.tw;
    xi = o.xi;
    xp = o.xp;
    bisectDim = o.bisectDim;
    consistency = o.consistency;
    treeFlag = o.treeFlag;
    outInsideZero = false;
    innOutsideZero = false;
    cutFromTol = o.cutFromTol;
    settled = o.settled;
    undefinedPoints = o.undefinedPoints;
    return *this;
}

cell cell::initial(model& m) {
    m.buildGroups();
    cell c;
    std::vector<variable> spare;
    c.makeInitial(m, spare);
    return c;
}

void cell::makeInitial(const model& m, std::vector<variable>& spare) {
    tw = twin();
    assignFresh(xp, xi, m.xp, m.xi, spare);
    bisectDim = -1;
    consistency = consistencyState::consistent;
    treeFlag = 0;
    outInsideZero = false;
    innOutsideZero = false;
    cutFromTol = kInf;
    settled = false;
    undefinedPoints = false;
}

int cell::variableCount() const noexcept {
    return static_cast<int>(xp.size() + xi.size());
}

const variable& cell::variableAt(int i) const {
    const auto n = static_cast<int>(xp.size());
    return i < n ? xp[static_cast<std::size_t>(i)] : xi[static_cast<std::size_t>(i - n)];
}

variable& cell::variableAt(int i) {
    return const_cast<variable&>(static_cast<const cell&>(*this).variableAt(i));
}

void cell::bindTo(tree& t, std::vector<variable>& xpGroup) {
    modal::bind(t, xpGroup, t.xpMap);
    modal::bind(t, xi, t.xiMap);
}

void cell::derivativeSums(tree& t, varGroup group) {
    evaluateDerivatives(t, group);
    if (group != varGroup::Xp) sumDerivatives(xi);
    if (group != varGroup::Xi) sumDerivatives(xp);
}

void cell::evaluate(tree& t, const stripContext& strip, bool meanValue) {
    std::vector<variable>& stripXp = strip.xp;
    // Over the strip's own box, with the same variables bound, the
    // derivative enclosures and the monotonicity test would repeat the
    // strip's: take them (the same doubles) instead.
    const bool sameXp = sameDomains(xp, stripXp);
    const bool stripBox =
        strip.derivativesFresh && &stripXp != &xp && sameXp && sameDomains(xi, strip.xi);
    // Whether this evaluation meets undefined points, kept beside the run's
    // own record of them.
    const bool undefinedBefore = t.undefinedSeen;
    t.undefinedSeen = false;
    bindTo(t, stripXp);
    if (stripBox) {
        // The Xi evaluation passes over variables whose domain is proper.
        copyDerivatives(strip.xi, xi, true);
        sumDerivatives(xi);
    } else {
        derivativeSums(t, varGroup::Xi);
    }
    bisectDim = widestCuttable(xi, consistency == consistencyState::consistent, treeFlag != 0);
    if (t.uniformKnown)
        treeFlag = 1;
    else if (t.hasSingles)
        treeFlag = stripBox ? strip.treeFlag : (isUniformlyMonotonic(t) ? 1 : 0);
    else
        treeFlag = 0;
    const evalOptions options{.innSingles = strip.treeFlag != 0,
                              .outSingles = treeFlag != 0,
                              .consistent = consistency == consistencyState::consistent};
    tw.setInn(dual(evaluateTree(t, evalMode::Inn, options)));
    bindTo(t, xp);
    if (stripBox) {
        copyDerivatives(strip.xi, xi, false);
        copyDerivatives(stripXp, xp, false);
        sumDerivatives(xp);
    } else {
        derivativeSums(t, varGroup::Xp);
    }
    if (consistency == consistencyState::consistent) {
        ivalDb out = evaluateTree(t, evalMode::Out, options);
        if (meanValue && !hasNaN(out)) {
            const meanValueBounds centred = meanValueForm(t, xi.empty());
            if (!hasNaN(centred.outer)) out = meet(out, centred.outer);
            // Both inner bounds fix the universal variables at the same
            // point only when the natural one set each at its midpoint (and
            // read the strip's Xp domains, which must be the cell's).
            if (!hasNaN(centred.inner) && !hasNaN(tw.getInn()) && sameXp &&
                innerAtMidpoints(stripXp, options))
                tw.setInn(join(tw.getInn(), centred.inner));
        }
        tw.setOut(out);
    } else if (consistency == consistencyState::undecided) {
        ivalDb out = evaluateTree(t, evalMode::Prop, options);
        // Where every variable is universal, the mean-value form over the
        // whole cell encloses the objective over its part where the
        // constraints hold as well; its inner bound says nothing there.
        if (meanValue && xi.empty() && !hasNaN(out)) {
            const meanValueBounds centred = meanValueForm(t, xi.empty());
            if (!hasNaN(centred.outer)) out = meet(out, centred.outer);
        }
        tw.setOut(out);
    }
    undefinedPoints = t.undefinedSeen;
    t.undefinedSeen = undefinedBefore || undefinedPoints;
    if (undefinedPoints) {
        // The inner evaluation restricts each undefined operation's argument
        // on its own, not the variables it shares with the rest of the
        // function: over such a cell it claims nothing.
        tw.setInn(ivalNaN());
        bisectDim = widestCuttable(xi, false, false);
    }
    tw.computeTol();
}

bool cell::allXiMonotonic() const noexcept {
    if (undefinedPoints) return false;
    for (const auto& v : xi)
        if (!v.totalMono) return false;
    return true;
}

double cell::width() const noexcept {
    if (bisectDim < 0 || bisectDim >= static_cast<int>(xi.size())) return -kInf;
    return xi[static_cast<std::size_t>(bisectDim)].domain.width();
}

void cell::printBox(std::ostream& os, int level, regionText r) const {
    if (level == 1) modal::printBox(os, boxOf(*this), r);
}

consistencyState cell::check(model& m, bool forwardBackward) const {
    return checkConstraints(m, xp, xi, forwardBackward);
}

} // namespace modal
