#include "glucosim/core/criteria.h"

#include "glucosim/core/settings.h"

#include <cmath>

namespace glucosim {

std::string criterionName(Criterion c) {
    return std::string(kCriterionCaptions[static_cast<int>(c)]);
}

int areaClass(double area) {
    if (area >= 10) return 2;
    if (area >= 3) return 1;
    return 0;
}

void CriterionSums::add(Criterion c, double real, double simulated) {
    const double a = real, b = simulated;
    double& partial = a > b ? jEsp : jSens;
    switch (c) {
    case Criterion::WeightedQualitative: {
        // The difference counts in full within a class and is weighted up by
        // the class penalty when the classes disagree: |a - b| (1 + penalty).
        // A difference of 40 between two severe areas still counts, while a
        // small difference across a class border counts more than its size.
        const int penalty = kClassPenalty[static_cast<std::size_t>(areaClass(a))]
                                         [static_cast<std::size_t>(areaClass(b))];
        partial += std::fabs(a - b) * (1 + penalty);
        break;
    }
    case Criterion::SqrtDifference:
        sum += std::sqrt(std::fabs(std::pow(a, 2) - std::pow(b, 2)));
        break;
    case Criterion::Qualitative:
        partial += kClassPenalty[static_cast<std::size_t>(areaClass(a))]
                                [static_cast<std::size_t>(areaClass(b))];
        break;
    case Criterion::LogSqrtDifference: {
        const double d = std::fabs(std::pow(a, 2) - std::pow(b, 2));
        if (d >= 1) sum += std::log10(std::sqrt(d));
        break;
    }
    case Criterion::Coverage:
        break;
    }
}

} // namespace glucosim
