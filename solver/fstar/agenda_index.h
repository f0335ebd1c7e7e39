// Ordered records of the bounds of the strips on the F* agenda, kept up to
// date as strips are added, changed and removed, so that the global twin, the
// strips that the global twin excludes and the strips that define its bounds
// are found without a pass over the agenda.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <list>
#include <map>
#include <memory>
#include <memory_resource>
#include <set>
#include <unordered_map>
#include <vector>

#include "interval/twin.h"
#include "solver/fstar/strip.h"

namespace modal {

class agendaIndex {
public:
    using stripIter = std::pmr::list<strip>::iterator;

    // Why the rebuild of the candidates removes a strip from the agenda.
    enum class removal : std::uint8_t { none, inconsistent, inclusion };

    struct removedStrip {
        stripIter it;
        removal reason;
    };

    agendaIndex();
    agendaIndex(const agendaIndex&) = delete;
    agendaIndex& operator=(const agendaIndex&) = delete;

    void clear();
    // Records a strip of the agenda, or refreshes what is recorded of it (its
    // twin's bounds, joinFlag and consistencyMark). A strip recorded for the
    // first time counts as the last of the agenda: strips are appended to the
    // agenda and recorded before the next one is appended.
    void record(stripIter s);
    // Forgets a strip that leaves the agenda (nothing when it is unknown).
    void forget(const strip& s);
    std::size_t size() const noexcept { return slots_.size(); }

    // The bounds of the join, in agenda order, of `accumulated` and the
    // recorded strips (for inn only the strips with joinFlag): the same
    // values, signed zeros and NaNs included, as joining them one by one.
    ivalDb joinedInn(const ivalDb& accumulated) const;
    ivalDb joinedOut(const ivalDb& accumulated) const;

    // Calls `f` on each strip recorded since the last call, once.
    template <class F> void forEachRecordedSince(F&& f) {
        for (const strip* key : recorded_) {
            const auto found = slots_.find(key);
            if (found == slots_.end() || !found->second.recent) continue;
            found->second.recent = false;
            f(*found->second.it);
        }
        recorded_.clear();
    }

    // Appends the strips whose outer bound lies beyond `inn` by more than
    // `tol` on a bound `optim` seeks (every strip with a number there when
    // that bound of `inn` is NaN), those lying furthest first, at most
    // `count` of them for each bound sought; for both bounds, those of the
    // lower bound first and then the others.
    void open(const ivalDb& inn, double tol, optimBound optim, std::size_t count,
              std::vector<stripIter>& out) const;

    // Whether `rebuild` can answer for the global twin `g` and the bound(s)
    // `optim` selects: not when a bound of g that the candidate tests read is
    // NaN, for then every strip is a candidate.
    static bool answers(const twin& g, optimBound optim) noexcept;
    // The strips of the agenda that the candidate rebuild against `g` removes
    // (consistencyMark 1, or excluded by the inclusion test), and the others
    // that define a bound of g, both in agenda order. Requires answers(g).
    void rebuild(const twin& g, optimBound optim, std::vector<removedStrip>& removed,
                 std::vector<stripIter>& candidates);

private:
    struct slot;
    struct boundKey {
        double v;
        std::uint64_t seq;
        slot* s;
        bool nan;
    };
    static constexpr std::uint64_t kLastSeq = std::numeric_limits<std::uint64_t>::max();
    static boundKey keyOf(double v, slot* s) noexcept;
    // Numbers before NaNs. Numbers in order of `Better` (of equal ones, -0 and
    // +0 alike, the earlier strip first); NaNs in agenda order.
    template <class Better> struct order {
        static bool better(double a, double b) noexcept { return Better{}(a, b); }
        bool operator()(const boundKey& a, const boundKey& b) const noexcept {
            if (a.nan != b.nan) return b.nan;
            if (a.nan) return a.seq < b.seq;
            return Better{}(a.v, b.v) || (!Better{}(b.v, a.v) && a.seq < b.seq);
        }
    };
    using ascending = order<std::less<double>>;
    using descending = order<std::greater<double>>;

    // One bound of the recorded strips.
    template <class Order> struct boundSet {
        using set = std::pmr::set<boundKey, Order>;
        set keys;
        explicit boundSet(std::pmr::memory_resource* r) : keys(r) {}
        // The fold of the lattice operation (min for ascending, max for
        // descending) from `acc` over the recorded values in agenda order: a
        // NaN gives way to the next value, so it is the best of the numbers
        // (the earliest of equal ones), `acc` first; with no number at all,
        // the last NaN met.
        double fold(double acc) const;
        // Appends the strips whose value equals `v`, then those whose value
        // is NaN, each run in agenda order, and the end of each run.
        void matching(double v, std::vector<slot*>& out, std::vector<std::size_t>& runEnds) const;
        // First position of the numbers strictly beyond `v` (above it when
        // ascending, below it when descending); they end at the first NaN.
        auto beyond(double v) const {
            return keys.upper_bound(boundKey{v, kLastSeq, nullptr, false});
        }
        static bool isEnd(typename set::const_iterator it, const set& k) {
            return it == k.end() || it->nan;
        }
    };
    using ascIter = boundSet<ascending>::set::iterator;
    using descIter = boundSet<descending>::set::iterator;

    struct slot {
        stripIter it;
        std::uint64_t seq = 0;
        double innInf = 0, innSup = 0, outInf = 0, outSup = 0;
        bool join = false;
        bool inconsistent = false;
        bool recent = false;
        removal removing = removal::none;
        // Positions in the sets; inn's bounds are in the joined or the other
        // set by `join`.
        ascIter innInfAt, outInfAt;
        descIter innSupAt, outSupAt;
    };

    // Puts the strip's values into the sets, or takes them out; `record`
    // moves only the bounds that changed.
    void add(slot& s);
    void remove(slot& s);
    static void place(boundSet<ascending>& b, ascIter& at, double v, slot& s);
    static void place(boundSet<descending>& b, descIter& at, double v, slot& s);
    boundSet<ascending>& innInfSet(bool join) { return join ? joinedInnInf_ : otherInnInf_; }
    boundSet<descending>& innSupSet(bool join) { return join ? joinedInnSup_ : otherInnSup_; }

    std::unique_ptr<std::pmr::unsynchronized_pool_resource> pool_;
    std::pmr::unordered_map<const strip*, slot> slots_;
    std::vector<const strip*> recorded_;
    std::uint64_t nextSeq_ = 0;
    boundSet<ascending> outInf_, joinedInnInf_, otherInnInf_;
    boundSet<descending> outSup_, joinedInnSup_, otherInnSup_;
    // Strips with consistencyMark 1, in agenda order.
    std::pmr::map<std::uint64_t, slot*> inconsistent_;
    std::vector<slot*> marked_;
    std::vector<slot*> found_;
    std::vector<std::size_t> runEnds_;
};

} // namespace modal
