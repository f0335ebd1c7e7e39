// What a run of the solver found, as a value: no file, no stream.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "interval/ivalDb.h"

namespace modal {

enum class algorithm : std::uint8_t {
    none,       // no Algorithm= statement, "CSP" or "MAXMIN": nothing is solved
    fstar,      // inner and outer approximations of the range of f
    minmax,     // bounds of the minimum or the maximum of f
    logic,      // the verdict of a quantified statement
    qsi,        // quantified set inversion: a paving of the free variables' box
    contractor, // the free variables' box shrunk by the constraints
};

// Why a run ended.
enum class stop_reason : std::uint8_t {
    not_run,        // nothing to solve: see result::message
    tolerance,      // Tol reached Tolerance
    time_limit,     // the time limit (Time or QSITime) ran out
    memory_limit,   // the resident memory passed MemoryLimit
    cancelled,      // the run's cancel flag was raised
    decided,        // LOGIC: the statement was proven or refuted
    stalled,        // LOGIC without a time limit: the global twin stopped moving
    tol_floor,      // Tol cannot fall below the rounding of its bounds
    nothing_to_cut, // every piece left is narrower than Epsilon (or than doubles allow)
    all_decided,    // F*: every cell was decided; QSI: every box was
    ended,          // the F* loop ended otherwise (a verdict run without verdict)
    contracted,     // CONTRACTOR: every domain shrunk to CSPEps
    empty_domain,   // CONTRACTOR: a domain was found empty
};

// The verdict of a LOGIC statement.
enum class logic_verdict : std::uint8_t { is_false = 0, is_true = 1, perhaps = 2 };

// Which bound of the range an F* run bounds ("Optim").
enum class bound : std::uint8_t { both = 0, lower = 1, upper = 2 };

// The modality of the objective's variables, which names the approximation
// ("Min", "Max", "MinMax", ...).
enum class modality : std::uint8_t { proper, improper, mixed };

// One component of a box: a variable and its interval. `index` is the
// variable's place in its group as the report numbers it.
struct component {
    std::string name;
    int index = 0;
    ivalDb value;
};
using result_box = std::vector<component>;

// The boxes of a paving of one kind, with the variables of the free box:
// box k, variable v has the interval [bounds[2(k n + v)], bounds[2(k n + v) + 1]]
// where n is the number of variables.
struct box_list {
    std::size_t size() const noexcept {
        return dimension == 0 ? 0 : bounds.size() / (2 * dimension);
    }
    ivalDb at(std::size_t k, std::size_t v) const {
        const std::size_t i = 2 * (k * dimension + v);
        return ivalDb::exact(bounds[i], bounds[i + 1]);
    }
    std::size_t dimension = 0;
    std::vector<double> bounds;
};

enum class box_kind : std::uint8_t { solution = 0, non_solution = 1, undefined = 2 };

struct result {
    modal::algorithm algorithm = modal::algorithm::none;
    stop_reason stop = stop_reason::not_run;
    // Processor seconds of the run's threads (what the report's time line
    // rounds; -1 when nothing ran).
    double cpu_seconds = -1.0;
    // Why nothing was solved, as the result file says it (not_run only).
    std::string message;
    // What the run did otherwise than the problem seems to ask (a PlotX
    // naming no free variable, ...), one sentence each.
    std::vector<std::string> warnings;

    // --- FSTAR, MINMAX and LOGIC ----------------------------------------------
    bound optim = bound::both;
    modality domains = modality::proper;
    ivalDb inner = ivalNaN();
    ivalDb outer = ivalNaN();
    // The distance of the approximations on the bound(s) sought.
    double tol = kInf;
    logic_verdict verdict = logic_verdict::perhaps;
    // The boxes that can hold the minimum (maximum) of a MINMAX run, joined
    // from the cells the run gathered (`gathered_*`: there were such cells;
    // the report then lists the joined boxes, which may be none).
    std::vector<result_box> joined_min;
    std::vector<result_box> joined_max;
    bool gathered_min = false;
    bool gathered_max = false;
    // The constraints ruled out every point.
    bool no_solution = false;
    // The objective has points where it is not defined: the inner
    // approximation claims nothing there (see the README).
    bool undefined_points = false;
    long steps = 0;
    // LOGIC: the statement and its derivatives as the program's Tree.txt
    // holds them.
    std::string tree_dump;
    // The options the report's format depends on.
    double tolerance = 0;       // "Tolerance" (the decimals of the report)
    double time_limit = 0;      // "Time" or "QSITime"
    double epsilon = 0;         // "Epsilon", or "CSPEps" for QSI and CONTRACTOR
    double memory_limit_mb = 0; // the memory limit the run had

    // --- QSI and CONTRACTOR -----------------------------------------------------
    std::vector<std::string> names; // the free variables, in box order
    box_list solution;
    box_list non_solution;
    box_list undefined;
    // The kinds of the boxes in the order they were decided (the picture is
    // drawn in that order).
    std::vector<box_kind> decided;
    // Boxes the time limit left undecided (listed among the undefined).
    std::size_t left_undecided = 0;
    // QSI with Contract=1: boxes were contracted before they were
    // classified, so the paving is no series of bisections of the start box.
    bool contracted = false;
    // QSI: the box paved (the free variables' domains made proper) and the
    // variables on the picture's axes.
    result_box start;
    int plot_x = 0, plot_y = 1;
    // CONTRACTOR: the contracted box, and whether a domain was found empty.
    result_box box;
    bool empty = false;

    // The boxes of one kind.
    const box_list& boxes(box_kind k) const noexcept {
        return k == box_kind::solution       ? solution
               : k == box_kind::non_solution ? non_solution
                                             : undefined;
    }
};

} // namespace modal
