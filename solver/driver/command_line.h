// The command line of `solver`: the problem's base name and a few flags.
#pragma once

#include <string>
#include <string_view>

#include "solver/driver/run_problem.h"

namespace modal {

struct command_line {
    enum class action {
        run,         // solve base_name
        help,        // print help_text()
        version,     // print the version line
        usage_error, // print `error` and the usage line; exit status 2
    };
    action what = action::usage_error;
    std::string base_name;
    bool quiet = false; // no progress display
    program_options options;
    std::string error;
};

// Reads the arguments after the program name. A problem name given with its
// ".txt" is taken without it, unless a file of that name plus ".txt" exists.
command_line parse_command_line(int argc, const char* const* argv);

inline constexpr std::string_view usage_line =
    "usage: solver [--quiet] [--no-bmp] [--json] BASE  (reads BASE.txt, writes "
    "BASESolution.txt; solver --help tells more)\n";
// The --help text: usage, the algorithms, options and functions of the
// problem language (from their tables), the files and the exit statuses.
std::string help_text();
// "solver " and the version number.
std::string version_line();

} // namespace modal
