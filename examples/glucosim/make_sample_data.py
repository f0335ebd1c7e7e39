#!/usr/bin/env python3
"""Makes the sample data set of glucosim: the fitted parameters of ten virtual
type 1 patients, 24 meal experiments of patient 3 and their measured glucose.

The measured glucose is a point simulation of the same model that glucosim
simulates on intervals (Euler steps of one minute), run with each experiment's
own "true" insulin sensitivity and meal absorption time, plus sensor noise.
The real hypoglycaemia areas are measured on that noisy glucose with the same
rules glucosim applies to the simulated band.

Standard library only; the output is the same on every run (fixed seed).
Usage: python3 make_sample_data.py [OUTPUT_DIR]   (default: this folder)
"""
import math
import os
import random
import sys

PATIENT = 3
SAMPLES = 300
K = 55.0           # subcutaneous insulin absorption time, min
AG = 0.9           # carbohydrate bioavailability
BOLUS_MINUTES = 20.0


def patients(rng):
    """Ten patients' parameters in published type 1 ranges."""
    result = []
    for _ in range(10):
        si = rng.uniform(3.0e-4, 9.0e-4)
        p2 = rng.uniform(0.012, 0.03)
        result.append({
            "Sg": rng.uniform(0.01, 0.03),       # 1/min
            "p2": p2,                            # 1/min
            "p3": p2 * si,                       # 1/min^2 per microU/ml
            "Ka": rng.uniform(0.08, 0.12),       # insulin appearance gain, 1/l
            "n": rng.uniform(0.09, 0.14),        # insulin clearance, 1/min
            "Si": si,                            # 1/min per microU/ml
            "Vg": rng.uniform(100.0, 140.0),     # dl
            "Ub": rng.uniform(7.0, 20.0),        # mU/min
            "Gb": rng.uniform(90.0, 160.0),      # mg/dl
            "Pes": rng.uniform(55.0, 90.0),      # kg
            "ICR": 0.0,                          # g/U, set below
        })
    # The patient of the experiments: low glucose effectiveness and a high
    # insulin sensitivity, so that wrong boluses show in the glucose.
    result[PATIENT - 1].update({"Sg": 0.011, "p2": 0.025, "Ka": 0.1, "n": 0.1, "Si": 1.0e-3,
                                "Vg": 120.0, "Ub": 12.0, "Gb": 125.0, "Pes": 68.0})
    result[PATIENT - 1]["p3"] = 0.025 * 1.0e-3
    return result


def simulate(p, bolus, cho, ub, gb, si, tmax):
    """Point Euler simulation; returns G(t) for t = 0..299 (G(0) = gb)."""
    s1 = s2 = ub * K
    ib = ub * p["Ka"] / p["n"]
    g, x, i = gb, 0.0, ib
    out = []
    for n in range(SAMPLES):
        out.append(g)
        u = ub if n > BOLUS_MINUTES else bolus * 1000.0 / BOLUS_MINUTES + ub
        rai = s2 / K
        s1, s2 = s1 + (u - s1 / K), s2 + (s1 - s2) / K
        ra = cho * 1000.0 * AG * n * math.exp(-n / tmax) / tmax ** 2
        g, x, i = (g + p["Sg"] * (gb - g) - x * g + ra / p["Vg"],
                   x - p["p2"] * x + p["p2"] * si * (i - ib),
                   i - p["n"] * i + p["Ka"] * rai)
    return out


def areas(glucose):
    """Real hypo (moderate, severe) and hour-weighted hyper (moderate, severe)
    areas of a measured series, minute by minute from minute 1."""
    weights = [0.5, 0.75, 1.0, 1.25, 1.5]
    mhypo = shypo = mhyper = shyper = 0.0
    for n in range(1, len(glucose)):
        prev, cur = glucose[n - 1], glucose[n]
        mean = (prev + cur) * 0.5
        if 40 < cur <= 70 and mean <= 70:
            mhypo += (70 - mean) / 30
        elif cur <= 40 and mean <= 70:
            shypo += (40 - mean) / 30
            mhypo += 1.0
        w = weights[n // 60]
        if 150 <= cur < 250:
            mhyper += w * (mean - 150) / 100
        elif cur >= 250:
            shyper += w * (mean - 250) / 100
            mhyper += w
    return mhypo, shypo, mhyper, shyper


def hypo_event(glucose):
    """1 when the glucose stays below 70 mg/dl for 10 minutes or more."""
    run = 0
    for g in glucose:
        run = run + 1 if g < 70 else 0
        if run >= 10:
            return 1
    return 0


def fmt(x):
    return "%.6g" % x


def main():
    outdir = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    rng = random.Random(20261208)
    pts = patients(rng)
    # Carbohydrate ratio that brings a 60 g meal back to basal glucose.
    for p in pts:
        lo, hi = 1.0, 40.0
        for _ in range(60):
            icr = (lo + hi) / 2
            g = simulate(p, 60.0 / icr, 60.0, p["Ub"], p["Gb"], p["Si"], 50.0)
            if g[-1] > p["Gb"]:
                hi = icr
            else:
                lo = icr
        p["ICR"] = (lo + hi) / 2

    names = ["Sg", "p2", "p3", "Ka", "n", "Si", "Vg", "Ub", "Gb", "Pes", "ICR"]
    with open(os.path.join(outdir, "parametros_bergman_ajustados.txt"), "w") as f:
        f.write("Parametre " + " ".join("Pacient%d" % (k + 1) for k in range(10)) + "\n")
        for name in names:
            f.write(name + " " + " ".join(fmt(p[name]) for p in pts) + "\n")

    p = pts[PATIENT - 1]
    rows, series = [], []
    for e in range(24):
        meal_class = "1" if e % 2 == 0 else "2"           # 1 fast, 2 slow meal
        tmax = rng.uniform(35, 50) if meal_class == "1" else rng.uniform(60, 90)
        cho = float(rng.choice([30, 40, 50, 60, 70, 80, 90]))
        # Boluses from clearly too small to clearly too large.
        dose_factor = [0.4, 0.8, 1.2, 1.7, 2.2, 2.8, 3.4, 4.0][e % 8]
        bolus = round(cho / p["ICR"] * dose_factor * 2) / 2
        ub = p["Ub"]
        gb = round(p["Gb"] * rng.uniform(0.85, 1.15))
        si = p["Si"] * rng.uniform(0.7, 1.4)
        true_g = simulate(p, bolus, cho, ub, gb, si, tmax)
        measured = [max(20.0, g + rng.gauss(0.0, 4.0)) for g in true_g]
        mhypo, shypo, mhyper, shyper = areas(measured)
        rows.append([e + 1, PATIENT, meal_class, bolus, cho, fmt(ub), gb, hypo_event(measured),
                     fmt(mhypo), fmt(shypo), fmt(mhyper), fmt(shyper)])
        series.append(measured)

    header = ["Experiment", "Pacient", "ClasseMenjar", "Bolus_U", "CHO_g", "Ub_mU/min",
              "Gb_mg/dl", "Hipo", "AreaHipoMod", "AreaHipoSev", "AreaHiperMod", "AreaHiperSev"]
    with open(os.path.join(outdir, "experiment_pacient3.txt"), "w") as f:
        f.write(" ".join(header) + "\n")
        for r in rows:
            f.write(" ".join(str(v) for v in r) + "\n")
    with open(os.path.join(outdir, "glucosa_pacient3.txt"), "w") as f:
        for n in range(SAMPLES):
            f.write(" ".join("%.1f" % series[e][n] for e in range(24)) + "\n")

    lows = [min(s) for s in series]
    highs = [max(s) for s in series]
    print("glucose range %.1f..%.1f mg/dl; %d experiments with hypoglycaemia, %d above 250"
          % (min(lows), max(highs), sum(r[7] for r in rows), sum(h > 250 for h in highs)))


if __name__ == "__main__":
    main()
