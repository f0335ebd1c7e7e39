#include "solver/driver/command_line.h"

#include <filesystem>
#include <system_error>

#ifndef MODAL_VERSION
#define MODAL_VERSION "0"
#endif

namespace modal {

const std::string_view help_text =
    R"(Usage: solver [--quiet] [--no-bmp] [--json] BASE
Reads the problem file BASE.txt (BASE.txt itself may be given too), prints one
line per statement and solves the problem with the algorithm the file names.

Algorithms (the statement Algorithm=NAME; in the file):
  FSTAR       inner and outer approximations of the range of f:= over the box
  MINMAX      bounds of the minimum (Optim=1) or maximum (Optim=2) of f, with
              the boxes that can hold it; MIN/MAX variables state min-max
              problems
  LOGIC       decides the quantified statement lf:= : True, False or Perhaps
  QSI         paves the box of the F variables into solution, non-solution and
              undefined boxes for the constraints c:=, and draws the paving
  CONTRACTOR  shrinks the box of the F variables to the part that can hold a
              solution of the constraints
  CSP and MAXMIN are accepted but solve nothing.

Options in the file (name=value;), with their defaults:
  Epsilon=0      no cut of a cell or strip narrower than this (F*)
  Tolerance=0    stop once Tol, the distance of the approximations, is not
                 above this; also the decimals of the report (F*)
  Bisect=2       pieces per cut (F*), at most 1000
  Time=1e301     time limit in seconds of processor time (F*)
  Optim=0        0 both bounds, 1 the lower, 2 the upper; set it before MIN/MAX
  ScreenOut=0    1: one line per F* step on standard output
  Debug=0        log level of the F* solver (the log is not kept)
  Solution, Plot accepted; FSTAR, MINMAX and LOGIC set them themselves
  CSPEps=0.1     QSI: smallest box, as a fraction of each variable's width;
                 CONTRACTOR: width tolerance
  QSITime=inf    time limit in seconds of QSI and CONTRACTOR (every constraint
                 run included; boxes left undecided are reported as undefined)
  Threads=0      QSI: threads that classify boxes (0 every core, 1 one);
                 the results are the same for any number
  MeanValue=0    1: F* bounds also from the mean-value form (derivatives over
                 each cell); converges much faster near extrema
  MemoryLimit=0  megabytes the run may use (0: half of the physical memory);
                 past it the run stops as at its time limit
  PlotX=name, PlotY=name   the F variables on the axes of the QSI picture
  LOGIC uses Epsilon=Tolerance=1e-15 whatever the file says. Without a time
  limit a LOGIC run that cannot settle its statement ends with Perhaps once
  its global twin has not changed over the last half of its steps (at least
  4096), or after 60 s.

Files written next to the problem:
  BASESolution.txt  the result, or the statement with the syntax error
  BASEImage.bmp     QSI: the picture (red solution, blue non-solution,
                    yellow undefined boxes); not with --no-bmp
  BASEImage.png     QSI: the same picture as PNG
  BASESolution.json with --json: the result as JSON
  Tree.txt          LOGIC: the statement and its derivatives (current folder)

Command-line options:
  --quiet    no progress line (it is shown only when standard error is a
             terminal)
  --no-bmp   QSI: write the picture only as BASEImage.png
  --json     also write the result as BASESolution.json (every number
             exact; the schema is in the documentation)
  --help     this text
  --version  the version

Standard output shows the statements and results as they always have; the
messages of solver itself (reasons of syntax errors, warnings, what stopped
the run and which files it wrote) go to standard error, prefixed "solver: ".

Exit status: 0 when the file was read (also after a syntax error, which
BASESolution.txt holds); 1 when the problem file cannot be opened or read, or
a result file cannot be written; 2 on a usage error.
)";

std::string version_line() {
    return std::string("solver ") + MODAL_VERSION + "\n";
}

namespace {

std::string withoutTxt(std::string name) {
    constexpr std::string_view ext = ".txt";
    if (name.size() <= ext.size() || name.compare(name.size() - ext.size(), ext.size(), ext) != 0)
        return name;
    std::error_code ec;
    if (std::filesystem::exists(name + ".txt", ec)) return name;
    name.resize(name.size() - ext.size());
    return name;
}

} // namespace

command_line parse_command_line(int argc, const char* const* argv) {
    command_line c;
    bool options_done = false;
    int names = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (!options_done && a.size() > 1 && a.front() == '-') {
            if (a == "--") {
                options_done = true;
            } else if (a == "--help" || a == "-h") {
                c.what = command_line::action::help;
                return c;
            } else if (a == "--version") {
                c.what = command_line::action::version;
                return c;
            } else if (a == "--quiet" || a == "-q") {
                c.quiet = true;
            } else if (a == "--no-bmp") {
                c.options.write_bmp = false;
            } else if (a == "--json") {
                c.options.write_json = true;
            } else {
                c.error = "unknown option '" + std::string(a) + "'";
                return c;
            }
            continue;
        }
        ++names;
        c.base_name = withoutTxt(std::string(a));
    }
    if (names != 1) {
        if (names > 1) c.error = "give one problem name only";
        return c;
    }
    c.what = command_line::action::run;
    return c;
}

} // namespace modal
