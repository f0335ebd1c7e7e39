#include "solver/driver/command_line.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "solver/language/algorithms.h"
#include "solver/language/options.h"
#include "solver/model/node.h"

#ifndef MODAL_VERSION
#define MODAL_VERSION "0"
#endif

namespace modal {

namespace {

constexpr std::size_t kHelpWidth = 79;

// `text` wrapped at kHelpWidth, its first line after `head` padded to
// `indent` columns (or on a line of its own when `head` is longer), the
// following lines indented as far.
std::string wrapped(const std::string& head, std::string_view text, std::size_t indent) {
    std::string out = head;
    std::size_t column = head.size();
    if (column + 1 > indent) {
        out += "\n";
        column = 0;
    }
    bool lineStart = true;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = std::min(text.find(' ', at), text.size());
        const std::string_view word = text.substr(at, end - at);
        at = end + 1;
        if (!lineStart && column + 1 + word.size() > kHelpWidth) {
            out += "\n";
            column = 0;
            lineStart = true;
        }
        if (lineStart) {
            out.append(indent - column, ' ');
            column = indent;
        } else {
            out += ' ';
            ++column;
        }
        out += word;
        column += word.size();
        lineStart = false;
    }
    return out + "\n";
}

std::string algorithmsHelp() {
    std::string s = "Algorithms (the statement Algorithm=NAME; in the file):\n";
    std::string idle;
    for (const algorithmInfo& a : algorithms()) {
        if (a.run == algorithmRun::none) {
            idle += (idle.empty() ? "" : " and ") + std::string(a.name);
            continue;
        }
        s += wrapped("  " + std::string(a.name), a.help, 14);
    }
    return s + "  " + idle + " are accepted but solve nothing.\n";
}

std::string optionsHelp() {
    std::string s = "Options in the file (name=value;), with their defaults:\n";
    for (const optionInfo& o : options())
        s += wrapped("  " + std::string(o.name) + "=" + std::string(o.shown_default), o.help, 17);
    return s + "  LOGIC uses Epsilon=Tolerance=1e-15 whatever the file says. Without a time\n"
               "  limit a LOGIC run that cannot settle its statement ends with Perhaps once\n"
               "  its global twin has not changed over the last half of its steps (at least\n"
               "  4096), or after 60 s.\n";
}

std::string expressionsHelp() {
    std::string unary, binary;
    for (const kindInfo& k : nodeKinds()) {
        if (k.syntax != kindSyntax::function) continue;
        std::string& list = k.arity == 2 ? binary : unary;
        list += (list.empty() ? "" : ", ") + std::string(k.text);
    }
    return wrapped("Expressions (f:=, and the sides of the relations of lf:= and c:=):",
                   "+ - * / between terms, - before one, pow(e, n) with an integer n, the "
                   "functions " +
                       unary + " of one argument and " + binary +
                       " of two. Relations: =, <=, >=, <, >.",
                   2);
}

} // namespace

std::string help_text() {
    return R"(Usage: solver [--quiet] [--no-bmp] [--json] BASE
Reads the problem file BASE.txt (BASE.txt itself may be given too), prints one
line per statement and solves the problem with the algorithm the file names.

)" + algorithmsHelp() +
           "\n" + optionsHelp() + "\n" + expressionsHelp() + R"(
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
a result file cannot be written; 2 on a usage error; 130 or 143 when SIGINT
or SIGTERM stopped the run. Result files replace the old ones only when every
one of them was written whole.
)";
}

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
