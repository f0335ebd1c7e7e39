"""Modal intervals, problems of the modal interval solver, and their solving."""
from ._modal import *  # noqa: F401,F403
from ._modal import Interval, Problem, Result, solve, _parse


class SyntaxError(Exception):  # noqa: A001 - the package's own name
    """A problem text that is not in the problem language."""

    def __init__(self, line, column, reason):
        super().__init__(f"line {line}, column {column}: {reason}")
        self.line, self.column, self.reason = line, column, reason


def parse(text):
    r = _parse(text)
    if isinstance(r, tuple):
        raise SyntaxError(*r)
    return r


def load(path):
    with open(path, encoding="utf-8") as f:
        return parse(f.read())


Problem.load = staticmethod(load)
