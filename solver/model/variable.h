// Problem variables and their incidences (one per occurrence in a function).
//
// An incidence keeps only what belongs to the occurrence itself: the
// enclosure of the partial derivative with respect to it and the sign deduced
// from it. Everything it shares with its variable (domain, global sign, total
// monotonicity, single-incidence flag) is reached through an `incidenceSlot`,
// a (variable, occurrence) handle. Incidences therefore hold no pointer into
// their variable, and copying or moving a variable (into any container, or
// by container growth) can never leave an incidence pointing into the old
// object.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "interval/ivalDb.h"

namespace modal {

// Sign of a derivative enclosure: 0 when a bound is NaN, 1 when the infimum is
// >= 0, 0 when the supremum is > 0, else -1. Improper [1, -1] gives 1.
int signOf(const ivalDb& d) noexcept;

struct incidence {
    ivalDb derivative; // [-inf, +inf] until evaluated
    int sign = 0;

    bool isMonotone() const noexcept { return sign == 1 || sign == -1; }
};

class variable {
public:
    // Empty name, domain [-inf, +inf], no incidences.
    variable() = default;
    // `count` default incidences; singleIncidence is (count == 1).
    variable(int count, const ivalDb& domain, std::string name);

    // A copy takes name, domain, signs and flags of the variable, but starts
    // with as many fresh incidences as the source (derivatives and signs are
    // not copied).
    variable(const variable& other);
    // Assignment resizes the incidences to the source's count: records already
    // there keep their derivative and sign, added ones are fresh.
    variable& operator=(const variable& other);
    // Moving keeps everything, incidences included.
    variable(variable&&) noexcept = default;
    variable& operator=(variable&&) noexcept = default;

    // Makes this variable equal to variable(count, domain, name), keeping the
    // storage of its name and incidences.
    void reset(int count, const ivalDb& domain, const std::string& name);
    // The same but for the name, which is left as it is.
    void renew(int count, const ivalDb& domain);
    // Makes this variable equal to a copy of `other` (fresh incidences),
    // keeping the storage of its name and incidences.
    void assignFresh(const variable& other);

    std::string name;
    ivalDb domain;
    std::vector<incidence> incidences;
    int globalSign = 0;
    bool totalMono = false;
    ivalDb globalDerivative;
    bool singleIncidence = false;

    incidence& getIncidence(int i) { return incidences[static_cast<std::size_t>(i)]; }
    const incidence& getIncidence(int i) const { return incidences[static_cast<std::size_t>(i)]; }
    int incidenceCount() const noexcept { return static_cast<int>(incidences.size()); }

    // Signs from the current enclosures: globalSign from globalDerivative, each
    // incidence's sign from its derivative, then totalMono = (globalSign != 0
    // and every incidence is monotone).
    void refreshMonotony() noexcept;
};

// Gives the groups `xp` and `xi` the sizes `nXp` and `nXi`, reusing the
// variables they hold (their storage, not their values): groups of those
// sizes are kept as they are, groups of each other's sizes are swapped, and
// otherwise the variables are dealt out again in order. `spare` is scratch
// storage kept by the caller between calls.
void resizeGroups(std::vector<variable>& xp, std::vector<variable>& xi, std::size_t nXp,
                  std::size_t nXi, std::vector<variable>& spare);

// Makes the groups `xp` and `xi` equal to copies (fresh incidences) of
// `fromXp` and `fromXi`, reusing the variables either group held.
void assignFresh(std::vector<variable>& xp, std::vector<variable>& xi,
                 const std::vector<variable>& fromXp, const std::vector<variable>& fromXi,
                 std::vector<variable>& spare);

// The incidence a "var" leaf reads: occurrence `occ` of variable `var`.
// A null `var` is an unbound slot.
struct incidenceSlot {
    variable* var = nullptr;
    int occ = 0;

    bool bound() const noexcept { return var != nullptr; }
    incidence& get() const { return var->getIncidence(occ); }
    const ivalDb& derivative() const { return get().derivative; }
    int sign() const { return get().sign; }
    const ivalDb& domain() const noexcept { return var->domain; }
    int globalSign() const noexcept { return var->globalSign; }
    bool totalMono() const noexcept { return var->totalMono; }
    bool pointFlag() const noexcept { return var->singleIncidence; }
    bool isMonotone() const { return get().isMonotone(); }
    bool isProperDomain() const noexcept { return isProper(var->domain); }
};

} // namespace modal
