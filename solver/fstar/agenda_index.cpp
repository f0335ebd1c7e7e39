#include "solver/fstar/agenda_index.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace modal {

namespace {

bool sameBits(double a, double b) noexcept {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

} // namespace

agendaIndex::boundKey agendaIndex::keyOf(double v, slot* s) noexcept {
    return boundKey{v, s->seq, s, std::isnan(v)};
}

template <class Order> double agendaIndex::boundSet<Order>::fold(double acc) const {
    if (keys.empty()) return acc;
    const boundKey& first = *keys.begin();
    if (!first.nan) {
        if (std::isnan(acc)) return first.v;
        return Order::better(first.v, acc) ? first.v : acc;
    }
    // Only NaNs.
    return std::isnan(acc) ? keys.rbegin()->v : acc;
}

template <class Order>
void agendaIndex::boundSet<Order>::matching(double v, std::vector<slot*>& out,
                                            std::vector<std::size_t>& runEnds) const {
    for (auto it = keys.lower_bound(boundKey{v, 0, nullptr, false});
         !isEnd(it, keys) && !Order::better(v, it->v); ++it)
        out.push_back(it->s);
    runEnds.push_back(out.size());
    for (auto it = keys.lower_bound(boundKey{0.0, 0, nullptr, true}); it != keys.end(); ++it)
        out.push_back(it->s);
    runEnds.push_back(out.size());
}

agendaIndex::agendaIndex()
    : pool_(std::make_unique<std::pmr::unsynchronized_pool_resource>()), slots_(pool_.get()),
      outInf_(pool_.get()), joinedInnInf_(pool_.get()), otherInnInf_(pool_.get()),
      outSup_(pool_.get()), joinedInnSup_(pool_.get()), otherInnSup_(pool_.get()),
      inconsistent_(pool_.get()) {}

void agendaIndex::clear() {
    // A solver run on many boxes clears an empty index at the start of most
    // runs: every bound and mark belongs to a recorded strip, so there is
    // nothing to wipe (clearing the empty table would still wipe its buckets).
    if (slots_.empty()) {
        recorded_.clear();
        nextSeq_ = 0;
        return;
    }
    for (auto* b : {&outInf_, &joinedInnInf_, &otherInnInf_})
        b->keys.clear();
    for (auto* b : {&outSup_, &joinedInnSup_, &otherInnSup_})
        b->keys.clear();
    inconsistent_.clear();
    slots_.clear();
    recorded_.clear();
    nextSeq_ = 0;
}

void agendaIndex::place(boundSet<ascending>& b, ascIter& at, double v, slot& s) {
    at = b.keys.insert(keyOf(v, &s)).first;
}

void agendaIndex::place(boundSet<descending>& b, descIter& at, double v, slot& s) {
    at = b.keys.insert(keyOf(v, &s)).first;
}

void agendaIndex::add(slot& s) {
    place(innInfSet(s.join), s.innInfAt, s.innInf, s);
    place(innSupSet(s.join), s.innSupAt, s.innSup, s);
    place(outInf_, s.outInfAt, s.outInf, s);
    place(outSup_, s.outSupAt, s.outSup, s);
    if (s.inconsistent) inconsistent_.emplace(s.seq, &s);
}

void agendaIndex::remove(slot& s) {
    innInfSet(s.join).keys.erase(s.innInfAt);
    innSupSet(s.join).keys.erase(s.innSupAt);
    outInf_.keys.erase(s.outInfAt);
    outSup_.keys.erase(s.outSupAt);
    if (s.inconsistent) inconsistent_.erase(s.seq);
}

void agendaIndex::record(stripIter it) {
    const strip& st = *it;
    const double innInf = st.tw.getInn().inf();
    const double innSup = st.tw.getInn().sup();
    const double outInf = st.tw.getOut().inf();
    const double outSup = st.tw.getOut().sup();
    const bool join = st.joinFlag;
    const bool inconsistent = st.consistencyMark == consistencyState::inconsistent;
    auto [found, added] = slots_.try_emplace(&st);
    slot& s = found->second;
    if (added) {
        s.it = it;
        s.seq = nextSeq_++;
        s.innInf = innInf;
        s.innSup = innSup;
        s.outInf = outInf;
        s.outSup = outSup;
        s.join = join;
        s.inconsistent = inconsistent;
        add(s);
    } else {
        // Only the bounds that changed move.
        const bool joinChanged = s.join != join;
        if (joinChanged || !sameBits(s.innInf, innInf)) {
            innInfSet(s.join).keys.erase(s.innInfAt);
            s.innInf = innInf;
            place(innInfSet(join), s.innInfAt, innInf, s);
        }
        if (joinChanged || !sameBits(s.innSup, innSup)) {
            innSupSet(s.join).keys.erase(s.innSupAt);
            s.innSup = innSup;
            place(innSupSet(join), s.innSupAt, innSup, s);
        }
        s.join = join;
        if (!sameBits(s.outInf, outInf)) {
            outInf_.keys.erase(s.outInfAt);
            s.outInf = outInf;
            place(outInf_, s.outInfAt, outInf, s);
        }
        if (!sameBits(s.outSup, outSup)) {
            outSup_.keys.erase(s.outSupAt);
            s.outSup = outSup;
            place(outSup_, s.outSupAt, outSup, s);
        }
        if (s.inconsistent != inconsistent) {
            if (inconsistent)
                inconsistent_.emplace(s.seq, &s);
            else
                inconsistent_.erase(s.seq);
            s.inconsistent = inconsistent;
        }
    }
    if (!s.recent) {
        s.recent = true;
        recorded_.push_back(&st);
    }
}

void agendaIndex::forget(const strip& st) {
    const auto found = slots_.find(&st);
    if (found == slots_.end()) return;
    remove(found->second);
    slots_.erase(found);
}

ivalDb agendaIndex::joinedInn(const ivalDb& accumulated) const {
    return ivalDb::exact(joinedInnInf_.fold(accumulated.inf()),
                         joinedInnSup_.fold(accumulated.sup()));
}

ivalDb agendaIndex::joinedOut(const ivalDb& accumulated) const {
    return ivalDb::exact(outInf_.fold(accumulated.inf()), outSup_.fold(accumulated.sup()));
}

void agendaIndex::open(const ivalDb& inn, double tol, optimBound optim, std::size_t count,
                       std::vector<stripIter>& out) const {
    const std::size_t first = out.size();
    if (optim != optimBound::upper) {
        const double below = inn.inf() - tol;
        std::size_t n = 0;
        for (auto it = outInf_.keys.begin(); it != outInf_.keys.end() && !it->nan && n < count;
             ++it, ++n) {
            if (it->v >= below) break;
            out.push_back(it->s->it);
        }
    }
    if (optim != optimBound::lower) {
        const double above = inn.sup() + tol;
        const std::size_t lows = out.size();
        std::size_t n = 0;
        for (auto it = outSup_.keys.begin(); it != outSup_.keys.end() && !it->nan && n < count;
             ++it, ++n) {
            if (it->v <= above) break;
            const stripIter s = it->s->it;
            if (std::find(out.begin() + static_cast<std::ptrdiff_t>(first),
                          out.begin() + static_cast<std::ptrdiff_t>(lows),
                          s) == out.begin() + static_cast<std::ptrdiff_t>(lows))
                out.push_back(s);
        }
    }
}

bool agendaIndex::answers(const twin& g, optimBound optim) noexcept {
    const bool lower = optim != optimBound::upper;
    const bool upper = optim != optimBound::lower;
    if (lower && (std::isnan(g.getInn().inf()) || std::isnan(g.getOut().inf()))) return false;
    if (upper && (std::isnan(g.getInn().sup()) || std::isnan(g.getOut().sup()))) return false;
    return true;
}

void agendaIndex::rebuild(const twin& g, optimBound optim, std::vector<removedStrip>& removed,
                          std::vector<stripIter>& candidates) {
    const double gInnInf = g.getInn().inf();
    const double gInnSup = g.getInn().sup();
    auto bySeq = [](const slot* x, const slot* y) { return x->seq < y->seq; };
    std::vector<slot*>& marked = marked_;
    marked.clear();
    for (const auto& [seq, s] : inconsistent_) {
        s->removing = removal::inconsistent;
        marked.push_back(s);
    }
    auto exclude = [&marked](slot* s) {
        if (s->removing != removal::none) return;
        s->removing = removal::inclusion;
        marked.push_back(s);
    };
    // The inclusion test: the strip's outer approximation lies strictly
    // beyond the global inner one (on both sides when both bounds count).
    const auto& lows = outInf_.keys;
    const auto& highs = outSup_.keys;
    using lowSet = boundSet<ascending>;
    using highSet = boundSet<descending>;
    if (optim == optimBound::lower) {
        for (auto it = outInf_.beyond(gInnInf); !lowSet::isEnd(it, lows); ++it)
            exclude(it->s);
    } else if (optim == optimBound::upper) {
        for (auto it = outSup_.beyond(gInnSup); !highSet::isEnd(it, highs); ++it)
            exclude(it->s);
    } else {
        // Walk both one-sided runs together: the shorter holds every strip
        // beyond on both sides, and is checked for the other side.
        auto a = outInf_.beyond(gInnInf);
        auto b = outSup_.beyond(gInnSup);
        for (;; ++a, ++b) {
            if (lowSet::isEnd(a, lows)) {
                for (auto it = outInf_.beyond(gInnInf); !lowSet::isEnd(it, lows); ++it)
                    if (it->s->outSup < gInnSup) exclude(it->s);
                break;
            }
            if (highSet::isEnd(b, highs)) {
                for (auto it = outSup_.beyond(gInnSup); !highSet::isEnd(it, highs); ++it)
                    if (it->s->outInf > gInnInf) exclude(it->s);
                break;
            }
        }
    }
    std::sort(marked.begin(), marked.end(), bySeq);
    for (slot* s : marked)
        removed.push_back({s->it, s->removing});

    std::vector<slot*>& found = found_;
    std::vector<std::size_t>& runEnds = runEnds_;
    found.clear();
    runEnds.clear();
    if (optim != optimBound::upper) {
        joinedInnInf_.matching(gInnInf, found, runEnds);
        otherInnInf_.matching(gInnInf, found, runEnds);
        outInf_.matching(g.getOut().inf(), found, runEnds);
    }
    if (optim != optimBound::lower) {
        joinedInnSup_.matching(gInnSup, found, runEnds);
        otherInnSup_.matching(gInnSup, found, runEnds);
        outSup_.matching(g.getOut().sup(), found, runEnds);
    }
    // Each run (equal values, or NaNs) is in agenda order already: merge.
    std::size_t merged = 0;
    for (const std::size_t end : runEnds) {
        std::inplace_merge(found.begin(), found.begin() + static_cast<std::ptrdiff_t>(merged),
                           found.begin() + static_cast<std::ptrdiff_t>(end), bySeq);
        merged = end;
    }
    found.erase(std::unique(found.begin(), found.end()), found.end());
    for (slot* s : found)
        if (s->removing == removal::none) candidates.push_back(s->it);
    // The caller forgets the removed strips; clear the marks all the same.
    for (slot* s : marked)
        s->removing = removal::none;
}

} // namespace modal
