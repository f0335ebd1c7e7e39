import os
import subprocess

import numpy as np
import pytest

from modal import glucose

BIN = os.path.join(os.environ.get("MODAL_BINARY_DIR", "build"), "bin")
DATA = os.path.abspath("examples/glucosim")
EXPERIMENT = os.path.join(DATA, "experiment_pacient3.txt")
GLUCOSE = os.path.join(DATA, "glucosa_pacient3.txt")


def batch(tmp_path, *options):
    out = tmp_path / "out"
    subprocess.run([os.path.join(BIN, "glucosim"), "--batch", "--experiment", EXPERIMENT,
                    "--glucose", GLUCOSE, "--out", str(out), "--csv", *options],
                   check=True, capture_output=True)
    return out


@pytest.mark.parametrize("options,kwargs", [
    (["--si", "4.5", "--tmax", "35"], {"si": 4.5, "tmax": 35}),
    (["--optimise", "4"], {"criterion": 4}),
])
def test_run_gives_the_batch_modes_files(tmp_path, options, kwargs):
    out = batch(tmp_path, *options)
    results = glucose.run(EXPERIMENT, GLUCOSE, **kwargs)
    files = results["files"]
    assert set(files) == {f for f in os.listdir(out) if f != "run.json"}
    for name, text in files.items():
        assert (out / name).read_bytes() == text.encode("utf-8"), name
    assert len(results["experiments"]) == 24
    # The bands to the bit: the long CSV writes shortest round-trip numbers.
    rows = [line.split(",") for line in (out / "glucosa.csv").read_text().splitlines()[1:]]
    lower = np.array([float(r[2]) for r in rows]).reshape(24, 300)
    upper = np.array([float(r[3]) for r in rows]).reshape(24, 300)
    for k, e in enumerate(results["experiments"]):
        assert np.array_equal(e["lower"], lower[k]) and np.array_equal(e["upper"], upper[k])
    if "criterion" in kwargs:
        assert len(results["grid"]) == 391 and 0 <= results["chosen_pair"] < 391


def test_simulate_is_the_band_of_the_run_and_holds_its_areas():
    experiments = glucose.load_experiments(EXPERIMENT)
    patient = glucose.load_parameters(os.path.join(DATA, "parametros_bergman_ajustados.txt"),
                                      experiments.patient)
    results = glucose.run(EXPERIMENT, GLUCOSE, si=2.0, tmax=50)
    measured = glucose.load_glucose(GLUCOSE)
    for k in (1, 7, 24):
        band = glucose.simulate(patient, experiments, k, si=2.0, tmax=50)
        want = results["experiments"][k - 1]
        assert np.array_equal(band["lower"], want["lower"])
        assert np.array_equal(band["upper"], want["upper"])
        assert band["areas"] == want["areas"]
        assert np.all(band["lower"] <= band["upper"])
        assert np.array_equal(measured[:, k - 1], want["measured"])


def test_data_errors_name_file_row_and_column(tmp_path):
    bad = tmp_path / "glucosa.txt"
    lines = open(GLUCOSE, encoding="utf-8").read().splitlines()
    values = lines[3].split()
    values[5] = "abc"
    lines[3] = " ".join(values)
    bad.write_text("\n".join(lines) + "\n", encoding="utf-8")
    with pytest.raises(glucose.DataError) as e:
        glucose.load_glucose(str(bad))
    assert e.value.file.endswith("glucosa.txt") and e.value.row == 4 and e.value.column == 6
    with pytest.raises(glucose.DataError):
        glucose.run(EXPERIMENT, str(tmp_path / "missing.txt"), si=1, tmax=40)
    with pytest.raises(ValueError):
        glucose.load_parameters(os.path.join(DATA, "parametros_bergman_ajustados.txt"), 11)
