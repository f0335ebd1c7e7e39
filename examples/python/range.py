"""The range of f(x, y) = x y - x^2 on a box: inner and outer approximations."""
import modal

problem = modal.build("FSTAR", [("x", 0, 1), ("y", 1, 2)], objective="x*y - pow(x,2)",
                      Tolerance=1e-3)
result = modal.solve(problem)
print("inner:", result.inner, "outer:", result.outer, "Tol:", result.tol)
with open("range.txt", "w", encoding="utf-8") as f:
    f.write(result.report())
