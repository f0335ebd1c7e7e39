#include "interval/twin.h"

#include <cmath>
#include <ostream>

namespace modal {

namespace {

// Infinite here means not strictly between -inf and +inf, so NaN counts too.
bool notFinite(double x) noexcept {
    return !(x > -kInf && x < kInf);
}

ivalDb fromLetter(char c) noexcept {
    return c == 'd' ? ivalDualEntire() : ivalEntire();
}

bool isModeLetter(char c) noexcept {
    return c == 'n' || c == 'd';
}

} // namespace

twin::twin(std::string_view mode) noexcept : inn_(ivalEntire()), out_(ivalEntire()) {
    if (mode.size() == 2 && isModeLetter(mode[0]) && isModeLetter(mode[1])) {
        inn_ = fromLetter(mode[0]);
        out_ = fromLetter(mode[1]);
    }
}

double twin::lowerDistance() const noexcept {
    if (notFinite(inn_.inf()) || notFinite(out_.inf())) return kInf;
    return std::fabs(inn_.inf() - out_.inf());
}

double twin::upperDistance() const noexcept {
    if (notFinite(inn_.sup()) || notFinite(out_.sup())) return kInf;
    return std::fabs(inn_.sup() - out_.sup());
}

bool twin::hasInfiniteBound() const noexcept {
    return notFinite(inn_.inf()) || notFinite(inn_.sup()) || notFinite(out_.inf()) ||
           notFinite(out_.sup());
}

void twin::computeTol() noexcept {
    if (hasInfiniteBound()) {
        tol_ = kInf;
        return;
    }
    tol_ = std::fmax(std::fabs(out_.inf() - inn_.inf()), std::fabs(out_.sup() - inn_.sup()));
}

void twin::print(std::ostream& os, int level) const {
    if (level <= 0) return;
    os << "Twin: "
       << "Inn:" << inn_ << '\n';
    os << "      "
       << "Out:" << out_ << '\n';
    os << "Tol:" << tol_ << '\n';
}

std::ostream& operator<<(std::ostream& os, const twin& t) {
    os << "Twin:"
       << ": "
       << "Inn:" << t.getInn() << std::endl;
    os << "       "
       << "Out:" << t.getOut() << std::endl;
    os << "Tol:" << t.getTol() << std::endl;
    return os;
}

} // namespace modal
