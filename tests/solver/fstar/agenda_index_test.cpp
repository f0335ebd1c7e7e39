// The agenda index against the definitions it stands for: the global twin as
// the join of the strips one by one in agenda order, and the candidate
// rebuild as the test of each strip in turn, on random agendas whose bounds
// repeat, include both zeros and NaNs, and change, leave and arrive.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <list>
#include <memory_resource>
#include <random>
#include <vector>

#include "solver/fstar/agenda_index.h"

namespace modal {
namespace {

using stripList = std::pmr::list<strip>;

bool sameBits(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

bool equalOrNaN(double a, double b) {
    return a == b || std::isnan(a) || std::isnan(b);
}

// A bound from a small set, so that equal values, zeros of both signs and
// NaNs of both signs are frequent.
double pick(std::mt19937& g) {
    static const double values[] = {-2.0,
                                    -1.0,
                                    -0.0,
                                    0.0,
                                    1.0,
                                    2.0,
                                    3.0,
                                    std::numeric_limits<double>::quiet_NaN(),
                                    -std::numeric_limits<double>::quiet_NaN()};
    return values[std::uniform_int_distribution<int>(0, 8)(g)];
}

void randomize(strip& s, std::mt19937& g) {
    s.tw.setInn(ivalDb::exact(pick(g), pick(g)));
    s.tw.setOut(ivalDb::exact(pick(g), pick(g)));
    s.joinFlag = g() % 3 != 0;
    s.consistencyMark = static_cast<consistencyState>(g() % 7 == 0 ? 1 : g() % 3);
}

// The inclusion test of the solver, written out.
bool excluded(const twin& g, const twin& s, optimBound optim) {
    const ivalDb& gi = g.getInn();
    if (optim == optimBound::lower) return !std::isnan(gi.inf()) && gi.inf() < s.getOut().inf();
    if (optim == optimBound::upper) return !std::isnan(gi.sup()) && gi.sup() > s.getOut().sup();
    return s.getOut().inf() > gi.inf() && s.getOut().sup() < gi.sup();
}

TEST(AgendaIndex, MatchesTheJoinAndTheStripByStripTests) {
    std::mt19937 g(12345);
    int rebuilds = 0;
    for (int round = 0; round < 300; ++round) {
        stripList agenda;
        agendaIndex index;
        const twin acc = [&] {
            twin t;
            t.setInn(ivalDb::exact(pick(g), pick(g)));
            t.setOut(ivalDb::exact(pick(g), pick(g)));
            return t;
        }();
        const auto optim = static_cast<optimBound>(round % 3);
        for (int step = 0; step < 40; ++step) {
            // Change the agenda: append, change or remove a strip.
            const unsigned what = g() % 4;
            if (what <= 1 || agenda.empty()) {
                agenda.emplace_back();
                randomize(agenda.back(), g);
                index.record(std::prev(agenda.end()));
            } else {
                auto it = std::next(agenda.begin(), static_cast<long>(g() % agenda.size()));
                if (what == 2) {
                    randomize(*it, g);
                    index.record(it);
                } else {
                    index.forget(*it);
                    agenda.erase(it);
                }
            }

            ivalDb inn = acc.getInn(), out = acc.getOut();
            for (const strip& s : agenda) {
                if (s.joinFlag) inn = join(inn, s.tw.getInn());
                out = join(out, s.tw.getOut());
            }
            const ivalDb gotInn = index.joinedInn(acc.getInn());
            const ivalDb gotOut = index.joinedOut(acc.getOut());
            ASSERT_TRUE(sameBits(gotInn.inf(), inn.inf()) && sameBits(gotInn.sup(), inn.sup()) &&
                        sameBits(gotOut.inf(), out.inf()) && sameBits(gotOut.sup(), out.sup()))
                << "round " << round << " step " << step;

            twin gt;
            gt.setInn(inn);
            gt.setOut(out);
            if (!agendaIndex::answers(gt, optim)) continue;
            ++rebuilds;
            std::vector<agendaIndex::removedStrip> removed;
            std::vector<agendaIndex::stripIter> candidates;
            index.rebuild(gt, optim, removed, candidates);
            std::vector<agendaIndex::removedStrip> wantRemoved;
            std::vector<agendaIndex::stripIter> wantCandidates;
            for (auto it = agenda.begin(); it != agenda.end(); ++it) {
                const twin& s = it->tw;
                if (it->consistencyMark == consistencyState::inconsistent) {
                    wantRemoved.push_back({it, agendaIndex::removal::inconsistent});
                } else if (excluded(gt, s, optim)) {
                    wantRemoved.push_back({it, agendaIndex::removal::inclusion});
                } else if ((optim != optimBound::upper &&
                            (equalOrNaN(inn.inf(), s.getInn().inf()) ||
                             equalOrNaN(s.getOut().inf(), out.inf()))) ||
                           (optim != optimBound::lower &&
                            (equalOrNaN(inn.sup(), s.getInn().sup()) ||
                             equalOrNaN(s.getOut().sup(), out.sup())))) {
                    wantCandidates.push_back(it);
                }
            }
            ASSERT_EQ(candidates, wantCandidates) << "round " << round << " step " << step;
            ASSERT_EQ(removed.size(), wantRemoved.size());
            for (std::size_t i = 0; i < removed.size(); ++i) {
                EXPECT_EQ(removed[i].it, wantRemoved[i].it);
                EXPECT_EQ(removed[i].reason, wantRemoved[i].reason);
            }
            // Do what the solver does with them.
            for (const auto& r : removed) {
                index.forget(*r.it);
                agenda.erase(r.it);
            }
        }
    }
    EXPECT_GT(rebuilds, 1000);
}

} // namespace
} // namespace modal
