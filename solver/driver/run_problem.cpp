#include "solver/driver/run_problem.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <sstream>
#include <string_view>

#include "modal/problem.h"
#include "modal/solve.h"
#include "solver/driver/progress.h"
#include "solver/language/algorithms.h"

namespace modal {

std::atomic<int> stop_signal{0};
std::atomic<bool> cancel_run{false};

namespace {

constexpr std::string_view kTitle = "Modal Interval Solver";
constexpr std::string_view kCredit = "F* and quantified set inversion with modal intervals, 2026";

// The files of a summary as a list: "a, b and c".
std::string fileList(const std::vector<std::string>& files) {
    std::string s;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (i > 0) s += i + 1 == files.size() ? " and " : ", ";
        s += files[i];
    }
    return s;
}

void showSummary(std::ostream& err, const run_summary& s) {
    for (const auto& [file, reason] : s.failed)
        err << "solver: cannot write " << file << ": " << reason << "\n";
    err << "solver: stopped: " << s.stop;
    if (!s.tol.empty()) err << "; final Tol " << s.tol;
    err << "; " << (s.written.empty() ? "no file written" : "wrote " + fileList(s.written)) << "\n";
}

// A warning about a statement ("line N, 'statement': text"), or about the
// problem as a whole.
void show(std::ostream& err, const warning& w) {
    err << "solver: warning: ";
    if (w.line > 0) err << "line " << w.line << ", '" << w.statement << "': ";
    err << w.text << "\n";
}

// Each line of the problem file as it is read: "Blank Line", "Comment ",
// "Parsing Succeeded" or "Syntax Error: " on the output, the statement's
// warnings and the reason of a syntax error on the error stream.
class echo : public line_observer {
public:
    echo(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}
    void line(line_kind kind, const std::string& text, const parse_error* error,
              const std::vector<warning>& warnings) override {
        switch (kind) {
        case line_kind::blank:
            out_ << "Blank Line\n";
            break;
        case line_kind::comment:
            out_ << "Comment \n" << text << "\n";
            break;
        case line_kind::pending:
            break;
        case line_kind::statement:
            if (error == nullptr) {
                out_ << "Parsing Succeeded\n" << text << "\n";
                for (const warning& w : warnings)
                    show(err_, w);
            } else {
                out_ << "Syntax Error: \n\n" << text << "\n" << std::flush;
                err_ << "solver: syntax error at line " << error->line << ", column "
                     << error->column;
                if (error->line != error->statement_line)
                    err_ << " (the statement begins on line " << error->statement_line << ")";
                err_ << ": " << error->reason << "\n";
            }
            break;
        }
    }

private:
    std::ostream& out_;
    std::ostream& err_;
};

// The problem file's text, unless it is longer than kMaxProblemBytes or is
// UTF-16 (its first two bytes a byte-order mark, or NUL bytes among the
// first ones).
enum class reading { whole, failed, too_long, utf16 };
reading read_problem(std::istream& in, std::string& text) {
    std::string chunk(1 << 16, '\0');
    while (in) {
        in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        text.append(chunk.data(), static_cast<std::size_t>(in.gcount()));
        if (text.size() > kMaxProblemBytes) return reading::too_long;
    }
    if (in.bad()) return reading::failed;
    const std::string_view head(text.data(), std::min<std::size_t>(text.size(), 64));
    if (head.starts_with("\xFF\xFE") || head.starts_with("\xFE\xFF") ||
        head.find('\0') != std::string_view::npos)
        return reading::utf16;
    return reading::whole;
}

// A run stopped by SIGINT or SIGTERM: no result file was replaced.
int interrupted(std::ostream& err) {
    const int signal = stop_signal.load();
    err << "solver: interrupted by " << (signal == SIGINT ? "SIGINT" : "SIGTERM")
        << ": no result written, the results of earlier runs are as they were\n";
    return 128 + signal;
}

// The run of a problem without an algorithm that solves.
run_summary nothingToSolve(const std::string& name, std::ostream& err) {
    run_summary summary;
    const std::string names = "Algorithm=" + solving_algorithm_names();
    if (name.empty()) {
        err << "solver: warning: the file has no Algorithm= statement: nothing is solved (" << names
            << ")\n";
        summary.stop = "no Algorithm= statement";
    } else {
        err << "solver: warning: Algorithm=" << name << " solves nothing (" << names << " do)\n";
        summary.stop = "Algorithm=" + name + " solves nothing";
    }
    return summary;
}

} // namespace

void print_banner(std::ostream& out) {
    const std::string rule(57, '/');
    out << rule << "\n\n";
    out << "\t\t " << kTitle << "\n\n";
    out << "\t " << kCredit << "\n\n";
    out << rule << "\n\n";
}

int run_problem(const std::string& base_name, std::ostream& out, std::ostream& err,
                const program_options& options, const solve_function& solve) {
    print_banner(out);

    const std::string problem_file_name = base_name + ".txt";
    std::error_code ec;
    std::ifstream in;
    const bool directory = std::filesystem::is_directory(problem_file_name, ec);
    errno = 0;
    if (!directory) in.open(problem_file_name);
    if (!in.is_open()) {
        const int reason = directory ? EISDIR : errno;
        out << "Error opening file\n" << std::flush;
        err << "solver: cannot open " << problem_file_name << ": "
            << (reason != 0 ? std::strerror(reason) : "cannot be read") << "\n";
        return 1;
    }
    std::string text;
    switch (read_problem(in, text)) {
    case reading::whole:
        break;
    case reading::failed:
        out << std::flush;
        err << "solver: error reading " << problem_file_name << "\n";
        return 1;
    case reading::too_long:
        out << std::flush;
        err << "solver: " << problem_file_name << " is longer than "
            << kMaxProblemBytes / (1024 * 1024) << " MB: it is not read\n";
        return 1;
    case reading::utf16:
        out << std::flush;
        err << "solver: " << problem_file_name
            << " is UTF-16 text: save it as ASCII or UTF-8 and run again\n";
        return 1;
    }

    echo lines(out, err);
    const parse_result parsed = parse_problem(text, lines);
    out << std::flush;
    result_files files(problem_file_name, &stop_signal);
    if (parsed.error) {
        const std::string solution_file_name = base_name + "Solution.txt";
        std::string reason;
        const bool staged = files.stage(
            solution_file_name,
            [&](std::ostream& os) {
                os << "Syntax Error: \n\n" << parsed.error->statement << "\n";
            },
            reason);
        if (staged && stop_signal == 0) {
            const auto failed = files.commit();
            if (!failed.empty()) reason = failed.front().second;
        }
        if (stop_signal != 0) return interrupted(err);
        if (!staged || !reason.empty()) {
            err << "solver: cannot write " << solution_file_name << ": " << reason << "\n";
            return 1;
        }
        err << "solver: stopped: syntax error; wrote " << solution_file_name << "\n";
        return 0;
    }
    if (parsed.ignored_text)
        err << "solver: warning: line " << parsed.ignored_text->line << ": "
            << parsed.ignored_text->text << ": '" << parsed.ignored_text->statement << "'\n";
    for (const warning& w : parsed.problem_warnings)
        show(err, w);

    const problem& p = *parsed.value;
    run_options run;
    run.step_lines = &out;
    run.cancel = &cancel_run;
    progress_display display(err, options.progress, p.algorithm());
    if (display.enabled()) run.on_progress = [&display](const progress& now) { display.show(now); };
    const result r = solve ? solve(p, text, run) : modal::solve(p, run);
    display.finish();
    if (stop_signal != 0) return interrupted(err);
    if (r.algorithm == algorithm::none) {
        showSummary(err, nothingToSolve(p.algorithm(), err));
        return 0;
    }
    for (const std::string& w : r.warnings)
        err << "solver: warning: " << w << "\n";
    // A problem without anything to solve says so where its result would be.
    if (r.stop == stop_reason::not_run) out << r.message;
    out << std::flush;
    run_summary summary = write_results(r, base_name, options, files);
    if (stop_signal != 0) return interrupted(err);
    // The files of a run take the place of the old ones only now, all
    // together, and only when every one was written whole: a report never
    // stands beside the pictures of another run.
    if (summary.failed.empty()) {
        for (auto& [file, reason] : files.commit()) {
            std::erase(summary.written, file);
            summary.failed.emplace_back(file, reason);
        }
    } else {
        files.discard();
        summary.written.clear();
    }
    if (r.stop == stop_reason::memory_limit)
        err << "solver: memory ran out: the run used more than the memory limit of "
            << r.memory_limit_mb << " MB and stopped; its report is partial\n";
    showSummary(err, summary);
    // A result that could not be written is a failure, whatever the run found.
    return summary.failed.empty() ? 0 : 1;
}

} // namespace modal
