"""What the Python package adds to the library's calls: modal.solve of the
tiny problem of bench_api's BM_Solve, and Interval operations, in
microseconds per call (the best of five repeats).

    PYTHONPATH=build/python python3 bench/python/solve_overhead.py
"""
import timeit

import modal

TINY = "Algorithm=FSTAR; Tolerance=0.01; x in [0, 1]; f:= x*(1-x);"


def best(f, number):
    return min(timeit.repeat(f, number=number, repeat=5)) / number * 1e6


def main():
    tiny = modal.parse(TINY)
    a, b = modal.Interval(1, 2), modal.Interval(3, 4)
    print(f"solve (tiny FSTAR)  {best(lambda: modal.solve(tiny), 2000):8.2f} us")
    print(f"Interval a + b      {best(lambda: a + b, 200000):8.3f} us")
    print(f"Interval a * b      {best(lambda: a * b, 200000):8.3f} us")
    print(f"modal.exp(a)        {best(lambda: modal.exp(a), 200000):8.3f} us")
    print(f"empty call          {best(lambda: None, 200000):8.3f} us")


if __name__ == "__main__":
    main()
