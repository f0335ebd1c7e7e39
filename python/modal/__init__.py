"""Modal intervals, problems of the modal interval solver, and their solving."""
from ._modal import *  # noqa: F401,F403
from ._modal import Interval, Problem, Progress, Result, Warning, solve, _build, _parse  # noqa: F401
from ._plot import plot as _plot_result


class SyntaxError(Exception):  # noqa: A001 - the package's own name
    """A problem text that is not in the problem language.

    `line` and `column` count from 1, as the solver program's messages do."""

    def __init__(self, line, column, reason):
        super().__init__(f"line {line}, column {column}: {reason}")
        self.line, self.column, self.reason = line, column, reason


def _checked(r):
    if isinstance(r, tuple):
        raise SyntaxError(*r)
    return r


def parse(text):
    """The problem a text in the problem language states."""
    return _checked(_parse(text))


def load(path):
    """The problem of a problem file."""
    with open(path, encoding="utf-8") as f:
        return parse(f.read())


def build(algorithm, variables, objective=None, statement=None, constraints=(), **options):
    """A problem stated in Python.

    `variables`: (name, lo, hi) or (name, lo, hi, quantifier) tuples, the
    bounds taken exactly and the quantifier one of "U" (the default), "E",
    "F", "MIN", "MAX"; a `modal.Interval` may stand for lo, hi. `objective`
    (FSTAR, MINMAX), `statement` (LOGIC) and `constraints` are expressions
    and relations in the problem language; the keyword arguments are its
    options (`Tolerance=1e-3`, `CSPEps=0.01`, `PlotX="y"`, ...)."""
    normalised = []
    for v in variables:
        v = tuple(v)
        if len(v) >= 2 and isinstance(v[1], Interval):
            v = (v[0], v[1].inf, v[1].sup) + v[2:]
        if len(v) == 3:
            v = v + ("U",)
        if len(v) != 4:
            raise ValueError(f"a variable is (name, lo, hi[, quantifier]), not {v!r}")
        normalised.append((str(v[0]), float(v[1]), float(v[2]), str(v[3])))
    opts = {k: (float(v) if isinstance(v, bool) else v) for k, v in options.items()}
    return _checked(_build(algorithm, normalised, objective, statement, list(constraints), opts))


Problem.load = staticmethod(load)
Problem.parse = staticmethod(parse)
Problem.build = staticmethod(build)
Result.plot = _plot_result
