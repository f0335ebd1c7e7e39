#include "solver/mpi/worker.h"

#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

#include "modal/problem.h"
#include "solver/api/distributed.h"
#include "solver/fstar/run_context.h"
#include "solver/mpi/bnb_messages.h"
#include "solver/mpi/bnb_worker.h"
#include "solver/mpi/messages.h"

namespace modal::mpi {

namespace {

// Receives the message `status` announced, as bytes.
std::vector<unsigned char> receive(const MPI_Status& status) {
    int bytes = 0;
    MPI_Get_count(&status, MPI_BYTE, &bytes);
    std::vector<unsigned char> data(static_cast<std::size_t>(bytes));
    MPI_Recv(data.data(), bytes, MPI_BYTE, 0, status.MPI_TAG, MPI_COMM_WORLD, MPI_STATUS_IGNORE);
    return data;
}

// Boxes paved between two looks for a stop message from rank 0.
constexpr unsigned kBoxesBetweenLooks = 64;
// Processor seconds between two reports of a worker's time.
constexpr double kReportEvery = 0.005;

} // namespace

int serve_rank_0() {
    std::optional<remote_paving> paving;
    std::optional<run_context> context;
    std::optional<run_context::worker> working;
    double start = 0;
    bool stopped = false;
    unsigned boxes = 0;
    double reported = 0;
    // Asked before each box: whether rank 0 said stop, or this rank passed
    // its memory limit (its constraint runs found it so; rank 0 hears of it
    // with the sub-paving and stops the run). Every few milliseconds it also
    // tells rank 0 its seconds, which a time limit counts.
    const std::function<bool()> stop = [&] {
        if (!stopped && context && context->memoryRanOut()) stopped = true;
        if (stopped || ++boxes % kBoxesBetweenLooks != 0) return stopped;
        const double now = process_seconds() - start;
        if (now - reported >= kReportEvery) {
            reported = now;
            MPI_Send(&now, 1, MPI_DOUBLE, 0, tag::seconds, MPI_COMM_WORLD);
        }
        int flag = 0;
        MPI_Iprobe(0, tag::stop, MPI_COMM_WORLD, &flag, MPI_STATUS_IGNORE);
        if (flag != 0) {
            MPI_Recv(nullptr, 0, MPI_BYTE, 0, tag::stop, MPI_COMM_WORLD, MPI_STATUS_IGNORE);
            stopped = true;
        }
        return stopped;
    };
    for (;;) {
        MPI_Status status;
        wait_for_message(0, status);
        const std::vector<unsigned char> data = receive(status);
        switch (status.MPI_TAG) {
        case tag::quit:
            return 0;
        case bnb::tag::problem:
            if (!bnb::serve_run(
                    std::string_view(reinterpret_cast<const char*>(data.data()), data.size())))
                return 0;
            break;
        case tag::stop:
            stopped = true;
            break;
        case tag::problem_text: {
            start = process_seconds();
            // The text rank 0 parsed without a syntax error.
            const parse_result parsed = parse_problem(
                std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
            if (parsed) paving = qsi_remote_paving(*parsed.value);
            if (paving) {
                working.reset();
                context.emplace(paving->memory_limit_mb);
                working.emplace(*context);
                paving->constraints->context = &*context;
            }
            break;
        }
        case tag::root: {
            root_header h;
            if (data.size() < sizeof h) break;
            std::memcpy(&h, data.data(), sizeof h);
            std::vector<double> root((data.size() - sizeof h) / sizeof(double));
            if (!root.empty())
                std::memcpy(root.data(), data.data() + sizeof h, root.size() * sizeof(double));
            sub_paving p;
            const bool fits =
                paving && root.size() == 2 * static_cast<std::size_t>(paving->setup.shape.size());
            if (fits && !stopped) {
                // Sent as its trace: rank 0 cuts the boxes again.
                p = paveBoxes(paving->setup, root, 0, stop, true);
            } else {
                // A stopped run (or a root this rank cannot pave, which
                // cannot be: it read the same problem) leaves it waiting.
                p.waiting = root;
                p.waiting_depths.assign(1, 0);
            }
            const std::vector<unsigned char> m = sub_paving_message(
                p, h.index, process_seconds() - start, context && context->memoryRanOut());
            MPI_Send(m.data(), static_cast<int>(m.size()), MPI_BYTE, 0, tag::paving,
                     MPI_COMM_WORLD);
            break;
        }
        default:
            break;
        }
    }
}

} // namespace modal::mpi
