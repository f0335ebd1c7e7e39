#include "solver/driver/runs.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
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

void record(run_summary& summary, bool ok, const std::string& file) {
    (ok ? summary.written : summary.failed).push_back(file);
}

std::string write_failure_reason(const std::string& file) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fs::is_directory(file, ec)) return std::strerror(EISDIR);
    // Asked without touching anything: the file if it exists, else its folder.
    const fs::path parent = fs::path(file).parent_path();
    const std::string target =
        fs::exists(file, ec) ? file : (parent.empty() ? std::string(".") : parent.string());
    if (::access(target.c_str(), W_OK) != 0) return std::strerror(errno);
    return "the data could not be written (is the disk full?)";
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
    default:
        return "the run ended";
    }
}

// `write` into `file`; false when it could not be written whole.
template <typename F> bool writeFile(const std::string& file, F write) {
    std::ofstream out(file, std::ios::out | std::ios::trunc);
    if (!out) return false;
    write(out);
    out.close();
    return !out.fail();
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
        // Boxes the time limit left undecided are reported among the undefined.
        if (r.left_undecided == 0)
            s << "every box decided";
        else
            s << "time limit QSITime=" << number(r.time_limit) << " s reached with "
              << r.left_undecided << " boxes left undecided, reported as undefined";
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
                          const program_options& options) {
    run_summary summary;
    summary.stop = stop_text(r);
    const bool fstarRun = r.algorithm == algorithm::fstar || r.algorithm == algorithm::minmax ||
                          r.algorithm == algorithm::logic;
    if (fstarRun && r.stop != stop_reason::not_run) summary.tol = number(r.tol);
    if (r.algorithm == algorithm::logic && r.stop != stop_reason::not_run)
        record(summary, writeFile("Tree.txt", [&](std::ostream& os) { os << r.tree_dump; }),
               "Tree.txt");

    const std::string solution = base_name + "Solution.txt";
    auto report = [&](run_summary& into) {
        record(into, writeFile(solution, [&](std::ostream& os) { write_report(r, os); }), solution);
        if (options.write_json) {
            const std::string json = base_name + "Solution.json";
            record(into, writeFile(json, [&](std::ostream& os) { write_json(r, os); }), json);
        }
    };
    if (r.algorithm != algorithm::qsi || r.stop == stop_reason::not_run) {
        report(summary);
        return summary;
    }

    // The picture, drawn from the paving, while another thread writes the
    // report (pictures are saved on this thread, where the image lives).
    run_summary fromReport;
    bool bmp = false, png = false;
    {
        std::jthread writer;
        const bool twoCores = std::thread::hardware_concurrency() > 1;
        if (twoCores) writer = std::jthread([&] { report(fromReport); });
        toolkit::Bitmap image;
        image.setSize(repere::kImageWidth, repere::kImageHeight);
        const ivalDb x = horizontalRange(r), y = verticalRange(r);
        repere frame(image, x.inf(), x.sup(), y.inf(), y.sup());
        drawPaving(r, frame);
        if (options.write_bmp) bmp = frame.savePicture(base_name);
        png = frame.savePng(base_name);
        if (!twoCores) report(fromReport);
    }
    summary.written = fromReport.written;
    summary.failed = fromReport.failed;
    if (options.write_bmp) record(summary, bmp, base_name + "Image.bmp");
    record(summary, png, base_name + "Image.png");
    return summary;
}

} // namespace modal
