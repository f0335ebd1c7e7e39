"""A paving drawn with Matplotlib, as the solver program draws its picture."""

COLOURS = {"solution": "red", "non_solution": "blue", "undefined": "yellow"}


def plot(result, ax=None, x=None, y=None):
    """Draws the paving of a QSI result on `ax` (new axes when None) and
    returns the axes. `x` and `y` name the variables on the axes (by default
    those of PlotX and PlotY); boxes of more variables are projected, the
    non-solution boxes drawn first, then the undefined, then the solution
    boxes, each filled in its colour with a black outline."""
    import numpy as np
    from matplotlib.collections import PolyCollection
    if ax is None:
        import matplotlib.pyplot as plt
        ax = plt.figure().add_subplot()
    names = list(result.variables)
    if not names:
        raise ValueError("the result holds no paving (it is not a QSI result)")

    def column(name, default):
        if name is None:
            return min(default, len(names) - 1)
        if name not in names:
            raise ValueError(f"{name!r} is not a variable of the paving: {names}")
        return names.index(name)

    i = column(x, result.plot_x)
    j = column(y, result.plot_y if len(names) > 1 else 0)
    for kind in ("non_solution", "undefined", "solution"):
        b = result.boxes(kind)
        if len(b) == 0:
            continue
        x0, x1, y0, y1 = b[:, i, 0], b[:, i, 1], b[:, j, 0], b[:, j, 1]
        if len(names) == 1:
            y0, y1 = np.zeros_like(x0), np.ones_like(x0)
        corners = np.stack([np.stack([x0, y0], 1), np.stack([x1, y0], 1),
                            np.stack([x1, y1], 1), np.stack([x0, y1], 1)], 1)
        ax.add_collection(PolyCollection(corners, facecolors=COLOURS[kind],
                                         edgecolors="black", linewidths=0.2))
    start = result.start
    xs = start[names[i]]
    ax.set_xlim(min(xs.inf, xs.sup), max(xs.inf, xs.sup))
    if len(names) > 1:
        ys = start[names[j]]
        ax.set_ylim(min(ys.inf, ys.sup), max(ys.inf, ys.sup))
    ax.set_xlabel(names[i])
    if len(names) > 1:
        ax.set_ylabel(names[j])
    return ax
