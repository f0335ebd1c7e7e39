#include "solver/contract/box_contractor.h"

#include <cmath>
#include <utility>

#include "solver/model/projection_rules.h"

namespace modal {

namespace {

// Rounds of contraction by all constraints stop once no domain lost more
// than this fraction of its width in a round.
constexpr double kProgress = 0.05;
constexpr int kMaxRounds = 16;

} // namespace

void boxContractor::add(relationContractor relation, std::vector<int> boxPositions,
                        std::vector<int> treeVariables, std::vector<ivalDb> domains) {
    domains.resize(static_cast<std::size_t>(relation.variableCount()), ivalEntire());
    for (ivalDb& d : domains)
        d = hasNaN(d) ? ivalEntire() : prop(d);
    constraints_.push_back(constraint{std::move(relation), std::move(boxPositions),
                                      std::move(treeVariables), std::move(domains)});
}

bool boxContractor::contractOne(constraint& c, box& b, bool complement) {
    scratch_ = c.domains;
    for (std::size_t k = 0; k < c.boxPositions.size(); ++k)
        scratch_[static_cast<std::size_t>(c.treeVariables[k])] = b[c.boxPositions[k]].domain;
    if (!c.relation.contract(scratch_, complement)) return false;
    for (std::size_t k = 0; k < c.boxPositions.size(); ++k)
        b[c.boxPositions[k]].domain = scratch_[static_cast<std::size_t>(c.treeVariables[k])];
    return true;
}

bool boxContractor::contractToConstraints(box& b) {
    for (int round = 0; round < kMaxRounds; ++round) {
        bool progress = false;
        for (constraint& c : constraints_) {
            hull_.clear();
            for (int i = 0; i < b.size(); ++i)
                hull_.push_back(b[i].domain);
            if (!contractOne(c, b, false)) return false;
            for (int i = 0; i < b.size(); ++i) {
                const double before = hull_[static_cast<std::size_t>(i)].width();
                if (b[i].domain.width() < before * (1 - kProgress)) progress = true;
            }
        }
        if (!progress) break;
    }
    return true;
}

bool boxContractor::contractToComplement(box& b) {
    // The hull, over the constraints, of the points where each may fail;
    // each constraint's complement contracted from the whole box.
    const int n = b.size();
    std::vector<ivalDb>& whole = whole_;
    whole.clear();
    for (int i = 0; i < n; ++i)
        whole.push_back(b[i].domain);
    bool any = false;
    hull_.assign(static_cast<std::size_t>(n), ivalDb::exact(kInf, -kInf));
    for (constraint& c : constraints_) {
        for (int i = 0; i < n; ++i)
            b[i].domain = whole[static_cast<std::size_t>(i)];
        bool kept = true;
        for (int round = 0; round < kMaxRounds && kept; ++round) {
            std::vector<double>& before = widths_;
            before.clear();
            for (int i = 0; i < n; ++i)
                before.push_back(b[i].domain.width());
            kept = contractOne(c, b, true);
            bool progress = false;
            for (int i = 0; kept && i < n; ++i)
                if (b[i].domain.width() < before[static_cast<std::size_t>(i)] * (1 - kProgress))
                    progress = true;
            if (!progress) break;
        }
        if (!kept) continue;
        any = true;
        for (int i = 0; i < n; ++i) {
            ivalDb& h = hull_[static_cast<std::size_t>(i)];
            h = isEmptySet(h) ? b[i].domain : join(h, b[i].domain);
        }
    }
    for (int i = 0; i < n; ++i)
        b[i].domain = any ? hull_[static_cast<std::size_t>(i)] : whole[static_cast<std::size_t>(i)];
    return any;
}

} // namespace modal
