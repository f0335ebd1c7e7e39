// Rank 0's side of a distributed set inversion: the other ranks as a farm
// that paves the run's roots.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <vector>

#include "solver/mpi/messages.h"
#include "solver/sets/box_farm.h"

namespace modal::mpi {

class farm : public box_farm {
public:
    // Ranks 1 .. workers; `cancel`, raised, ends any wait.
    farm(int workers, const std::atomic<bool>* cancel);
    ~farm() override;
    farm(const farm&) = delete;
    farm& operator=(const farm&) = delete;

    std::size_t roots_wanted() const override;
    std::vector<sub_paving> pave(const sub_paving& roots, const local_paving& here,
                                 const std::function<bool()>& stop) override;
    // As the workers reported them with each sub-paving, and every few
    // milliseconds while they pave.
    double seconds() const override;
    bool memory_ran_out() const override { return memoryRanOut_; }

private:
    struct sent {
        std::size_t root = 0;
        std::vector<unsigned char> message; // header and bounds, sent from here
        MPI_Request request = MPI_REQUEST_NULL;
    };
    struct worker {
        std::deque<sent> out; // roots handed out, oldest first
        double seconds = 0;   // processor seconds as last reported
    };
    // Takes the workers' reports of their seconds that came.
    void progress();
    // Receives one sub-paving if one is there into `subs`; true when it did.
    bool receive(std::vector<sub_paving>& subs, std::size_t box_doubles);
    bool cancelled() const noexcept {
        return cancel_ != nullptr && cancel_->load(std::memory_order_relaxed);
    }

    std::vector<worker> workers_;
    const std::atomic<bool>* cancel_;
    std::size_t outstanding_ = 0;
    bool memoryRanOut_ = false;
    std::vector<unsigned char> incoming_;
};

} // namespace modal::mpi
