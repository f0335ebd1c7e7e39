"""A quantified paving: the points (x, y) for which some p in [0, 1] puts
(x - p)^2 + y^2 within 1, drawn to paving.png."""
import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402

import modal  # noqa: E402

problem = modal.build("QSI", [("x", -2, 3, "F"), ("y", -2, 2, "F"), ("p", 0, 1, "E")],
                      constraints=["pow(x - p, 2) + pow(y, 2) <= 1"], CSPEps=0.02)
result = modal.solve(problem)
for kind in ("solution", "non_solution", "undefined"):
    print(kind, len(result.boxes(kind)))
ax = result.plot()
ax.set_aspect("equal")
plt.savefig("paving.png", dpi=120)
