// One press of "Generar Resultats": either one pass with a given insulin
// sensitivity and meal absorption time, or the optimisation grid followed by
// a final pass with the chosen pair. The final pass keeps everything the
// result tables show.
#pragma once

#include "glucosim/core/areas.h"
#include "glucosim/core/criteria.h"
#include "glucosim/core/data_files.h"
#include "glucosim/core/optimisation.h"
#include "glucosim/core/roc.h"
#include "interval/ivalDb.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace glucosim {

enum class Mode { ConcreteValues, Optimisation };

struct ExperimentResult {
    ExperimentRow row;                               // the experiment as read
    std::array<modal::ivalDb, kSamples + 1> glucose; // G[-1..299], slot 0 = basal interval
    std::array<double, kSamples> measured{};         // measured glucose of minutes 0..299
    HypoHyperAreas areas;
    double realHypoArea = 0.0;
    double simulatedHypoArea = 0.0;
    // The first minute whose simulated glucose is not finite (its areas are
    // then NaN), or -1.
    int firstNonFiniteMinute = -1;
};

struct Results {
    Mode mode = Mode::ConcreteValues;
    Criterion criterion = Criterion::Qualitative;
    int patient = 0;
    modal::ivalDb si;           // the Si interval of the final pass
    double tmax = 0.0;          // the absorption time of the final pass
    std::vector<GridPair> grid; // 391 pairs in optimisation mode, else empty
    int chosenPair = -1;
    int nonFinitePairs = 0;                    // grid pairs left out of the choice
    std::vector<ExperimentResult> experiments; // 24
    RocTable roc;
    std::vector<std::string> inputFiles; // the data files the results come from

    double siMidpoint() const { return si.inf() + (si.sup() - si.inf()) * 0.5; }
};

// Si = [s 10^-4 (1 - 30/100), s 10^-4 (1 + 30/100)] for a sensitivity s given
// in units of 10^-4.
modal::ivalDb concreteSensitivity(double s);

Results computeWithValues(const DataSet& data, double sensitivity, double tmax);
Results computeWithOptimisation(const DataSet& data, Criterion criterion,
                                const ProgressCallback& progress = {});

// The two fields of the concrete values mode, read with ',' or '.' as the
// decimal separator. A text that is not a number, a negative sensitivity or
// an absorption time that is not positive gives the reset values s = 1.0 and
// T = 40.0 with `corrected` set: the caller shows kValuesErrorText followed
// by `details` and puts kResetSensText / kResetTmaxText back into the fields.
struct ConcreteValues {
    double sensitivity = 1.0;
    double tmax = 40.0;
    bool corrected = false;
    // One line for each field that was refused, saying why, then the values
    // the computation uses instead.
    std::string details;
};
ConcreteValues readConcreteValues(std::string_view sensText, std::string_view tmaxText);

inline constexpr const char* kValuesErrorText = "Els valors entrats no són correctes.";
inline constexpr const char* kResetSensText = "1,0";
inline constexpr const char* kResetTmaxText = "40,0";
inline constexpr const char* kInitialSensText = "1,0";
inline constexpr const char* kInitialTmaxText = "35,0";

// "Resultats experiments pacient 3 amb Si=0,00045 i TmaxG=35".
std::string resultsCaption(const Results& results);

// One Catalan sentence for each experiment of the final pass whose simulated
// glucose is not finite, naming the experiment and the first such minute,
// and one for grid pairs that were left out. Empty when all is finite.
std::vector<std::string> nonFiniteWarnings(const Results& results);

} // namespace glucosim
