#!/usr/bin/python3
"""Writes the reference tables of the fitting and smoothing tests.

Savitzky-Golay weights come from SciPy's savgol_coeffs and, as a check on
both, from an exact rational solution of the same least-squares problem;
polynomial fits of noisy data come from numpy.polyfit. Run with the system
Python that has SciPy:
    /usr/bin/python3 tests/reference/make_references.py
The outputs are committed, so the tests need neither SciPy nor a network.
"""
import math
import os
from fractions import Fraction

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


def exact_savgol(f, m, d):
    """Weights of the d-th polynomial coefficient, in exact arithmetic."""
    ks = range(-f, f + 1)
    n = m + 1
    rows = [[sum(Fraction(k) ** (i + j) for k in ks) for j in range(n)] + [Fraction(int(i == d))]
            for i in range(n)]
    for c in range(n):
        p = next(r for r in range(c, n) if rows[r][c] != 0)
        rows[c], rows[p] = rows[p], rows[c]
        for r in range(n):
            if r != c and rows[r][c] != 0:
                factor = rows[r][c] / rows[c][c]
                rows[r] = [a - factor * b for a, b in zip(rows[r], rows[c])]
    b = [rows[i][n] / rows[i][i] for i in range(n)]
    return [float(sum(b[i] * Fraction(k) ** i for i in range(n))) for k in ks]


def write_savgol():
    path = os.path.join(HERE, "savgol_coeffs.txt")
    with open(path, "w") as out:
        out.write("# per case two lines: 'scipy f m d c[-f] ... c[f]' (savgol_coeffs, use='dot', divided by d!)\n")
        out.write("# and 'exact f m d c[-f] ... c[f]' (rational arithmetic, rounded to double)\n")
        for f, m, d in SAVGOL_CASES:
            c = savgol_coeffs(2 * f + 1, m, deriv=d, delta=1.0, use="dot") / math.factorial(d)
            out.write("scipy %d %d %d %s\n" % (f, m, d, " ".join("%.17g" % v for v in c)))
            e = exact_savgol(f, m, d)
            out.write("exact %d %d %d %s\n" % (f, m, d, " ".join("%.17g" % v for v in e)))


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
