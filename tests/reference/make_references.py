#!/usr/bin/python3
"""Writes the reference tables of the fitting and smoothing tests.

Savitzky-Golay weights come from SciPy's savgol_coeffs, polynomial fits of
noisy data from numpy.polyfit. Run with the system Python that has SciPy:
    /usr/bin/python3 tests/reference/make_references.py
The outputs are committed, so the tests need neither SciPy nor a network.
"""
import math
import os

import numpy as np
from scipy.signal import savgol_coeffs

HERE = os.path.dirname(os.path.abspath(__file__))

# (half width f, polynomial order m, derivative d)
SAVGOL_CASES = [
    (0, 0, 0), (1, 2, 2), (2, 2, 0), (2, 2, 1), (2, 4, 4), (3, 3, 2),
    (4, 8, 0), (5, 2, 0), (5, 4, 1), (7, 3, 3), (10, 4, 2), (12, 6, 0),
    (16, 5, 1), (25, 2, 0), (32, 2, 0), (32, 4, 1), (32, 6, 3), (50, 3, 1),
    (100, 2, 0), (100, 8, 2),
]


def write_savgol():
    path = os.path.join(HERE, "savgol_coeffs.txt")
    with open(path, "w") as out:
        out.write("# f m d  c[-f] ... c[f]  (SciPy savgol_coeffs, use='dot', divided by d!)\n")
        for f, m, d in SAVGOL_CASES:
            c = savgol_coeffs(2 * f + 1, m, deriv=d, delta=1.0, use="dot") / math.factorial(d)
            out.write("%d %d %d %s\n" % (f, m, d, " ".join("%.17g" % v for v in c)))


def write_polyfit():
    rng = np.random.RandomState(20261210)
    path = os.path.join(HERE, "lfit_polyfit.txt")
    with open(path, "w") as out:
        out.write("# case: 'case k n xgiven' then n lines 'x y', then the k coefficients (numpy.polyfit, lowest first)\n")
        cases = [
            (4, np.linspace(-3.0, 5.0, 200), True, [1.5, -2.0, 0.3, 0.05], 0.5),
            (6, np.linspace(-1.0, 2.0, 120), True, [0.2, 1.0, -0.7, 0.4, 0.1, -0.05], 0.05),
            (3, np.arange(50, dtype=float), False, [10.0, -0.8, 0.01], 1.0),
            (2, rng.uniform(0.0, 100.0, 80), True, [-4.0, 0.25], 3.0),
        ]
        for k, x, xgiven, coeffs, noise in cases:
            y = np.polyval(coeffs[::-1], x) + rng.normal(0.0, noise, x.size)
            fit = np.polyfit(x, y, k - 1)[::-1]
            out.write("case %d %d %d\n" % (k, x.size, 1 if xgiven else 0))
            for xi, yi in zip(x, y):
                out.write("%.17g %.17g\n" % (xi, yi))
            out.write(" ".join("%.17g" % v for v in fit) + "\n")


if __name__ == "__main__":
    write_savgol()
    write_polyfit()
