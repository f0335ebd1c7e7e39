#include "glucosim/core/simulation.h"

#include "glucosim/core/model_steps.h"

namespace glucosim {

ivalDb sensitivityInterval(double nominal) {
    return spreadInterval(nominal, kSiSpread);
}

void simulateExperiment(const PatientParameters& params, const ExperimentInput& input,
                        const ivalDb& si, double tmax, Trajectory& out) {
    InsulinDepot depot = InsulinDepot::basal(input.basalInsulin);
    const ivalDb basalInsulin = pt(input.basalInsulin * params.insulinGain() / params.clearance());
    const ivalDb gb = basalGlucoseInterval(input.basalGlucose);
    const ivalDb d = carbohydrateInterval(input.carbohydrates);
    const ivalDb sgStep = glucoseEffectiveness(params.sg()) * pt(kStep);
    const ivalDb xDecay = pt(1 - params.p2() * kStep);
    const ivalDb xGain = (pt(params.p2()) * si) * pt(kStep);
    const ivalDb iDecay = pt(1 - params.clearance() * kStep);
    const ivalDb iGain = pt(params.insulinGain());

    out.glucose[0] = gb;
    out.remoteInsulin[0] = pt(0);
    out.insulin[0] = basalInsulin;
    out.areas = {};
    for (int n = 0; n < kSamples; ++n) {
        const auto k = static_cast<std::size_t>(n);
        const ivalDb rai = depot.step(insulinDelivery(n, input.bolus, input.basalInsulin));
        const ivalDb ra = mealAppearance(d, n, tmax);
        out.insulinAppearance[k] = rai;
        out.mealAppearance[k] = ra;
        out.glucose[k + 1] =
            nextGlucose(sgStep, gb, out.glucose[k], remoteFactor(out.remoteInsulin[k]),
                        mealTerm(ra, params.vg()));
        out.remoteInsulin[k + 1] =
            nextRemoteInsulin(out.remoteInsulin[k], xDecay, xGain, out.insulin[k], basalInsulin);
        out.insulin[k + 1] = nextInsulin(out.insulin[k], iDecay, iGain, rai);
        out.areas.addMinute(n, out.glucose[k], out.glucose[k + 1]);
    }
}

} // namespace glucosim
