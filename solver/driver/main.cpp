// solver BASENAME: solves the problem in BASENAME.txt.
#include <unistd.h>

#include <csignal>
#include <exception>
#include <iostream>
#include <new>

#include "solver/driver/command_line.h"
#include "solver/driver/run_problem.h"

namespace {

// SIGINT and SIGTERM cancel the run; the program then replaces no result
// file and exits with 128 plus the signal's number.
extern "C" void onStopSignal(int signal) {
    modal::stop_signal.store(signal);
    modal::cancel_run.store(true);
}

void catchStopSignals() {
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

} // namespace

int main(int argc, char** argv) {
    modal::command_line c = modal::parse_command_line(argc, argv);
    switch (c.what) {
    case modal::command_line::action::help:
        std::cout << modal::help_text();
        return 0;
    case modal::command_line::action::version:
        std::cout << modal::version_line();
        return 0;
    case modal::command_line::action::usage_error:
        if (!c.error.empty()) std::cerr << "solver: " << c.error << "\n";
        std::cerr << modal::usage_line;
        return 2;
    case modal::command_line::action::run:
        break;
    }
    c.options.terminal = isatty(STDERR_FILENO) == 1;
    c.options.progress = c.options.terminal && !c.quiet;
    catchStopSignals();
    try {
        return modal::run_problem(c.base_name, std::cout, std::cerr, c.options);
    } catch (const std::bad_alloc&) {
        std::cout << std::flush;
        std::cerr << "solver: memory ran out: the system refused more memory; no report\n";
        return 1;
    } catch (const std::exception& e) {
        std::cout << std::flush;
        std::cerr << "solver: " << e.what() << "\n";
        return 1;
    }
}
