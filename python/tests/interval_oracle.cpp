// Reads lines "op a b c d" (the bounds of two intervals, exact) and prints
// the library's result bounds in hexadecimal, for the Python tests' oracle.
#include <cstdio>
#include <iostream>
#include <string>

#include "interval/functions.h"
#include "interval/ivalDb.h"

int main() {
    using modal::ivalDb;
    std::string op;
    double a, b, c, d;
    while (std::cin >> op >> a >> b >> c >> d) {
        const ivalDb x = ivalDb::exact(a, b), y = ivalDb::exact(c, d);
        ivalDb r;
        if (op == "add")
            r = x + y;
        else if (op == "sub")
            r = x - y;
        else if (op == "mul")
            r = x * y;
        else if (op == "div")
            r = x / y;
        else if (op == "exp")
            r = modal::exp(x);
        else if (op == "sqrt")
            r = modal::sqrt(x);
        else if (op == "sin")
            r = modal::sin(x);
        else if (op == "new")
            r = ivalDb(a, b);
        else
            return 2;
        std::printf("%a %a\n", r.inf(), r.sup());
    }
    return 0;
}
