#include "solver/mpi/farm.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <string>
#include <thread>

namespace modal::mpi {

namespace {

// Roots a worker holds at once: while it paves one, the next is on its way,
// so that it does not wait for rank 0 between roots.
constexpr std::size_t kRootsPerWorker = 2;
// Roots per rank: with many small roots the last ones to finish keep few
// ranks waiting, however unequal the roots' sub-pavings are.
constexpr std::size_t kRootsPerRank = 64;
// Boxes rank 0 paves between two looks at its workers' messages.
constexpr unsigned kBoxesBetweenServes = 32;

} // namespace

farm::farm(int workers, const std::atomic<bool>* cancel)
    : workers_(static_cast<std::size_t>(workers)), cancel_(cancel) {}

farm::~farm() {
    // Requests still open belong to a run that was cancelled: a worker is
    // gone, and the program ends.
    for (worker& w : workers_)
        for (sent& s : w.out)
            if (s.request != MPI_REQUEST_NULL) MPI_Request_free(&s.request);
}

std::size_t farm::roots_wanted() const {
    return kRootsPerRank * (workers_.size() + 1);
}

double farm::seconds() const {
    double s = 0;
    for (const worker& w : workers_)
        s += w.seconds;
    return s;
}

void farm::progress() {
    for (;;) {
        int flag = 0;
        MPI_Status status;
        MPI_Iprobe(MPI_ANY_SOURCE, tag::seconds, MPI_COMM_WORLD, &flag, &status);
        if (flag == 0) return;
        double seconds = 0;
        MPI_Recv(&seconds, 1, MPI_DOUBLE, status.MPI_SOURCE, tag::seconds, MPI_COMM_WORLD,
                 MPI_STATUS_IGNORE);
        double& reported = workers_[static_cast<std::size_t>(status.MPI_SOURCE - 1)].seconds;
        reported = std::max(reported, seconds);
    }
}

bool farm::receive(std::vector<sub_paving>& subs, std::size_t box_doubles) {
    int flag = 0;
    MPI_Status status;
    MPI_Iprobe(MPI_ANY_SOURCE, tag::paving, MPI_COMM_WORLD, &flag, &status);
    if (flag == 0) return false;
    int bytes = 0;
    MPI_Get_count(&status, MPI_BYTE, &bytes);
    incoming_.resize(static_cast<std::size_t>(bytes));
    MPI_Recv(incoming_.data(), bytes, MPI_BYTE, status.MPI_SOURCE, tag::paving, MPI_COMM_WORLD,
             MPI_STATUS_IGNORE);
    worker& w = workers_[static_cast<std::size_t>(status.MPI_SOURCE - 1)];
    paving_header h;
    sub_paving p;
    // Messages between two ranks arrive in the order sent: this answers the
    // oldest root the worker holds.
    if (w.out.empty() || !read_sub_paving(incoming_, box_doubles, h, p) ||
        h.index != w.out.front().root)
        throw std::runtime_error("rank " + std::to_string(status.MPI_SOURCE) +
                                 " sent a paving that was not asked for");
    MPI_Wait(&w.out.front().request, MPI_STATUS_IGNORE);
    w.out.pop_front();
    --outstanding_;
    w.seconds = std::max(w.seconds, h.seconds);
    memoryRanOut_ = memoryRanOut_ || h.memory_ran_out != 0;
    subs[h.index] = std::move(p);
    return true;
}

std::vector<sub_paving> farm::pave(const sub_paving& roots, const local_paving& here,
                                   const std::function<bool()>& stop) {
    const std::size_t n = roots.waiting_depths.size();
    const std::size_t box_doubles = n == 0 ? 0 : roots.waiting.size() / n;
    std::vector<sub_paving> subs(n);
    // A root nobody paved waits whole.
    auto leave = [&](std::size_t i) {
        subs[i].waiting.assign(roots.waiting.begin() + static_cast<std::ptrdiff_t>(i * box_doubles),
                               roots.waiting.begin() +
                                   static_cast<std::ptrdiff_t>((i + 1) * box_doubles));
        subs[i].waiting_depths.assign(1, 0);
    };
    std::size_t next = 0;
    bool stopped = false;
    // Takes what came back, tells every worker to stop once `stop` says
    // so, and gives the next roots to every worker that holds fewer than
    // it may.
    auto serve = [&] {
        progress();
        while (receive(subs, box_doubles)) {
        }
        if (!stopped && stop()) {
            stopped = true;
            for (std::size_t r = 1; r <= workers_.size(); ++r)
                MPI_Send(nullptr, 0, MPI_BYTE, static_cast<int>(r), tag::stop, MPI_COMM_WORLD);
        }
        for (std::size_t w = 0; w < workers_.size() && next < n && !stopped; ++w) {
            while (workers_[w].out.size() < kRootsPerWorker && next < n) {
                sent& s = workers_[w].out.emplace_back();
                s.root = next;
                const root_header h{next};
                s.message.resize(sizeof h + box_doubles * sizeof(double));
                std::memcpy(s.message.data(), &h, sizeof h);
                std::memcpy(s.message.data() + sizeof h, roots.waiting.data() + next * box_doubles,
                            box_doubles * sizeof(double));
                MPI_Isend(s.message.data(), static_cast<int>(s.message.size()), MPI_BYTE,
                          static_cast<int>(w + 1), tag::root, MPI_COMM_WORLD, &s.request);
                ++outstanding_;
                ++next;
            }
        }
    };
    // While rank 0 paves a root of its own it serves the workers every few
    // boxes, so that none waits for a root long.
    unsigned boxes = 0;
    const std::function<bool()> stopHere = [&] {
        if (++boxes % kBoxesBetweenServes == 0) serve();
        return stopped || stop();
    };
    for (;;) {
        serve();
        if (stopped)
            for (; next < n; ++next)
                leave(next);
        if (next == n && outstanding_ == 0) break;
        if (next < n) {
            // Every worker holds what it may: rank 0 paves the next root.
            const std::size_t i = next++;
            subs[i] = here(i, stopHere, false);
            continue;
        }
        if (cancelled()) {
            // A worker is gone (the job is ending): what it held waits.
            for (worker& w : workers_)
                for (const sent& s : w.out)
                    leave(s.root);
            break;
        }
        // Only the workers' last roots are left: wait for them without
        // taking a core.
        std::this_thread::sleep_for(std::chrono::microseconds(20));
    }
    return subs;
}

} // namespace modal::mpi
