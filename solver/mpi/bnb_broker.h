// Rank 0's side of a distributed F* run: its own solver works on strips
// like every rank, and between its steps it brokers the run (see
// bnb_messages.h).
#pragma once

#include <chrono>
#include <ostream>
#include <string>
#include <vector>

#include "solver/fstar/exchange.h"
#include "solver/fstar/fstar.h"
#include "solver/mpi/bnb_messages.h"

namespace modal::mpi::bnb {

class broker final : public strip_exchange {
public:
    // Ranks 1 .. workers, each running the same problem (serve_run).
    explicit broker(int workers);

    bool plants_first_strip() const override { return true; }
    bool after_step(fstar& f) override;
    bool go_on(fstar& f) override;
    void finished(fstar& f) override;

private:
    using clock = std::chrono::steady_clock;
    struct worker {
        bool idle = false;    // its run would end, and it has taken every grant
        bool waiting = false; // idle, with a rank asked to give it strips
        bool stalled = false; // idle, having given up: the run ends
        int giving = -1;      // the rank this one was asked to give strips to
        double grants = 0;    // grants sent to it
        double agenda = 0;    // its agenda's size as last heard
        double seconds = 0;   // its processor seconds as last heard
        bool memory = false;  // it passed its memory limit
        // It had no strip that needed cuts when last asked: it is not asked
        // again before this.
        std::chrono::steady_clock::time_point dry_until{};
        held_message held; // at the end
        cells_header last; // after the end
    };
    static constexpr int kSelf = 0;

    // Takes every message that came, pairs idle ranks with busy ones and
    // shares a better inner approximation; true once a limit ends the run
    // (endReason_ says which).
    bool serve(fstar& f);
    void take_report(int rank, const MPI_Status& status);
    void take_strips(fstar& f, int donor, const std::vector<double>& list);
    // Has a busy rank give strips to each idle rank that waits for none.
    void match(fstar& f);
    void share(fstar& f, bool now);
    bool limit_reached(const fstar& f);
    bool all_idle() const;
    // Gathers what every rank holds, sends them the run's twin and takes
    // their gathered cells: the run is over.
    void end_run(fstar& f);
    worker& at(int rank) { return workers_[static_cast<std::size_t>(rank - 1)]; }

    std::vector<worker> workers_;
    ivalDb shared_ = ivalNaN(); // the best inner approximation of the run known
    bool sharedChanged_ = false;
    bool selfIdle_ = false;
    bool selfWaiting_ = false;
    clock::time_point selfDryUntil_{};
    local_end selfEnd_ = local_end::busy;
    std::string endReason_; // "Time", "Memory" or "Cancelled" when a limit ended it
    bool ended_ = false;
    clock::time_point nextServe_{};
    clock::time_point nextShare_{};
    std::ostream null_{nullptr};
};

} // namespace modal::mpi::bnb
