"""The glucose study of glucosim: its data files, the interval simulation of
one experiment and the computations of its batch mode, with the same numbers
as `glucosim --batch`.

    experiments = load_experiments("experiment_pacient3.txt")
    patient = load_parameters("parametros_bergman_ajustados.txt", experiments.patient)
    band = simulate(patient, experiments, 5, si=4.5, tmax=35)
    band["lower"], band["upper"]     # the band of minutes 0..299, mg/dl, as glucosa.txt shows it

    results = run("experiment_pacient3.txt", "glucosa_pacient3.txt", criterion=2)
    results["files"]["resultats.txt"] # the text of the batch mode's file

`si` is in units of 10^-4 as the window's "Sensibilitat" field (the
simulation takes [si (1 - 0.3), si (1 + 0.3)] 10^-4), `tmax` in minutes;
`criterion` is the number of `glucosim --optimise N`. The errors of the data
files are raised as DataError, naming file, row and column.
"""
from ._errors import DataError  # noqa: F401
from ._glucose import (Experiments, Parameters, load_experiments, load_glucose,  # noqa: F401
                       load_parameters, run, simulate)
