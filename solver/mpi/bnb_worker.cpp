#include "solver/mpi/bnb_worker.h"

#include <chrono>
#include <ostream>
#include <vector>

#include "modal/problem.h"
#include "solver/api/distributed.h"
#include "solver/fstar/run_context.h"
#include "solver/mpi/bnb_strips.h"
#include "solver/mpi/messages.h"

namespace modal::mpi::bnb {

namespace {

using clock = std::chrono::steady_clock;

// Wall time between two looks at rank 0's messages while the run steps.
constexpr auto kServeEvery = std::chrono::microseconds(200);
// Wall time between two reports that bring no better inner approximation
// (they still carry the rank's seconds, for the time limit).
constexpr auto kReportEvery = std::chrono::milliseconds(2);

class worker_exchange final : public strip_exchange {
public:
    worker_exchange(double start, bool minmax) : start_(start), minmax_(minmax) {}

    bool plants_first_strip() const override { return false; }

    bool after_step(fstar& f) override {
        const clock::time_point now = clock::now();
        if (now < nextServe_) return false;
        nextServe_ = now + kServeEvery;
        if (serve(f)) return true;
        const ivalDb inn = f.localTwin().getInn();
        if (!sameBounds(inn, reportedInner_) || now >= nextReport_) report(f, false, false);
        return false;
    }

    bool go_on(fstar& f) override {
        end_ = end_of(f.settings.stop_reason);
        f.settings.stop_reason = "?";
        report(f, true, end_ == local_end::memory);
        for (;;) {
            MPI_Status status;
            wait_for(0, status);
            switch (status.MPI_TAG) {
            case tag::grant:
                take_grant(f, status);
                end_ = local_end::busy;
                return true;
            case tag::collect:
                hold(f, status);
                return false;
            default:
                // Bounds leave an idle run idle: a better inner
                // approximation only settles more of what it holds.
                if (take_other(f, status)) return false;
                break;
            }
        }
    }

    void finished(fstar& f) override {
        if (quit_) return;
        // The cells that can hold the extreme, joined here into the boxes
        // of their hulls (rank 0 joins the boxes of every rank).
        std::vector<double> boxes;
        std::size_t count = 0;
        std::size_t doubles = 0;
        if (minmax_) {
            f.gatherMinMaxCells();
            const bool one = f.settings.optim != optimBound::both;
            for (const bool lower : {true, false}) {
                std::list<cell>& cells = lower ? f.joinedMinCells : f.joinedMaxCells;
                if (!one) continue;
                f.joinTouchingCells(cells);
                for (const cell& c : cells) {
                    const std::size_t before = boxes.size();
                    for (const std::vector<variable>* vars : {&c.xp, &c.xi})
                        for (const variable& v : *vars) {
                            boxes.push_back(v.domain.inf());
                            boxes.push_back(v.domain.sup());
                        }
                    for (const ivalDb& x : {c.tw.getInn(), c.tw.getOut()}) {
                        boxes.push_back(x.inf());
                        boxes.push_back(x.sup());
                    }
                    boxes.push_back(lower ? 1.0 : 0.0);
                    doubles = boxes.size() - before;
                    ++count;
                }
            }
        }
        const cells_header h{static_cast<double>(f.stepCount),
                             process_seconds() - start_,
                             f.noSolution ? 1.0 : 0.0,
                             f.gatheredMin || !f.joinedMinCells.empty() ? 1.0 : 0.0,
                             f.gatheredMax || !f.joinedMaxCells.empty() ? 1.0 : 0.0,
                             static_cast<double>(count),
                             static_cast<double>(doubles)};
        std::vector<double> m{h.steps,        h.seconds, h.no_solution, h.gathered_min,
                              h.gathered_max, h.count,   h.doubles};
        m.insert(m.end(), boxes.begin(), boxes.end());
        send_doubles(m, 0, tag::cells);
    }

    bool quit() const noexcept { return quit_; }

private:
    // Takes every message rank 0 sent; true once the run must end.
    bool serve(fstar& f) {
        for (;;) {
            int flag = 0;
            MPI_Status status;
            MPI_Iprobe(0, MPI_ANY_TAG, MPI_COMM_WORLD, &flag, &status);
            if (flag == 0) return false;
            if (status.MPI_TAG == tag::grant) {
                take_grant(f, status);
            } else if (status.MPI_TAG == tag::collect) {
                hold(f, status);
                return true;
            } else if (take_other(f, status)) {
                return true;
            }
        }
    }

    // Bounds, a request for strips, a quit; true on a quit.
    bool take_other(fstar& f, const MPI_Status& status) {
        const std::vector<double> m = receive_doubles(status);
        switch (status.MPI_TAG) {
        case tag::bounds:
            if (m.size() == 2) {
                const ivalDb inn = ivalDb::exact(m[0], m[1]);
                f.remoteTwin.setInn(inn);
                f.remoteTwin.setOut(inn);
                f.updateFlag = true;
            }
            return false;
        case tag::give: {
            // An idle run gives nothing: what it holds is settled.
            std::vector<double> boxes;
            const std::size_t n = end_ == local_end::busy && m.size() == 1
                                      ? f.giveStrips(static_cast<std::size_t>(m[0]), boxes)
                                      : 0;
            send_doubles(strip_list(n, f.agenda.size(), boxes), 0, tag::strips);
            return false;
        }
        case mpi::tag::quit:
            quit_ = true;
            return true;
        default:
            return false;
        }
    }

    void take_grant(fstar& f, const MPI_Status& status) {
        add_strips(f, receive_doubles(status), null_);
        ++grants_;
    }

    void report(const fstar& f, bool idle, bool memory) {
        const ivalDb inn = f.localTwin().getInn();
        const report_message r{inn.inf(),
                               inn.sup(),
                               process_seconds() - start_,
                               static_cast<double>(f.agenda.size()),
                               static_cast<double>(grants_),
                               !idle                        ? 0.0
                               : end_ == local_end::stalled ? 2.0
                                                            : 1.0,
                               memory ? 1.0 : 0.0};
        send_struct(r, 0, tag::report);
        reportedInner_ = inn;
        nextReport_ = clock::now() + kReportEvery;
    }

    // Says what the run holds, then waits for the run's twin.
    void hold(fstar& f, const MPI_Status& status) {
        receive_doubles(status);
        f.updateFlag = true;
        f.updateGlobalTwin(null_);
        const twin& t = f.localTwin();
        const held_message h{t.getInn().inf(),
                             t.getInn().sup(),
                             t.getOut().inf(),
                             t.getOut().sup(),
                             process_seconds() - start_,
                             static_cast<double>(f.agenda.size()),
                             f.mainModel.fn.undefinedSeen ? 1.0 : 0.0,
                             static_cast<double>(static_cast<int>(end_))};
        send_struct(h, 0, tag::held);
        for (;;) {
            MPI_Status next;
            wait_for(0, next);
            const std::vector<double> m = receive_doubles(next);
            if (next.MPI_TAG == mpi::tag::quit) {
                quit_ = true;
                return;
            }
            if (next.MPI_TAG != tag::end || m.size() != 4) continue;
            f.remoteTwin.setInn(ivalDb::exact(m[0], m[1]));
            f.remoteTwin.setOut(ivalDb::exact(m[2], m[3]));
            f.updateFlag = true;
            return;
        }
    }

    double start_;
    bool minmax_;
    bool quit_ = false;
    local_end end_ = local_end::busy;
    std::size_t grants_ = 0;
    ivalDb reportedInner_ = ivalNaN();
    clock::time_point nextServe_{};
    clock::time_point nextReport_{};
    std::ostream null_{nullptr};
};

} // namespace

bool serve_run(std::string_view text) {
    const double start = process_seconds();
    const parse_result parsed = parse_problem(text);
    if (!parsed) return true;
    std::optional<remote_fstar> remote = fstar_remote_run(*parsed.value);
    if (!remote) return true;
    fstar& f = *remote->solver;
    run_context context(remote->memory_limit_mb);
    const run_context::worker working(context);
    f.context = &context;
    // The MinMax post-processing is rank 0's: this rank sends the cells it
    // gathers.
    const bool minmax = f.settings.minmax_mode;
    f.settings.minmax_mode = false;
    worker_exchange exchange(start, minmax);
    f.exchange = &exchange;
    box run_box(2);
    std::ostream dropped(nullptr);
    f.run(run_box, dropped);
    return !exchange.quit();
}

} // namespace modal::mpi::bnb
