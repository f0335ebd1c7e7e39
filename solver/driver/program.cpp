#include "solver/driver/program.h"

#include <unistd.h>

#include <csignal>
#include <exception>
#include <iostream>
#include <new>

#include "solver/driver/command_line.h"

namespace modal {

namespace {

// SIGINT and SIGTERM cancel the run; the program then replaces no result
// file and exits with 128 plus the signal's number.
extern "C" void onStopSignal(int signal) {
    stop_signal.store(signal);
    cancel_run.store(true);
}

void catchStopSignals() {
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

} // namespace

int solver_program(int argc, char** argv, const solve_function& solve) {
    command_line c = parse_command_line(argc, argv);
    switch (c.what) {
    case command_line::action::help:
        std::cout << help_text();
        return 0;
    case command_line::action::version:
        std::cout << version_line();
        return 0;
    case command_line::action::usage_error:
        if (!c.error.empty()) std::cerr << "solver: " << c.error << "\n";
        std::cerr << usage_line;
        return 2;
    case command_line::action::run:
        break;
    }
    c.options.terminal = isatty(STDERR_FILENO) == 1;
    c.options.progress = c.options.terminal && !c.quiet;
    catchStopSignals();
    try {
        return run_problem(c.base_name, std::cout, std::cerr, c.options, solve);
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

} // namespace modal
