// Option statements, "name=number" and "name=identifier", and the table of
// the options: one entry per option with its value form, default, range and
// help text, from which the grammar takes the option names and the program
// its help.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "solver/language/parse_context.h"

namespace modal {

struct param;
struct qsiParam;

// What an option's value is and how a number given to it is converted.
enum class optionType : std::uint8_t {
    real,    // the number as it is
    integer, // truncated toward zero
    flag,    // on when the number differs from 0
    name,    // an identifier
};

struct optionInfo {
    std::string_view name;
    optionType type;
    std::string_view shown_default; // as the help shows it
    std::string_view help;
    // A converted number below `least` or above `most` is accepted, with a
    // warning saying what the run does with it (`below`, `above`; '#' stands
    // for the limit).
    double least = -kInf;
    std::string_view below = {};
    double most = kInf;
    std::string_view above = {};
    // Sets the option; numbers for number options, names for name options.
    void (*apply)(parse_context&, double) = nullptr;
    void (*apply_name)(parse_context&, std::string_view) = nullptr;
    // The setting as it stands in the two records (number options).
    double (*current)(const param&, const qsiParam&) = nullptr;
};

// Every option, in the order the help lists them.
std::span<const optionInfo> options() noexcept;
// The option of that exact name, or null.
const optionInfo* find_option(std::string_view name) noexcept;

// Pops the option name from sym_stack and the number from num_stack and
// applies the number to the option's setting.
void assign_num_param(parse_context& ctx);
// Pops the value name, then the option name, from sym_stack and applies it.
void assign_sym_param(parse_context& ctx);

// Applies one option directly; a value form the option does not take, or an
// unknown name, changes nothing (with a warning for the value form).
void apply_num_option(parse_context& ctx, std::string_view name, double value);
void apply_sym_option(parse_context& ctx, std::string_view name, std::string_view value);

// After an Optim statement: a warning naming the MIN and MAX declarations
// read before it with another Optim value (their bounds do not follow it).
void warn_optim_after_declarations(parse_context& ctx);

// Conversions of a number given to an option.
// Truncation toward zero, saturated to the range of int (a NaN gives 0).
int option_integer(double x) noexcept;
// True when the number differs from 0.
bool option_flag(double x) noexcept;

} // namespace modal
