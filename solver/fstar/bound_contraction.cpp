#include "solver/fstar/bound_contraction.h"

#include "solver/model/projection_rules.h"

#include <cmath>

namespace modal {

namespace {

// Forward-backward rounds over the constraints and the objective, at most;
// the rounds stop sooner once the box hardly shrinks.
constexpr int kRounds = 4;

double totalWidth(const std::vector<ivalDb>& b) {
    double w = 0;
    for (const ivalDb& d : b)
        w += d.width();
    return w;
}

} // namespace

void boundContraction::prepare(const model& m) {
    const tree& t = m.fn;
    objective_ =
        t.root == noNode ? relationContractor() : relationContractor(t, t.root, comparison::le);
    constraintVariables_.clear();
    for (const model& c : m.constraints) {
        std::vector<int> map(static_cast<std::size_t>(c.fn.variableCount()), -1);
        for (std::size_t v = 0; v < map.size(); ++v)
            map[v] = t.findVariable(c.fn.varNodes[v].label);
        constraintVariables_.push_back(std::move(map));
    }
}

bool boundContraction::contract(model& m, std::vector<variable>& xp, const std::vector<int>& xpMap,
                                double upTo, double downTo) {
    const auto n = static_cast<std::size_t>(m.fn.variableCount());
    box_.assign(n, ivalEntire());
    for (std::size_t i = 0; i < xp.size() && i < xpMap.size(); ++i)
        if (xpMap[i] >= 0 && static_cast<std::size_t>(xpMap[i]) < n)
            box_[static_cast<std::size_t>(xpMap[i])] = xp[i].domain;
    const bool up = !std::isnan(upTo);
    const bool down = !std::isnan(downTo);
    for (int round = 0; round < kRounds; ++round) {
        const double before = totalWidth(box_);
        std::size_t k = 0;
        for (model& c : m.constraints) {
            if (k >= constraintVariables_.size()) break;
            const std::vector<int>& map = constraintVariables_[k++];
            if (c.contraction.relation() == comparison::none) continue;
            scratch_.resize(map.size());
            for (std::size_t v = 0; v < map.size(); ++v)
                scratch_[v] = map[v] >= 0 ? box_[static_cast<std::size_t>(map[v])]
                                          : prop(c.fn.varNodes[v].value);
            if (!c.contraction.contract(scratch_, false)) return false;
            for (std::size_t v = 0; v < map.size(); ++v)
                if (map[v] >= 0) {
                    ivalDb& d = box_[static_cast<std::size_t>(map[v])];
                    d = meet(d, scratch_[v]);
                }
        }
        if (up || down) {
            // The box keeps the hull of the points that can reach either
            // bound sought.
            bool any = false;
            if (up) {
                low_ = box_;
                any = objective_.contractTo(low_, ivalDb::exact(-kInf, upTo));
            }
            if (down) {
                high_ = box_;
                const bool reaches = objective_.contractTo(high_, ivalDb::exact(downTo, kInf));
                if (reaches && any)
                    for (std::size_t v = 0; v < n; ++v)
                        low_[v] = join(low_[v], high_[v]);
                else if (reaches)
                    low_ = high_;
                any = any || reaches;
            }
            if (!any) return false;
            box_ = low_;
        }
        if (!(totalWidth(box_) < 0.9 * before)) break;
    }
    for (std::size_t i = 0; i < xp.size() && i < xpMap.size(); ++i)
        if (xpMap[i] >= 0 && static_cast<std::size_t>(xpMap[i]) < n) {
            const ivalDb& d = box_[static_cast<std::size_t>(xpMap[i])];
            if (isEmptySet(d) || hasNaN(d)) return false;
            xp[i].domain = d;
        }
    return true;
}

} // namespace modal
