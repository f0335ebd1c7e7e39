// The four criteria that compare the real hypoglycaemia areas of the
// experiments with the simulated ones, and the fit of the band to the
// measured glucose.
#pragma once

#include <string>
#include <string_view>

namespace glucosim {

// The items of "Tipus optimització", in order, and the fit criterion added
// after them: the pair whose band holds the most measured samples.
enum class Criterion {
    WeightedQualitative = 0,
    SqrtDifference = 1,
    Qualitative = 2,
    LogSqrtDifference = 3,
    Coverage = 4
};

inline constexpr int kCriteria = 5;

// The items' captions, in the order of Criterion.
inline constexpr std::string_view kCriterionCaptions[kCriteria] = {
    "Pr.Qualitatiu amb pes", "sqrt (| X^2-Y^2 |)", "Qualitatiu", "log[sqrt (| X^2-Y^2 |)]",
    "Cobertura màxima"};

// The item's caption, e.g. "sqrt (| X^2-Y^2 |)".
std::string criterionName(Criterion c);

// True for the criteria kept as the two partial sums "J Esp." and "J Sens.".
inline bool hasPartialSums(Criterion c) {
    return c == Criterion::WeightedQualitative || c == Criterion::Qualitative;
}

// Class of an area: 2 from 10 up, 1 from 3 up, else 0.
int areaClass(double area);

// The sums of one grid pair over the experiments.
struct CriterionSums {
    double sum = 0.0;
    double jEsp = 0.0;  // experiments whose real area exceeds the simulated one
    double jSens = 0.0; // the others

    // Adds one experiment with real area `real` and simulated area `simulated`
    // (nothing for Coverage, which the grid measures on the band itself).
    void add(Criterion c, double real, double simulated);

    // The pair's value: the sum, or the mean of the two partial sums.
    double value(Criterion c) const { return hasPartialSums(c) ? (jEsp + jSens) * 0.5 : sum; }
};

} // namespace glucosim
