// The pair of inner and outer approximations of a modal range, with the
// distance between them.
#pragma once

#include <iosfwd>
#include <string_view>

#include "interval/ivalDb.h"

namespace modal {

class twin {
public:
    // inn = [+inf, -inf], out = [-inf, +inf], tol = +inf.
    twin() noexcept : inn_(ivalDualEntire()), out_(ivalEntire()) {}
    // Two letters, for inn then out: 'n' is [-inf, +inf], 'd' is [+inf, -inf].
    // Any other string leaves both at [-inf, +inf].
    explicit twin(std::string_view mode) noexcept;

    const ivalDb& getInn() const noexcept { return inn_; }
    const ivalDb& getOut() const noexcept { return out_; }
    void setInn(const ivalDb& x) noexcept { inn_ = x; }
    void setOut(const ivalDb& x) noexcept { out_ = x; }
    double getTol() const noexcept { return tol_; }

    // [out.inf, inn.inf] and [inn.sup, out.sup].
    ivalDb minTwin() const noexcept { return ivalDb::exact(out_.inf(), inn_.inf()); }
    ivalDb maxTwin() const noexcept { return ivalDb::exact(inn_.sup(), out_.sup()); }

    double lowerDistance() const noexcept;
    double upperDistance() const noexcept;
    void computeTol() noexcept;
    void computeLowerTol() noexcept { tol_ = lowerDistance(); }
    void computeUpperTol() noexcept { tol_ = upperDistance(); }
    bool hasInfiniteBound() const noexcept;

    // "Twin: Inn:" inn / "      Out:" out / "Tol:" tol, nothing when level <= 0.
    void print(std::ostream& os, int level) const;

private:
    ivalDb inn_;
    ivalDb out_;
    double tol_ = kInf;
};

// "Twin:: Inn:" inn / "       Out:" out / "Tol:" tol, each line flushed.
std::ostream& operator<<(std::ostream& os, const twin& t);

} // namespace modal
