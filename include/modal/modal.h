// The modal interval solver as a library: parse or build a problem, solve
// it, and write its result.
//
//   modal::parse_result p = modal::parse_problem("Algorithm=FSTAR; x in [0, 1]; f:= x*(1-x);");
//   modal::result r = modal::solve(*p.value);
//   modal::write_report(r, std::cout);
#pragma once

#include "modal/problem.h"
#include "modal/report.h"
#include "modal/result.h"
#include "modal/solve.h"
