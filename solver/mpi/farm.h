// Rank 0's side of a distributed set inversion: the other ranks as a farm
// that classifies the run's boxes.
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

    std::size_t wanted(std::size_t available) override;
    void hand_out(std::size_t first, std::size_t count, std::span<const double> bounds) override;
    void collect(const std::function<void(std::size_t, verdict)>& got, bool wait) override;
    bool drain() override;
    double seconds() const override;

    // Pieces of work handed out and boxes in them (for measurements).
    std::uint64_t pieces() const noexcept { return pieces_; }
    std::uint64_t boxes_handed() const noexcept { return boxes_; }

private:
    struct piece {
        std::vector<unsigned char> message; // header and bounds, sent from here
        MPI_Request request = MPI_REQUEST_NULL;
    };
    struct worker {
        std::deque<piece> out; // handed out, oldest first
        double seconds = 0;
    };
    // Receives one verdicts message if one is there; true when it did.
    bool receive(const std::function<void(std::size_t, verdict)>& got);
    bool cancelled() const noexcept {
        return cancel_ != nullptr && cancel_->load(std::memory_order_relaxed);
    }

    std::vector<worker> workers_;
    const std::atomic<bool>* cancel_;
    int next_ = -1; // the worker wanted() chose
    std::size_t outstanding_ = 0;
    std::uint64_t pieces_ = 0;
    std::uint64_t boxes_ = 0;
    std::vector<unsigned char> incoming_;
};

} // namespace modal::mpi
