#include "solver/mpi/bnb_broker.h"

#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <span>

#include "solver/mpi/bnb_strips.h"
#include "solver/mpi/messages.h"

namespace modal::mpi::bnb {

namespace {

// Wall time between two looks at the messages while rank 0's run steps.
constexpr auto kServeEvery = std::chrono::microseconds(200);
// Wall time between two messages that share a better inner approximation.
constexpr auto kShareEvery = std::chrono::microseconds(200);
// Most strips one hand-over moves.
constexpr double kMostStrips = 1024;
// How long a rank that had no strip to give is not asked again.
constexpr auto kDryFor = std::chrono::milliseconds(5);

// How many strips a rank with `agenda` strips gives: half of them.
double share_of(double agenda) {
    return std::min(std::floor(agenda / 2), kMostStrips);
}

} // namespace

broker::broker(int workers) : workers_(static_cast<std::size_t>(workers)) {}

bool broker::after_step(fstar& f) {
    const clock::time_point now = clock::now();
    if (now < nextServe_) return false;
    nextServe_ = now + kServeEvery;
    if (!serve(f)) return false;
    end_run(f);
    return true;
}

bool broker::go_on(fstar& f) {
    const std::string why = f.settings.stop_reason;
    f.settings.stop_reason = "?";
    if (why == "Time" || why == "Memory" || why == "Cancelled") {
        endReason_ = why;
        end_run(f);
        return false;
    }
    selfEnd_ = end_of(why);
    selfIdle_ = true;
    long pause_ns = 5'000;
    for (;;) {
        if (serve(f)) {
            end_run(f);
            return false;
        }
        if (!selfIdle_) {
            selfEnd_ = local_end::busy;
            return true;
        }
        if (all_idle()) {
            end_run(f);
            return false;
        }
        const timespec pause{0, pause_ns};
        nanosleep(&pause, nullptr);
        pause_ns = std::min(2 * pause_ns, 200'000L);
    }
}

bool broker::serve(fstar& f) {
    for (;;) {
        int flag = 0;
        MPI_Status status;
        MPI_Iprobe(MPI_ANY_SOURCE, MPI_ANY_TAG, MPI_COMM_WORLD, &flag, &status);
        if (flag == 0) break;
        const int r = status.MPI_SOURCE;
        if (r < 1 || r > static_cast<int>(workers_.size())) {
            receive_doubles(status);
            continue;
        }
        if (status.MPI_TAG == tag::report)
            take_report(r, status);
        else if (status.MPI_TAG == tag::strips)
            take_strips(f, r, receive_doubles(status));
        else
            receive_doubles(status); // nothing else comes while the run goes on
    }
    const ivalDb joined = join(shared_, f.localTwin().getInn());
    if (!sameBounds(joined, shared_)) {
        shared_ = joined;
        sharedChanged_ = true;
    }
    if (limit_reached(f)) return true;
    // A rank that gave up on a statement whose twin stopped moving ends the
    // run, as one process gives up once its twin stops: the ranks would
    // otherwise keep each other going on strips that settle nothing.
    if (selfIdle_ && selfEnd_ == local_end::stalled) return true;
    for (const worker& w : workers_)
        if (w.stalled) return true;
    match(f);
    share(f, false);
    return false;
}

void broker::take_report(int r, const MPI_Status& status) {
    report_message m;
    if (!receive_struct(status, m)) return;
    worker& w = at(r);
    w.seconds = std::max(w.seconds, m.seconds);
    w.agenda = m.agenda;
    w.memory = w.memory || m.memory != 0;
    // A report sent before the last grant arrived says nothing of it.
    w.idle = m.idle != 0 && m.grants == w.grants;
    w.stalled = w.idle && m.idle == 2;
    if (!w.idle) w.waiting = false;
    const ivalDb joined = join(shared_, ivalDb::exact(m.inn_inf, m.inn_sup));
    if (!sameBounds(joined, shared_)) {
        shared_ = joined;
        sharedChanged_ = true;
    }
}

void broker::take_strips(fstar& f, int donor, const std::vector<double>& list) {
    worker& d = at(donor);
    const int to = d.giving;
    d.giving = -1;
    d.agenda = agenda_left(list);
    const bool some = strips_in(list) > 0;
    if (!some) d.dry_until = clock::now() + kDryFor;
    if (to == kSelf) {
        selfWaiting_ = false;
        if (some && add_strips(f, list, null_)) selfIdle_ = false;
        return;
    }
    if (to < 1) return;
    worker& w = at(to);
    w.waiting = false;
    if (!some) return;
    send_doubles(list, to, tag::grant);
    w.grants += 1;
    w.idle = false;
}

void broker::match(fstar& f) {
    // The busy rank that holds most strips (at least two) and is not
    // already giving: the donor of the next idle rank.
    const clock::time_point now = clock::now();
    auto donor = [&]() -> int {
        int best = -1;
        double most = 1;
        if (!selfIdle_ && now >= selfDryUntil_ && static_cast<double>(f.agenda.size()) > most) {
            best = kSelf;
            most = static_cast<double>(f.agenda.size());
        }
        for (int r = 1; r <= static_cast<int>(workers_.size()); ++r) {
            const worker& w = at(r);
            if (!w.idle && w.giving < 0 && now >= w.dry_until && w.agenda > most) {
                best = r;
                most = w.agenda;
            }
        }
        return best;
    };
    auto serveOne = [&](int to) {
        const int from = donor();
        if (from < 0) return false;
        if (from == kSelf) {
            std::vector<double> boxes;
            const double agenda = static_cast<double>(f.agenda.size());
            const std::size_t n = f.giveStrips(static_cast<std::size_t>(share_of(agenda)), boxes);
            if (n == 0) {
                selfDryUntil_ = now + kDryFor;
                return false;
            }
            send_doubles(strip_list(n, f.agenda.size(), boxes), to, tag::grant);
            at(to).grants += 1;
            at(to).idle = false;
            return true;
        }
        worker& d = at(from);
        const double n = share_of(d.agenda);
        send_doubles(std::vector<double>{n}, from, tag::give);
        d.giving = to;
        if (to == kSelf)
            selfWaiting_ = true;
        else
            at(to).waiting = true;
        return true;
    };
    if (selfIdle_ && !selfWaiting_ && !serveOne(kSelf)) return;
    for (int r = 1; r <= static_cast<int>(workers_.size()); ++r) {
        const worker& w = at(r);
        if (w.idle && !w.waiting && !serveOne(r)) return;
    }
}

void broker::share(fstar& f, bool now) {
    if (!sharedChanged_) return;
    const clock::time_point t = clock::now();
    if (!now && t < nextShare_) return;
    nextShare_ = t + kShareEvery;
    sharedChanged_ = false;
    const std::vector<double> m{shared_.inf(), shared_.sup()};
    for (int r = 1; r <= static_cast<int>(workers_.size()); ++r)
        send_doubles(m, r, tag::bounds);
    f.remoteTwin.setInn(shared_);
    f.remoteTwin.setOut(shared_);
    f.updateFlag = true;
}

bool broker::limit_reached(const fstar& f) {
    if (f.context != nullptr && f.context->cancelled()) {
        endReason_ = "Cancelled";
        return true;
    }
    for (const worker& w : workers_)
        if (w.memory) {
            endReason_ = "Memory";
            return true;
        }
    if (f.settings.time_limit < kNoTimeLimit && f.context != nullptr) {
        double seconds = f.context->seconds();
        for (const worker& w : workers_)
            seconds += w.seconds;
        if (seconds > f.settings.time_limit) {
            endReason_ = "Time";
            return true;
        }
    }
    return false;
}

bool broker::all_idle() const {
    for (const worker& w : workers_)
        if (!w.idle || w.giving >= 0) return false;
    return !selfWaiting_;
}

void broker::end_run(fstar& f) {
    const int n = static_cast<int>(workers_.size());
    for (int r = 1; r <= n; ++r)
        MPI_Send(nullptr, 0, MPI_BYTE, r, tag::collect, MPI_COMM_WORLD);
    // Strips on their way to rank 0 when the run ended join its own.
    for (int heard = 0; heard < n;) {
        MPI_Status status;
        wait_for(MPI_ANY_SOURCE, status);
        const int r = status.MPI_SOURCE;
        if (r < 1 || r > n) {
            receive_doubles(status);
            continue;
        }
        if (status.MPI_TAG == tag::report) {
            take_report(r, status);
        } else if (status.MPI_TAG == tag::strips) {
            const std::vector<double> list = receive_doubles(status);
            at(r).giving = -1;
            add_strips(f, list, null_);
        } else if (status.MPI_TAG == tag::held) {
            if (receive_struct(status, at(r).held)) ++heard;
        } else {
            receive_doubles(status);
        }
    }
    f.updateFlag = true;
    f.updateGlobalTwin(null_);
    twin whole = f.localTwin();
    for (worker& w : workers_) {
        const held_message& h = w.held;
        whole.setInn(join(whole.getInn(), ivalDb::exact(h.inn_inf, h.inn_sup)));
        whole.setOut(join(whole.getOut(), ivalDb::exact(h.out_inf, h.out_sup)));
        if (h.undefined != 0) f.mainModel.fn.undefinedSeen = true;
        w.seconds = std::max(w.seconds, h.seconds);
    }
    // Every inner approximation shared during the run stays one: the ranks
    // stopped against the best of them.
    whole.setInn(join(whole.getInn(), shared_));
    whole.computeTol();
    const std::vector<double> m{whole.getInn().inf(), whole.getInn().sup(), whole.getOut().inf(),
                                whole.getOut().sup()};
    for (int r = 1; r <= n; ++r)
        send_doubles(m, r, tag::end);
    f.remoteTwin = whole;
    f.updateFlag = true;
    for (int heard = 0; heard < n;) {
        MPI_Status status;
        wait_for(MPI_ANY_SOURCE, status);
        const std::vector<double> c = receive_doubles(status);
        const int r = status.MPI_SOURCE;
        if (status.MPI_TAG != tag::cells || r < 1 || r > n) continue;
        ++heard;
        cells_header& h = at(r).last;
        if (c.size() < kCellsHeader) continue;
        h = {c[0], c[1], c[2], c[3], c[4], c[5], c[6]};
        f.importedMin = f.importedMin || h.gathered_min != 0;
        f.importedMax = f.importedMax || h.gathered_max != 0;
        const auto count = static_cast<std::size_t>(h.count);
        const auto each = static_cast<std::size_t>(h.doubles);
        if (each < 5 || c.size() != kCellsHeader + count * each) continue;
        const std::span<const double> all(c.data() + kCellsHeader, count * each);
        for (std::size_t i = 0; i < count; ++i) {
            const std::span<const double> one = all.subspan(i * each, each);
            twin tw;
            tw.setInn(ivalDb::exact(one[each - 5], one[each - 4]));
            tw.setOut(ivalDb::exact(one[each - 3], one[each - 2]));
            tw.computeTol();
            f.importCell(one.first(each - 5), tw, one[each - 1] != 0);
        }
    }
    ended_ = true;
}

void broker::finished(fstar& f) {
    if (!ended_) return;
    bool noSolution = f.noSolution;
    bool emptyEverywhere = f.agenda.empty();
    local_end worst = selfEnd_;
    auto weigh = [&](local_end e) {
        // Of the ranks' reasons, the one that says most of why the run could
        // not go further.
        auto rank = [](local_end x) {
            switch (x) {
            case local_end::other:
                return 5;
            case local_end::stalled:
                return 4;
            case local_end::floor:
                return 3;
            case local_end::matching:
                return 2;
            default:
                return 1;
            }
        };
        if (rank(e) > rank(worst)) worst = e;
    };
    for (const worker& w : workers_) {
        f.stepCount += static_cast<long>(w.last.steps);
        if (f.elapsedSeconds >= 0) f.elapsedSeconds += std::max(w.last.seconds, w.seconds);
        noSolution = noSolution && w.last.no_solution != 0;
        emptyEverywhere = emptyEverywhere && w.held.agenda == 0;
        weigh(static_cast<local_end>(static_cast<int>(w.held.end)));
    }
    f.noSolution = noSolution;
    std::string& reason = f.settings.stop_reason;
    if (!endReason_.empty()) {
        reason = endReason_;
        return;
    }
    const twin& g = f.globalTwin;
    const double tol = f.settings.tolerance;
    const optimBound optim = f.settings.optim;
    const bool met = optim == optimBound::lower   ? !(g.lowerDistance() > tol)
                     : optim == optimBound::upper ? !(g.upperDistance() > tol)
                                                  : !(g.getTol() > tol);
    // As a run alone: an agenda that empties ends it before its tolerance
    // is looked at.
    if (emptyEverywhere)
        reason = worst == local_end::floor ? "Floor" : "Empty Agenda";
    else if (met)
        reason = "Tolerance";
    else if (worst == local_end::other)
        reason = "?";
    else
        reason = worst == local_end::stalled ? "Stalled"
                 : worst == local_end::floor ? "Floor"
                                             : "Matching";
}

} // namespace modal::mpi::bnb
