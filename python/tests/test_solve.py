import glob
import os
import re
import shutil
import subprocess

import pytest

import modal

BIN = os.path.join(os.environ.get("MODAL_BINARY_DIR", "build"), "bin")
EXAMPLES = sorted(glob.glob("examples/*.txt"))


def without_time(text):
    return [line for line in text.splitlines() if not re.search(r"(?i)time", line)]


@pytest.mark.parametrize("path", EXAMPLES)
def test_report_is_the_programs_result_file(path, tmp_path):
    base = os.path.splitext(os.path.basename(path))[0]
    shutil.copy(path, tmp_path / (base + ".txt"))
    subprocess.run([os.path.join(BIN, "solver"), base],
                   capture_output=True, check=False, cwd=tmp_path)
    want = (tmp_path / (base + "Solution.txt")).read_text()
    result = modal.solve(modal.Problem.load(path))
    got = result.report()
    if result.stop_reason == "time_limit":
        # How far a run gets in its time differs from run to run: the
        # algorithm's lines only.
        got, want = got.splitlines()[:2], want.splitlines()[:2]
        assert got == want
    else:
        assert without_time(got) == without_time(want)


def test_syntax_error_names_line_and_column():
    with pytest.raises(modal.SyntaxError) as e:
        modal.parse("Algorithm=FSTAR;\nx in [0, 1];\nf:= x +* 2;")
    assert e.value.line == 3 and e.value.column > 1 and e.value.reason


def test_fstar_result_fields():
    r = modal.solve(modal.parse("Algorithm=FSTAR; x in [0, 1]; f:= x*(1-x);"))
    assert r.algorithm and r.outer.inf <= r.inner.inf and r.inner.sup <= r.outer.sup
    assert r.to_json().startswith("{")


LONG = "Algorithm=LOGIC;\nTime=60;\nU(x, [-1, 1]);\nU(y, [-1, 1]);\nlf:= x*x + y*y - 2*x*y + 0.000001 >= 0;\n"


def test_ctrl_c_cancels_a_run_at_once():
    import sys
    script = (
        "import modal, time, signal, threading, os\n"
        "p = modal.parse(%r)\n"
        "threading.Timer(0.3, lambda: os.kill(os.getpid(), signal.SIGINT)).start()\n"
        "t = time.monotonic()\n"
        "try:\n    modal.solve(p)\nexcept KeyboardInterrupt:\n"
        "    print(time.monotonic() - t - 0.3)\n"
        "print(modal.solve(modal.parse('Algorithm=FSTAR; x in [0, 1]; f:= x;')).stop_reason)\n"
    ) % LONG
    out = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True,
                         check=True, timeout=60).stdout.split()
    assert float(out[0]) < 0.5 and out[1] == "all_decided"


def test_two_runs_in_two_threads():
    import threading
    p = modal.Problem.load("examples/range.txt")
    want = modal.solve(p).report()
    got = [None, None]

    def run(i):
        got[i] = modal.solve(p).report()

    threads = [threading.Thread(target=run, args=(i,)) for i in range(2)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert without_time(got[0]) == without_time(want) == without_time(got[1])
