import os
import random
import subprocess

import modal

BIN = os.path.join(os.environ.get("MODAL_BINARY_DIR", "build"), "bin")


def random_bound(rng):
    return rng.choice([0.0, 1.0, -2.5, rng.uniform(-1e3, 1e3), rng.uniform(-1, 1) * 1e-300])


def test_arithmetic_and_functions_agree_with_the_library():
    rng = random.Random(28)
    cases = []
    for _ in range(3000):
        op = rng.choice(["add", "sub", "mul", "div", "exp", "sqrt", "sin", "new"])
        cases.append((op, *(random_bound(rng) for _ in range(4))))
    text = "".join(f"{op} {a!r} {b!r} {c!r} {d!r}\n" for op, a, b, c, d in cases)
    out = subprocess.run([os.path.join(BIN, "interval_oracle")], input=text,
                         capture_output=True, text=True, check=True).stdout.split("\n")
    ops = {"add": lambda x, y: x + y, "sub": lambda x, y: x - y,
           "mul": lambda x, y: x * y, "div": lambda x, y: x / y,
           "exp": lambda x, y: modal.exp(x), "sqrt": lambda x, y: modal.sqrt(x),
           "sin": lambda x, y: modal.sin(x)}
    for (op, a, b, c, d), line in zip(cases, out):
        want = [float.fromhex(t) for t in line.split()]
        if op == "new":
            r = modal.Interval(a, b)
        else:
            r = ops[op](modal.Interval.exact(a, b), modal.Interval.exact(c, d))
        got = [r.inf, r.sup]
        assert [repr(v) for v in got] == [repr(v) for v in want], (op, a, b, c, d)


def test_widening_methods_and_text():
    x = modal.Interval(1, 2)
    assert x.inf < 1 and x.sup > 2
    e = modal.Interval.exact(2, 1)
    assert e.is_improper and not e.is_proper
    assert e.dual() == modal.Interval.exact(1, 2) == e.prop()
    assert e.impr() == e and e.width() == 1 and e.mid() == 1.5
    assert repr(modal.Interval.exact(0.1, 3)) == "[0.1, 3]"
    assert modal.Interval.exact(0, 2).meet(modal.Interval.exact(1, 3)) == modal.Interval.exact(1, 2)
