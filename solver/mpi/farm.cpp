#include "solver/mpi/farm.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

namespace modal::mpi {

namespace {

// Pieces of work a worker holds at once: while it classifies one, the next
// is on its way, so that it does not wait for rank 0 between pieces.
constexpr std::size_t kPiecesPerWorker = 2;
// Most boxes in one piece: a message of a few kilobytes for a box of a few
// variables, which amortises a message's latency over many classifications.
constexpr std::size_t kMostBoxes = 64;

} // namespace

farm::farm(int workers, const std::atomic<bool>* cancel)
    : workers_(static_cast<std::size_t>(workers)), cancel_(cancel) {}

farm::~farm() {
    // Requests still open belong to a run that was cancelled: a worker is
    // gone, and the program ends.
    for (worker& w : workers_)
        for (piece& p : w.out)
            if (p.request != MPI_REQUEST_NULL) MPI_Request_free(&p.request);
}

std::size_t farm::wanted(std::size_t available) {
    next_ = -1;
    std::size_t fewest = kPiecesPerWorker;
    for (std::size_t i = 0; i < workers_.size(); ++i)
        if (workers_[i].out.size() < fewest) {
            fewest = workers_[i].out.size();
            next_ = static_cast<int>(i);
        }
    if (next_ < 0 || available == 0) return 0;
    // While the queue is short every worker (and rank 0) gets a share of it.
    const std::size_t share = available / (2 * (workers_.size() + 1));
    return std::clamp<std::size_t>(share, 1, kMostBoxes);
}

void farm::hand_out(std::size_t first, std::size_t count, std::span<const double> bounds) {
    worker& w = workers_[static_cast<std::size_t>(next_)];
    piece& p = w.out.emplace_back();
    const boxes_header h{first, count};
    p.message.resize(sizeof h + bounds.size_bytes());
    std::memcpy(p.message.data(), &h, sizeof h);
    std::memcpy(p.message.data() + sizeof h, bounds.data(), bounds.size_bytes());
    MPI_Isend(p.message.data(), static_cast<int>(p.message.size()), MPI_BYTE, next_ + 1, tag::boxes,
              MPI_COMM_WORLD, &p.request);
    ++outstanding_;
    ++pieces_;
    boxes_ += count;
}

bool farm::receive(const std::function<void(std::size_t, verdict)>& got) {
    int flag = 0;
    MPI_Status status;
    MPI_Iprobe(MPI_ANY_SOURCE, tag::verdicts, MPI_COMM_WORLD, &flag, &status);
    if (flag == 0) return false;
    int bytes = 0;
    MPI_Get_count(&status, MPI_BYTE, &bytes);
    incoming_.resize(static_cast<std::size_t>(bytes));
    MPI_Recv(incoming_.data(), bytes, MPI_BYTE, status.MPI_SOURCE, tag::verdicts, MPI_COMM_WORLD,
             MPI_STATUS_IGNORE);
    verdicts_header h;
    std::memcpy(&h, incoming_.data(), sizeof h);
    worker& w = workers_[static_cast<std::size_t>(status.MPI_SOURCE - 1)];
    w.seconds = h.seconds;
    // Messages between two ranks arrive in the order sent: this is the
    // answer to the oldest piece the worker holds.
    if (!w.out.empty()) {
        MPI_Wait(&w.out.front().request, MPI_STATUS_IGNORE);
        w.out.pop_front();
        --outstanding_;
    }
    const unsigned char* codes = incoming_.data() + sizeof h;
    for (std::uint64_t i = 0; i < h.count; ++i)
        got(h.first + i, verdict(static_cast<verdict::value>(codes[i])));
    return true;
}

void farm::collect(const std::function<void(std::size_t, verdict)>& got, bool wait) {
    bool any = false;
    while (receive(got))
        any = true;
    if (any || !wait) return;
    // Nothing came back: look again for up to a millisecond, sleeping
    // between looks so as not to take the core a worker on this machine
    // may need.
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1);
    for (int looks = 0; !cancelled() && std::chrono::steady_clock::now() < until; ++looks) {
        if (receive(got)) {
            while (receive(got)) {
            }
            return;
        }
        if (looks > 50) std::this_thread::sleep_for(std::chrono::microseconds(20));
    }
}

bool farm::drain() {
    const auto drop = [](std::size_t, verdict) {};
    while (outstanding_ > 0) {
        if (cancelled()) return false;
        collect(drop, true);
    }
    return true;
}

double farm::seconds() const {
    double s = 0;
    for (const worker& w : workers_)
        s += w.seconds;
    return s;
}

} // namespace modal::mpi
