#include "solver/driver/runs.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include <unistd.h>

#include "modal/report.h"
#include "solver/api/runs.h"
#include "solver/plot/paving_picture.h"
#include "toolkit/bitmap.h"

namespace modal {

std::string number(double x) {
    std::ostringstream os;
    os.precision(3);
    os << x;
    return os.str();
}

void record(run_summary& summary, bool ok, const std::string& file, const std::string& reason) {
    if (ok)
        summary.written.push_back(file);
    else
        summary.failed.emplace_back(file, reason);
}

namespace {

// What the F* loop's stop means, with the setting it refers to.
std::string fstarStopText(const result& r) {
    switch (r.stop) {
    case stop_reason::tolerance:
        return "Tol reached Tolerance=" + number(r.tolerance);
    case stop_reason::time_limit:
        return "time limit Time=" + number(r.time_limit) + " s reached";
    case stop_reason::all_decided:
        return "nothing left to refine (every cell was decided)";
    case stop_reason::nothing_to_cut:
        return "nothing left to cut (Epsilon=" + number(r.epsilon) +
               ", or cells too narrow for doubles)";
    case stop_reason::tol_floor:
        return "Tol cannot fall further";
    case stop_reason::stalled:
        return "the statement could not be settled: its global twin stopped moving (Time= lets "
               "it run longer)";
    case stop_reason::decided:
        return "the statement was decided";
    case stop_reason::cancelled:
        return "cancelled";
    case stop_reason::memory_limit:
        return "memory limit MemoryLimit=" + number(r.memory_limit_mb) + " MB reached";
    default:
        return "the run ended";
    }
}

} // namespace

std::string stop_text(const result& r) {
    std::ostringstream s;
    switch (r.algorithm) {
    case algorithm::fstar:
    case algorithm::minmax:
    case algorithm::logic:
        if (r.stop == stop_reason::not_run) return "no function to solve";
        s << fstarStopText(r);
        if (r.algorithm == algorithm::logic) {
            static constexpr const char* kVerdicts[] = {"False", "True", "Perhaps"};
            s << "; Consistency: " << kVerdicts[static_cast<int>(r.verdict)];
        }
        break;
    case algorithm::qsi:
        if (r.stop == stop_reason::not_run)
            return r.message == no_free_variable_message ? "no F variable to pave"
                                                         : "CSPEps is not positive";
        // Boxes a limit left undecided are reported among the undefined.
        if (r.left_undecided == 0)
            s << "every box decided";
        else
            s << (r.stop == stop_reason::memory_limit
                      ? "memory limit MemoryLimit=" + number(r.memory_limit_mb) + " MB"
                  : r.stop == stop_reason::cancelled
                      ? std::string("the run was cancelled")
                      : "time limit QSITime=" + number(r.time_limit) + " s")
              << " reached with " << r.left_undecided
              << " boxes left undecided, reported as undefined";
        s << " (" << r.solution.size() << " solution, " << r.non_solution.size()
          << " non-solution, " << r.undefined.size() << " undefined boxes)";
        break;
    case algorithm::contractor:
        if (r.stop == stop_reason::time_limit)
            s << "time limit QSITime=" << number(r.time_limit) << " s reached";
        else if (r.empty)
            s << "a domain was found empty: no point satisfies the constraints";
        else
            s << "box contracted to CSPEps=" << number(r.epsilon);
        break;
    case algorithm::none:
        break;
    }
    return s.str();
}

run_summary write_results(const result& r, const std::string& base_name,
                          const program_options& options, result_files& files) {
    run_summary summary;
    summary.stop = stop_text(r);
    const bool fstarRun = r.algorithm == algorithm::fstar || r.algorithm == algorithm::minmax ||
                          r.algorithm == algorithm::logic;
    if (fstarRun && r.stop != stop_reason::not_run) summary.tol = number(r.tol);
    auto stage = [&](run_summary& into, const std::string& file,
                     const std::function<void(std::ostream&)>& write) {
        std::string reason;
        const bool ok = files.stage(file, write, reason);
        record(into, ok, file, reason);
    };
    if (r.algorithm == algorithm::logic && r.stop != stop_reason::not_run)
        stage(summary, "Tree.txt", [&](std::ostream& os) { os << r.tree_dump; });
    auto reports = [&](run_summary& into) {
        stage(into, base_name + "Solution.txt", [&](std::ostream& os) { write_report(r, os); });
        if (options.write_json)
            stage(into, base_name + "Solution.json", [&](std::ostream& os) { write_json(r, os); });
    };
    if (r.algorithm != algorithm::qsi || r.stop == stop_reason::not_run) {
        reports(summary);
        return summary;
    }

    // The picture, drawn from the paving while another thread writes the
    // report.
    run_summary pictures;
    {
        std::jthread writer;
        const bool twoCores = std::thread::hardware_concurrency() > 1;
        if (twoCores) writer = std::jthread([&] { reports(summary); });
        toolkit::Bitmap image;
        image.setSize(repere::kImageWidth, repere::kImageHeight);
        const ivalDb x = horizontalRange(r), y = verticalRange(r);
        repere frame(image, x.inf(), x.sup(), y.inf(), y.sup());
        drawPaving(r, frame);
        auto picture = [&](const std::string& file, const char* format) {
            std::string reason;
            if (!result_files::replaceable(file, reason)) {
                record(pictures, false, file, reason);
                return;
            }
            errno = 0;
            const bool ok = frame.save(files.temporary_for(file), format);
            const int error = errno;
            if (ok)
                files.adopt(file);
            else
                ::unlink(files.temporary_for(file).c_str());
            record(pictures, ok, file,
                   error != 0 ? std::strerror(error) : "the picture could not be written");
        };
        if (options.write_bmp) picture(base_name + "Image.bmp", "BMP");
        picture(base_name + "Image.png", "PNG");
        if (!twoCores) reports(summary);
    }
    summary.written.insert(summary.written.end(), pictures.written.begin(), pictures.written.end());
    summary.failed.insert(summary.failed.end(), pictures.failed.begin(), pictures.failed.end());
    return summary;
}

} // namespace modal
