#include "solver/model/variable.h"

#include <cmath>
#include <utility>

namespace modal {

int signOf(const ivalDb& d) noexcept {
    if (std::isnan(d.inf()) || std::isnan(d.sup())) return 0;
    if (d.inf() >= 0.0) return 1;
    if (d.sup() > 0.0) return 0;
    return -1;
}

variable::variable(int count, const ivalDb& dom, std::string nm)
    : name(std::move(nm)), domain(dom), incidences(count > 0 ? static_cast<std::size_t>(count) : 0),
      singleIncidence(count == 1) {}

variable::variable(const variable& other)
    : name(other.name), domain(other.domain), incidences(other.incidences.size()),
      globalSign(other.globalSign), totalMono(other.totalMono),
      globalDerivative(other.globalDerivative), singleIncidence(other.singleIncidence) {}

variable& variable::operator=(const variable& other) {
    if (this == &other) return *this;
    name = other.name;
    domain = other.domain;
    incidences.resize(other.incidences.size());
    globalSign = other.globalSign;
    totalMono = other.totalMono;
    globalDerivative = other.globalDerivative;
    singleIncidence = other.singleIncidence;
    return *this;
}

namespace {

// `n` incidences as a new variable has them, in the storage already there.
void freshIncidences(std::vector<incidence>& incs, std::size_t n) {
    if (incs.size() != n) {
        incs.assign(n, incidence{});
        return;
    }
    for (incidence& inc : incs)
        inc = incidence{};
}

} // namespace

void variable::reset(int count, const ivalDb& dom, const std::string& nm) {
    name = nm;
    renew(count, dom);
}

void variable::renew(int count, const ivalDb& dom) {
    domain = dom;
    freshIncidences(incidences, count > 0 ? static_cast<std::size_t>(count) : 0);
    globalSign = 0;
    totalMono = false;
    globalDerivative = ivalDb{};
    singleIncidence = count == 1;
}

void variable::assignFresh(const variable& other) {
    if (this == &other) return;
    reset(other.incidenceCount(), other.domain, other.name);
    globalSign = other.globalSign;
    totalMono = other.totalMono;
    globalDerivative = other.globalDerivative;
    singleIncidence = other.singleIncidence;
}

void resizeGroups(std::vector<variable>& xp, std::vector<variable>& xi, std::size_t nXp,
                  std::size_t nXi, std::vector<variable>& spare) {
    if (xp.size() == nXp && xi.size() == nXi) return;
    if (xp.size() == nXi && xi.size() == nXp) {
        xp.swap(xi);
        return;
    }
    spare.clear();
    for (variable& v : xp)
        spare.push_back(std::move(v));
    for (variable& v : xi)
        spare.push_back(std::move(v));
    xp.clear();
    xi.clear();
    std::size_t next = 0;
    auto deal = [&](std::vector<variable>& group, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) {
            if (next < spare.size())
                group.push_back(std::move(spare[next++]));
            else
                group.emplace_back();
        }
    };
    deal(xp, nXp);
    deal(xi, nXi);
}

void assignFresh(std::vector<variable>& xp, std::vector<variable>& xi,
                 const std::vector<variable>& fromXp, const std::vector<variable>& fromXi,
                 std::vector<variable>& spare) {
    resizeGroups(xp, xi, fromXp.size(), fromXi.size(), spare);
    for (std::size_t i = 0; i < fromXp.size(); ++i)
        xp[i].assignFresh(fromXp[i]);
    for (std::size_t i = 0; i < fromXi.size(); ++i)
        xi[i].assignFresh(fromXi[i]);
}

void variable::refreshMonotony() noexcept {
    globalSign = signOf(globalDerivative);
    bool all = true;
    for (auto& inc : incidences) {
        inc.sign = signOf(inc.derivative);
        if (!inc.isMonotone()) all = false;
    }
    totalMono = globalSign != 0 && all;
}

} // namespace modal
