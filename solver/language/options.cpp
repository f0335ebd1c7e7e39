#include "solver/language/options.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <sstream>
#include <string>

#include "solver/fstar/param.h"
#include "solver/language/actions.h"
#include "solver/sets/qsi_param.h"

namespace modal {

namespace {

struct numOption {
    std::string_view name;
    void (*apply)(parse_context&, double);
};

// Writers for the targets, each doing nothing when its record is absent.
template <typename F> void toParam(parse_context& ctx, F f) {
    if (ctx.settings) f(*ctx.settings);
}
template <typename F> void toQsi(parse_context& ctx, F f) {
    if (ctx.qsi_settings) f(*ctx.qsi_settings);
}

const std::array<numOption, 14> numOptions{{
    {"Epsilon", [](parse_context& c, double x) { toParam(c, [x](param& p) { p.epsilon = x; }); }},
    {"Tolerance",
     [](parse_context& c, double x) { toParam(c, [x](param& p) { p.tolerance = x; }); }},
    {"Bisect",
     [](parse_context& c, double x) {
         toParam(c, [x](param& p) { p.bisect = std::min(option_integer(x), kMaxBisect); });
     }},
    {"Debug", [](parse_context& c,
                 double x) { toParam(c, [x](param& p) { p.debug = option_integer(x); }); }},
    {"Optim",
     [](parse_context& c, double x) {
         toParam(c, [x](param& p) { p.optim = static_cast<optimBound>(option_integer(x)); });
     }},
    {"ScreenOut", [](parse_context& c,
                     double x) { toParam(c, [x](param& p) { p.screen_out = option_flag(x); }); }},
    {"Time", [](parse_context& c, double x) { toParam(c, [x](param& p) { p.time_limit = x; }); }},
    {"Solution",
     [](parse_context& c, double x) {
         toParam(c, [x](param& p) { p.write_solution = option_flag(x); });
     }},
    {"Plot",
     [](parse_context& c, double x) { toParam(c, [x](param& p) { p.plot = option_flag(x); }); }},
    {"CSPEps", [](parse_context& c, double x) { toQsi(c, [x](qsiParam& q) { q.epsilon = x; }); }},
    {"QSITime",
     [](parse_context& c, double x) { toQsi(c, [x](qsiParam& q) { q.time_limit = x; }); }},
    {"Threads", [](parse_context& c,
                   double x) { toQsi(c, [x](qsiParam& q) { q.threads = option_integer(x); }); }},
    {"MemoryLimit",
     [](parse_context& c, double x) { toParam(c, [x](param& p) { p.memory_limit = x; }); }},
    {"MeanValue", [](parse_context& c,
                     double x) { toParam(c, [x](param& p) { p.mean_value = option_flag(x); }); }},
}};

} // namespace

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
    for (const auto& option : numOptions) {
        if (option.name == name) {
            option.apply(ctx, value);
            return;
        }
    }
    // PlotX and PlotY take a name: a number leaves them unchanged.
    std::ostringstream text;
    text << name << " takes the name of an F variable: the number " << value << " is ignored";
    ctx.warnings.push_back(text.str());
}

void apply_sym_option(parse_context& ctx, std::string_view name, std::string_view value) {
    if (name == "PlotX") {
        toQsi(ctx, [value](qsiParam& q) { q.plot_x_name = value; });
    } else if (name == "PlotY") {
        toQsi(ctx, [value](qsiParam& q) { q.plot_y_name = value; });
    }
    // Every other option takes a number: a name leaves it unchanged.
    else {
        ctx.warnings.push_back(std::string(name) + " takes a number: the name '" +
                               std::string(value) + "' is ignored");
    }
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
    if (name == "Bisect" && option_integer(value) > kMaxBisect)
        ctx.warnings.push_back("one cut makes at most " + std::to_string(kMaxBisect) +
                               " pieces: Bisect is " + std::to_string(kMaxBisect));
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
