#include "solver/mpi/worker.h"

#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "modal/problem.h"
#include "solver/api/distributed.h"
#include "solver/fstar/run_context.h"
#include "solver/mpi/messages.h"
#include "solver/sets/box_store.h"

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

} // namespace

int serve_rank_0() {
    const auto never = [] { return false; };
    std::unique_ptr<csp> classifier;
    run_context context;
    std::optional<run_context::worker> working;
    double start = 0;
    box b;
    std::vector<double> bounds;
    std::vector<unsigned char> answer;
    for (;;) {
        MPI_Status status;
        wait_for_message(0, status, never);
        const std::vector<unsigned char> data = receive(status);
        switch (status.MPI_TAG) {
        case tag::quit:
            return 0;
        case tag::problem_text: {
            start = process_seconds();
            // The text parsed without a syntax error on rank 0.
            const parse_result parsed =
                parse_problem({reinterpret_cast<const char*>(data.data()), data.size()});
            if (parsed) classifier = qsi_classifier(*parsed.value);
            if (classifier) {
                working.emplace(context);
                classifier->context = &context;
                b = classifier->getBox();
            }
            break;
        }
        case tag::boxes: {
            boxes_header h;
            std::memcpy(&h, data.data(), sizeof h);
            const std::size_t doubles = 2 * static_cast<std::size_t>(b.size());
            // A worker without the problem's constraints (which cannot be:
            // rank 0 read the same text) or given boxes of another size
            // leaves every box undecided, which claims nothing.
            const bool usable =
                classifier && data.size() == sizeof h + h.count * doubles * sizeof(double);
            if (usable) {
                bounds.resize(h.count * doubles);
                std::memcpy(bounds.data(), data.data() + sizeof h, bounds.size() * sizeof(double));
            }
            answer.assign(sizeof(verdicts_header) + h.count, 0);
            for (std::uint64_t i = 0; i < h.count; ++i) {
                verdict v = verdict::undefined;
                if (usable) {
                    boxStore::loadBounds(bounds.data() + i * doubles, b);
                    v = classifier->classify(b);
                }
                answer[sizeof(verdicts_header) + i] = static_cast<unsigned char>(v.code());
            }
            const verdicts_header back{h.first, h.count, process_seconds() - start};
            std::memcpy(answer.data(), &back, sizeof back);
            MPI_Send(answer.data(), static_cast<int>(answer.size()), MPI_BYTE, 0, tag::verdicts,
                     MPI_COMM_WORLD);
            break;
        }
        default:
            break;
        }
    }
}

} // namespace modal::mpi
