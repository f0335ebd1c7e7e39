#include "solver/language/options.h"

#include <array>
#include <climits>
#include <cmath>
#include <sstream>
#include <string>

#include "solver/fstar/param.h"
#include "solver/fstar/strip.h"
#include "solver/language/actions.h"
#include "solver/sets/qsi_param.h"

namespace modal {

namespace {

// Writers for the targets, each doing nothing when its record is absent.
template <typename F> void toParam(parse_context& ctx, F f) {
    if (ctx.settings) f(*ctx.settings);
}
template <typename F> void toQsi(parse_context& ctx, F f) {
    if (ctx.qsi_settings) f(*ctx.qsi_settings);
}

// Megabytes beyond any machine's memory (ten terabytes): a larger
// MemoryLimit is the physical memory.
constexpr double kMaxMemoryMegabytes = 1e7;

// Most threads QSI starts unless the machine has more cores.
constexpr double kMaxThreads = 64;

const std::array<optionInfo, 17> kOptions{{
    {.name = "Epsilon",
     .type = optionType::real,
     .shown_default = "0",
     .help = "no cut of a cell or strip narrower than this (F*)",
     .least = 0,
     .below = "every cell and strip may be cut, as with Epsilon=0",
     .apply = [](parse_context& c, double x) { toParam(c, [x](param& p) { p.epsilon = x; }); },
     .current = [](const param& p, const qsiParam&) { return p.epsilon; }},
    {.name = "Tolerance",
     .type = optionType::real,
     .shown_default = "0",
     .help = "stop once Tol, the distance of the approximations, is not above this; also the "
             "decimals of the report (F*)",
     .least = 0,
     .below = "Tol never gets below zero, so the run stops only at its time limit or when "
              "nothing is left to cut",
     .apply = [](parse_context& c, double x) { toParam(c, [x](param& p) { p.tolerance = x; }); },
     .current = [](const param& p, const qsiParam&) { return p.tolerance; }},
    {.name = "Bisect",
     .type = optionType::integer,
     .shown_default = "2",
     .help = "pieces per cut (F*), at most 1000",
     .least = 2,
     .below = "each cut makes # pieces",
     .most = kMaxPiecesPerCut,
     .above = "each cut makes # pieces",
     .apply =
         [](parse_context& c, double x) {
             toParam(c,
                     [x](param& p) { p.bisect = std::min(option_integer(x), kMaxPiecesPerCut); });
         },
     .current = [](const param& p, const qsiParam&) { return static_cast<double>(p.bisect); }},
    {.name = "Time",
     .type = optionType::real,
     .shown_default = "1e301",
     .help = "time limit in seconds of processor time (F*)",
     .least = 0,
     .below = "the run stops at its first time test, with the report of its first strip",
     .apply = [](parse_context& c, double x) { toParam(c, [x](param& p) { p.time_limit = x; }); },
     .current = [](const param& p, const qsiParam&) { return p.time_limit; }},
    {.name = "Optim",
     .type = optionType::integer,
     .shown_default = "0",
     .help = "0 both bounds, 1 the lower, 2 the upper; set it before MIN/MAX",
     .apply =
         [](parse_context& c, double x) {
             toParam(c, [x](param& p) { p.optim = static_cast<optimBound>(option_integer(x)); });
         },
     .current = [](const param& p, const qsiParam&) { return static_cast<double>(p.optim); }},
    {.name = "ScreenOut",
     .type = optionType::flag,
     .shown_default = "0",
     .help = "1: one line per F* step on standard output",
     .apply = [](parse_context& c,
                 double x) { toParam(c, [x](param& p) { p.screen_out = option_flag(x); }); },
     .current = [](const param& p, const qsiParam&) { return p.screen_out ? 1.0 : 0.0; }},
    {.name = "Debug",
     .type = optionType::integer,
     .shown_default = "0",
     .help = "log level of the F* solver (the log is not kept)",
     .apply = [](parse_context& c,
                 double x) { toParam(c, [x](param& p) { p.debug = option_integer(x); }); },
     .current = [](const param& p, const qsiParam&) { return static_cast<double>(p.debug); }},
    {.name = "Solution",
     .type = optionType::flag,
     .shown_default = "0",
     .help = "write the report; FSTAR, MINMAX and LOGIC set it themselves",
     .apply = [](parse_context& c,
                 double x) { toParam(c, [x](param& p) { p.write_solution = option_flag(x); }); },
     .current = [](const param& p, const qsiParam&) { return p.write_solution ? 1.0 : 0.0; }},
    {.name = "Plot",
     .type = optionType::flag,
     .shown_default = "0",
     .help = "draw while solving; FSTAR, MINMAX and LOGIC set it themselves",
     .apply = [](parse_context& c,
                 double x) { toParam(c, [x](param& p) { p.plot = option_flag(x); }); },
     .current = [](const param& p, const qsiParam&) { return p.plot ? 1.0 : 0.0; }},
    {.name = "CSPEps",
     .type = optionType::real,
     .shown_default = "0.1",
     .help = "QSI: smallest box, as a fraction of each variable's width; CONTRACTOR: width "
             "tolerance",
     .apply = [](parse_context& c, double x) { toQsi(c, [x](qsiParam& q) { q.epsilon = x; }); },
     .current = [](const param&, const qsiParam& q) { return q.epsilon; }},
    {.name = "QSITime",
     .type = optionType::real,
     .shown_default = "1e400",
     .help = "time limit in seconds of QSI and CONTRACTOR, none by default (every constraint run "
             "included; boxes left undecided are reported as undefined)",
     .least = 0,
     .below = "the run stops before it decides a box: the whole box is reported undefined",
     .apply = [](parse_context& c, double x) { toQsi(c, [x](qsiParam& q) { q.time_limit = x; }); },
     .current = [](const param&, const qsiParam& q) { return q.time_limit; }},
    {.name = "Threads",
     .type = optionType::integer,
     .shown_default = "0",
     .help = "QSI: threads that classify boxes (0 every core, 1 one); the results are the same "
             "for any number",
     .least = 0,
     .below = "QSI uses every core, as with Threads=0",
     .most = kMaxThreads,
     .above = "QSI runs # threads (one per core on a machine with more cores)",
     .apply = [](parse_context& c,
                 double x) { toQsi(c, [x](qsiParam& q) { q.threads = option_integer(x); }); },
     .current = [](const param&, const qsiParam& q) { return static_cast<double>(q.threads); }},
    {.name = "MeanValue",
     .type = optionType::flag,
     .shown_default = "0",
     .help = "1: F* bounds also from the mean-value form (derivatives over each cell); "
             "converges much faster near extrema. Where every variable is universal it "
             "also bounds the optimum by points found by a local descent (proven to satisfy "
             "the constraints), contracts new strips by the constraints and by the bounds "
             "known, and cuts by derivative times width",
     .apply = [](parse_context& c,
                 double x) { toParam(c, [x](param& p) { p.mean_value = option_flag(x); }); },
     .current = [](const param& p, const qsiParam&) { return p.mean_value ? 1.0 : 0.0; }},
    {.name = "Contract",
     .type = optionType::flag,
     .shown_default = "0",
     .help = "1: QSI contracts each box by the constraints and their complements before "
             "classifying it (forward-backward); the parts cut off are non-solution and "
             "solution boxes. CONTRACTOR contracts so before and between its shavings; F* "
             "drops the cells a constraint's contraction empties",
     .apply =
         [](parse_context& c, double x) {
             toParam(c, [x](param& p) { p.contract = option_flag(x); });
             toQsi(c, [x](qsiParam& q) { q.contract = option_flag(x); });
         },
     .current = [](const param&, const qsiParam& q) { return q.contract ? 1.0 : 0.0; }},
    {.name = "MemoryLimit",
     .type = optionType::real,
     .shown_default = "0",
     .help = "megabytes the run may use (0: half of the physical memory); past it the run "
             "stops as at its time limit",
     .least = 0,
     .below = "the limit is half of the physical memory, as with MemoryLimit=0",
     .most = kMaxMemoryMegabytes,
     .above = "no machine has that much: the limit is the machine's physical memory",
     .apply = [](parse_context& c, double x) { toParam(c, [x](param& p) { p.memory_limit = x; }); },
     .current = [](const param& p, const qsiParam&) { return p.memory_limit; }},
    {.name = "PlotX",
     .type = optionType::name,
     .shown_default = "name",
     .help = "QSI: the F variable on the horizontal axis of the picture",
     .apply_name = [](parse_context& c,
                      std::string_view v) { toQsi(c, [v](qsiParam& q) { q.plot_x_name = v; }); }},
    {.name = "PlotY",
     .type = optionType::name,
     .shown_default = "name",
     .help = "QSI: the F variable on the vertical axis of the picture",
     .apply_name = [](parse_context& c,
                      std::string_view v) { toQsi(c, [v](qsiParam& q) { q.plot_y_name = v; }); }},
}};

// The number as the warnings show it.
std::string numberText(double x) {
    std::ostringstream text;
    text << x;
    return text.str();
}

// A number the option accepts but does not take as it is: what the run does.
void warnIfOutOfRange(parse_context& ctx, const optionInfo& o, double value) {
    if (o.type == optionType::name || o.type == optionType::flag) return;
    const double v =
        o.type == optionType::integer ? static_cast<double>(option_integer(value)) : value;
    // '#' in the text stands for the limit.
    const auto warn = [&](const char* side, double limit, std::string_view means) {
        std::string text(means);
        if (const auto at = text.find('#'); at != std::string::npos)
            text.replace(at, 1, numberText(limit));
        ctx.warnings.push_back(std::string(o.name) + "=" + numberText(value) + " is " + side + " " +
                               numberText(limit) + ": " + text);
    };
    if (v < o.least) warn("below", o.least, o.below);
    if (v > o.most) warn("above", o.most, o.above);
}

} // namespace

std::span<const optionInfo> options() noexcept {
    return kOptions;
}

const optionInfo* find_option(std::string_view name) noexcept {
    for (const optionInfo& o : kOptions)
        if (o.name == name) return &o;
    return nullptr;
}

int option_integer(double x) noexcept {
    if (std::isnan(x)) return 0;
    const double t = std::trunc(x);
    if (t >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (t <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(t);
}

bool option_flag(double x) noexcept {
    return x != 0.0;
}

void apply_num_option(parse_context& ctx, std::string_view name, double value) {
    const optionInfo* o = find_option(name);
    if (o == nullptr) return;
    if (o->apply == nullptr) {
        ctx.warnings.push_back(std::string(name) + " takes the name of an F variable: the number " +
                               numberText(value) + " is ignored");
        return;
    }
    o->apply(ctx, value);
    warnIfOutOfRange(ctx, *o, value);
}

void apply_sym_option(parse_context& ctx, std::string_view name, std::string_view value) {
    const optionInfo* o = find_option(name);
    if (o == nullptr) return;
    if (o->apply_name == nullptr) {
        ctx.warnings.push_back(std::string(name) + " takes a number: the name '" +
                               std::string(value) + "' is ignored");
        return;
    }
    o->apply_name(ctx, value);
}

void assign_num_param(parse_context& ctx) {
    const std::string name = pop_symbol(ctx);
    double value = 0;
    if (!ctx.num_stack.empty()) {
        value = ctx.num_stack.top();
        ctx.num_stack.pop();
    }
    apply_num_option(ctx, name, value);
    if (name == "Optim" && ctx.settings != nullptr) warn_optim_after_declarations(ctx);
}

void warn_optim_after_declarations(parse_context& ctx) {
    const optimBound optim = ctx.settings->optim;
    std::string names;
    for (const auto& use : ctx.optim_uses)
        if (use.optim != optim) names += (names.empty() ? "" : ", ") + use.name;
    if (names.empty()) return;
    ctx.warnings.push_back("MIN/MAX declarations of " + names +
                           " come before this Optim and keep the bounds Optim " +
                           "gave them then: set Optim before them");
}

void assign_sym_param(parse_context& ctx) {
    const std::string value = pop_symbol(ctx);
    const std::string name = pop_symbol(ctx);
    apply_sym_option(ctx, name, value);
}

} // namespace modal
