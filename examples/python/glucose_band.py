"""The simulated glucose band of one experiment of the sample patient, with
its measured glucose, drawn to glucose_band.png."""
import os

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402

from modal import glucose  # noqa: E402

data = os.path.join(os.environ.get("MODAL_EXAMPLES", os.path.dirname(__file__) + "/.."),
                    "glucosim")
experiments = glucose.load_experiments(os.path.join(data, "experiment_pacient3.txt"))
patient = glucose.load_parameters(os.path.join(data, "parametros_bergman_ajustados.txt"),
                                  experiments.patient)
measured = glucose.load_glucose(os.path.join(data, "glucosa_pacient3.txt"))
k = 5
band = glucose.simulate(patient, experiments, k, si=4.5, tmax=35)
minutes = np.arange(300)
plt.fill_between(minutes, band["lower"], band["upper"], color="tab:blue", alpha=0.4,
                 label="Banda simulada")
plt.plot(minutes, measured[:, k - 1], "k.", markersize=2, label="Glucosa mesurada")
plt.axhline(70, color="tab:red", linewidth=0.8)
plt.axhline(180, color="tab:orange", linewidth=0.8)
plt.xlabel("Temps (min)")
plt.ylabel("Glucosa (mg/dl)")
plt.legend()
plt.savefig("glucose_band.png", dpi=120)
print("areas:", band["areas"])
