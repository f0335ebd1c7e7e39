#!/usr/bin/python3
"""Runs the global-optimisation suite (optim/*.txt) in the default and the
accelerated mode and writes a markdown table.

Each problem file is a MINMAX Optim=1 problem whose first comment lines give
its name, source, known minimum ("% Optimum: v", "(exact)" when v is the exact
value) and minimiser. Every problem is run by the solver program as it stands
(default mode) and with MeanValue=1 (and Contract=1 when it has constraints)
added after its Algorithm statement (accelerated mode), each in a temporary
folder. A run's CPU is the processor time of the solver process (user +
system, from getrusage of the children). The modes are interleaved: with
--repeat N each problem runs N times in each mode, alternating which mode
goes first, and the table gives the median CPU.

A printed Min Approximation [a, b] holds the known minimum v when it meets
[v - d, v + d], d = 10^-k for a v written with k decimals (0 for an exact v):
the literature value is known only to the digits it is printed with. A NaN
bound claims nothing.

Usage: optim_suite.py SOLVER [--repeat N] [--only NAME ...] [--time-cap S]
                     [--out FILE] [--json FILE]
       optim_suite.py --from-json FILE [--out FILE]   (the table of saved runs)
"""

import argparse
import json
import math
import os
import re
import resource
import statistics
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
MODES = ("default", "accelerated")


def read_problem(path):
    """The problem's text and what its header and statements say."""
    with open(path, encoding="utf-8") as f:
        text = f.read()
    p = {"file": os.path.basename(path)[:-4], "text": text}
    for key in ("Optimum", "At", "Source"):
        m = re.search(r"^%% %s: (.*)$" % key, text, re.M)
        if not m:
            raise ValueError("%s: no '%% %s:' line" % (path, key))
        p[key.lower()] = m.group(1).strip()
    m = re.match(r"([-+0-9.eE]+)(\s*\(exact\))?$", p["optimum"])
    if not m:
        raise ValueError("%s: cannot read the optimum %r" % (path, p["optimum"]))
    p["opt"] = float(m.group(1))
    p["delta"] = 0.0 if m.group(2) else neighbourhood(m.group(1))
    p["name"] = re.match(r"% ([^:]*)", text).group(1)
    p["variables"] = len(re.findall(r"^\s*\w+\s+in\s*\[", text, re.M))
    p["constraints"] = len(re.findall(r"^\s*c\s*:=", text, re.M))
    m = re.search(r"^\s*Time\s*=\s*([-+0-9.eE]+)\s*;", text, re.M)
    p["time"] = float(m.group(1)) if m else math.inf
    m = re.search(r"^\s*Tolerance\s*=\s*([-+0-9.eE]+)\s*;", text, re.M)
    p["tolerance"] = m.group(1) if m else "0"
    return p


def neighbourhood(digits):
    """10^-k for a number written with k decimals (mantissa decimals less the exponent)."""
    m = re.match(r"[-+]?\d*(?:\.(\d*))?(?:[eE]([-+]?\d+))?$", digits)
    k = len(m.group(1) or "") - int(m.group(2) or 0)
    v = abs(float(digits))
    # Never below a few ulps of the value itself.
    return max(10.0 ** -k, 4 * math.ulp(v))


def holds(lo, hi, opt, delta):
    """The printed [lo, hi] meets [opt - delta, opt + delta]; NaN bounds claim nothing."""
    if not math.isnan(hi) and hi < opt - delta:
        return False
    if not math.isnan(lo) and lo > opt + delta:
        return False
    return True


def variant(p, mode, time_cap):
    """The problem text for one mode: options added after the Algorithm statement."""
    extra = []
    if mode == "accelerated":
        extra.append("MeanValue=1;")
        if p["constraints"]:
            extra.append("Contract=1;")
    text = p["text"]
    if time_cap is not None and time_cap < p["time"]:
        text = re.sub(r"^(\s*Time\s*=)[^;]*;", r"\g<1>%g;" % time_cap, text, flags=re.M)
    m = re.search(r"^\s*Algorithm\s*=.*$", text, re.M)
    return text[: m.end()] + "\n" + "\n".join(extra) + text[m.end():] if extra else text


NUM = r"([-+]?(?:nan|inf|[0-9.]+(?:e[-+]?[0-9]+)?))"


def run(solver, p, mode, time_cap):
    """One run of the solver program on the problem in the given mode."""
    with tempfile.TemporaryDirectory(prefix="optim-suite-") as tmp:
        base = os.path.join(tmp, p["file"])
        with open(base + ".txt", "w", encoding="utf-8") as f:
            f.write(variant(p, mode, time_cap))
        limit = min(p["time"], time_cap or math.inf)
        before = resource.getrusage(resource.RUSAGE_CHILDREN)
        proc = subprocess.run([solver, "--quiet", "--json", base], cwd=tmp,
                              stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True,
                              timeout=3 * limit + 60)
        after = resource.getrusage(resource.RUSAGE_CHILDREN)
        cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
        r = {"mode": mode, "cpu": cpu, "status": proc.returncode,
             "stderr": proc.stderr.strip().splitlines()[-1:] or [""]}
        try:
            with open(base + "Solution.txt", encoding="utf-8") as f:
                report = f.read()
            with open(base + "Solution.json", encoding="utf-8") as f:
                js = json.load(f)
        except OSError as e:
            r.update(error=str(e), lo=math.nan, hi=math.nan, printed="-", steps=None,
                     stop="(no result)")
            return r
    m = re.search(r"Min Approximation:\[" + NUM + r", " + NUM + r"\]", report, re.I)
    r["printed"] = "[%s, %s]" % (m.group(1), m.group(2)) if m else "-"
    r["lo"] = float(m.group(1)) if m else math.nan
    r["hi"] = float(m.group(2)) if m else math.nan
    r["steps"] = js.get("steps")
    r["stop"] = js.get("stop_reason", "?")
    r["no_solution"] = js.get("no_solution", False)
    r["solver_cpu"] = js.get("cpu_seconds")
    return r


def geometric_mean(xs):
    return math.exp(sum(math.log(x) for x in xs) / len(xs))


def cell_cpu(x):
    return "%.3f" % x if x < 10 else "%.1f" % x


def table(problems, results, repeat, time_cap):
    lines = []
    w = lines.append
    w("# Global-optimisation suite: default and accelerated mode")
    w("")
    w("Generated by `optim_suite.py`. Every problem of `optim/` (MINMAX, `Optim=1`, its own"
      " `Tolerance` and `Time`) run by the `solver` program in the default mode and in the"
      " accelerated mode (`MeanValue=1`, plus `Contract=1` where there are constraints)."
      " CPU: processor seconds of the whole process, the median of %d run(s) per mode,"
      " the modes interleaved.%s Steps and stop: the run's JSON (`steps`, `stop_reason`)."
      " Min: the printed Min Approximation. Holds: it meets the known minimum's"
      " neighbourhood (the literature value to the digits it is given with)."
      % (repeat, " Time capped at %g s." % time_cap if time_cap is not None else ""))
    w("")
    w("| problem | n | m | known min | Tolerance | default CPU (s) | steps | Min Approximation | stop"
      " | holds | accel. CPU (s) | steps | Min Approximation | stop | holds | accel./default |")
    w("|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|")
    ratios = []
    all_ratios = []
    for p in problems:
        row = [p["file"], str(p["variables"]), str(p["constraints"]), p["optimum"].replace(" (exact)", ""),
               p["tolerance"]]
        cpus = {}
        for mode in MODES:
            rs = results[p["file"]][mode]
            cpu = statistics.median(r["cpu"] for r in rs)
            cpus[mode] = cpu
            last = rs[-1]
            ok = all(holds(r["lo"], r["hi"], p["opt"], p["delta"]) for r in rs)
            row += [cell_cpu(cpu), str(last["steps"]), "`%s`" % last["printed"], last["stop"],
                    "yes" if ok else "**NO**"]
        ratio = cpus["accelerated"] / cpus["default"] if cpus["default"] > 0 else math.nan
        if ratio > 0 and math.isfinite(ratio):
            ratios.append(ratio)
            all_ratios.append((ratio, cpus["default"]))
        row.append("%.3g" % ratio)
        w("| " + " | ".join(row) + " |")
    w("")
    if ratios:
        w("Geometric mean of accelerated/default CPU over %d problems: **%.3f**." %
          (len(ratios), geometric_mean(ratios)))
        # Runs of a few milliseconds are mostly the process's start and end.
        long_ratios = [r for r, cpu in all_ratios if cpu >= 0.1]
        if long_ratios:
            w("")
            w("Over the %d problems whose default run takes at least 0.1 s: **%.3f**." %
              (len(long_ratios), geometric_mean(long_ratios)))
    misses = [(p["file"], m) for p in problems for m in MODES
              if not all(holds(r["lo"], r["hi"], p["opt"], p["delta"]) for r in results[p["file"]][m])]
    w("")
    w("Enclosures that miss the known minimum: %s." %
      (", ".join("%s (%s)" % x for x in misses) if misses else "none"))
    open_ub = [(p["file"], m) for p in problems if p["constraints"] for m in MODES
               if not all(math.isfinite(r["hi"]) for r in results[p["file"]][m])]
    w("")
    w("Constrained runs that end without a finite upper bound: %s." %
      (", ".join("%s (%s)" % x for x in open_ub) if open_ub else "none"))
    return "\n".join(lines) + "\n"


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("solver", nargs="?", help="the solver program")
    ap.add_argument("--dir", default=os.path.join(HERE, "optim"), help="the problem files")
    ap.add_argument("--out", default=os.path.join(HERE, "optim_suite.md"), help="the markdown table")
    ap.add_argument("--json", help="also write every run's figures to this file")
    ap.add_argument("--repeat", type=int, default=1, help="runs per problem and mode")
    ap.add_argument("--only", nargs="*", help="problem names (file names without .txt)")
    ap.add_argument("--time-cap", type=float, help="lower every Time above this many seconds to it")
    ap.add_argument("--from-json", help="write the table of the runs saved with --json, without running")
    a = ap.parse_args()
    if a.from_json:
        with open(a.from_json, encoding="utf-8") as f:
            saved = json.load(f)
        repeat = max(len(r) for p in saved["results"].values() for r in p.values())
        with open(a.out, "w", encoding="utf-8") as f:
            f.write(table(saved["problems"], saved["results"], repeat, saved.get("time_cap")))
        return 0
    if not a.solver:
        ap.error("the solver program is missing")
    solver = os.path.abspath(a.solver)
    names = sorted(f[:-4] for f in os.listdir(a.dir) if f.endswith(".txt"))
    if a.only:
        names = [n for n in names if n in a.only]
    problems = [read_problem(os.path.join(a.dir, n + ".txt")) for n in names]
    results = {}
    for p in problems:
        results[p["file"]] = {m: [] for m in MODES}
        for i in range(a.repeat):
            for mode in (MODES if i % 2 == 0 else MODES[::-1]):
                r = run(solver, p, mode, a.time_cap)
                results[p["file"]][mode].append(r)
                print("%-18s %-11s %8.3f s  %-9s %-32s %s%s" % (
                    p["file"], mode, r["cpu"], r["steps"], r["printed"], r["stop"],
                    "" if holds(r["lo"], r["hi"], p["opt"], p["delta"]) else "  MISSES THE MINIMUM"),
                    flush=True)
        # The table so far, so that an interrupted run leaves what it measured.
        done = [q for q in problems if q["file"] in results]
        with open(a.out, "w", encoding="utf-8") as f:
            f.write(table(done, results, a.repeat, a.time_cap))
    if a.json:
        with open(a.json, "w", encoding="utf-8") as f:
            json.dump({"problems": [{k: v for k, v in p.items() if k != "text"} for p in problems],
                       "results": results, "time_cap": a.time_cap}, f, indent=1)
    return 0


if __name__ == "__main__":
    sys.exit(main())
