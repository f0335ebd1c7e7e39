// A program that uses the solver as a library: it builds the problem of
// examples/range.txt in code, solves it and prints the report that the
// solver program would write into rangeSolution.txt.
#include <iostream>

#include <modal/modal.h>

int main() {
    using modal::expr;
    const expr x = expr::variable("x");
    const expr y = expr::variable("y");

    // The range of x(1 - x) + y^2 over x in [0, 1], y in [-1, 2].
    modal::problem_builder builder("FSTAR");
    builder.variable("x", 0, 1)
        .variable("y", -1, 2)
        .option("Epsilon", 0.0001)
        .option("Tolerance", 0.001)
        .objective(x * (1 - x) + pow(y, 2));

    const modal::parse_result problem = builder.build();
    if (!problem) {
        std::cerr << "api_example: " << problem.error->reason << " in '" << problem.error->statement
                  << "'\n";
        return 1;
    }

    const modal::result result = modal::solve(*problem.value);
    modal::write_report(result, std::cout);
    std::cerr << "api_example: stopped: " << modal::name_of(result.stop) << '\n';
    return 0;
}
