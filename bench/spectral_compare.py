#!/usr/bin/python3
"""Transform, fit and filter timings of the calculator against FFTW and SciPy.

Runs the Google Benchmark program spectral_bench (transforms against FFTW's
estimate-mode plans, fit of the help example, Savitzky-Golay filter) and, in
the same run, SciPy's curve_fit and savgol_filter on the same data, then
prints the ratios. Times are CPU times of the process, which keeps the
ratios meaningful on a machine shared with other work.

    /usr/bin/python3 bench/spectral_compare.py [path/to/spectral_bench]
"""
import json
import math
import os
import subprocess
import sys

import numpy as np
from scipy.optimize import curve_fit
from scipy.signal import savgol_filter

from interpreters import cpu_time  # the same timing as the interpreter table

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def help_data():
    # The same 500 points as spectral_bench.cpp: 3.5*(x-4)^2 plus a noise
    # from a formula both compute alike.
    x = np.array([i / 50.0 for i in range(500)])
    noise = []
    for i in range(500):
        v = abs(math.sin(i * 12.9898) * 43758.5453)
        noise.append(v - math.floor(v) - 0.5)
    y = 3.5 * (x - 4) ** 2 + np.array(noise)
    return x, y


def run_bench(binary):
    out = subprocess.run([binary, "--benchmark_format=json", "--benchmark_min_time=0.3"],
                         check=True, capture_output=True, text=True).stdout
    results = {}
    for b in json.loads(out)["benchmarks"]:
        unit = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}[b.get("time_unit", "ns")]
        results[b["name"]] = dict(b, cpu_seconds=b["cpu_time"] * unit)
    return results


def main():
    binary = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build-spectral", "bin", "spectral_bench")
    bench = run_bench(binary)

    print("Transform (CPU time per transform; ratio = ours / FFTW estimate plan)")
    print("%9s %12s %12s %7s %12s %12s %7s" % ("N", "real ours", "FFTW r2c", "ratio", "complex ours", "FFTW c2c", "ratio"))
    n = 1 << 10
    while n <= 1 << 20:
        ro = bench["BM_OstraRealTransform/%d" % n]["cpu_seconds"]
        rf = bench["BM_FFTWRealTransform/%d" % n]["cpu_seconds"]
        co = bench["BM_OstraComplexTransform/%d" % n]["cpu_seconds"]
        cf = bench["BM_FFTWComplexTransform/%d" % n]["cpu_seconds"]
        print("%9d %10.1fus %10.1fus %7.2f %10.1fus %10.1fus %7.2f" % (n, ro * 1e6, rf * 1e6, ro / rf, co * 1e6, cf * 1e6, co / cf))
        n *= 2

    x, y = help_data()
    model = lambda t, a, b: a * (t - b) ** 2
    popt, _, info, _, _ = curve_fit(model, x, y, p0=[1.0, -1.0], full_output=True)
    scipy_fit = cpu_time(lambda: curve_fit(model, x, y, p0=[1.0, -1.0]))
    engine = bench["BM_FitHelpExampleEngine"]
    compiled = bench["BM_FitHelpExampleCompiled"]["cpu_seconds"]
    ours = engine["cpu_seconds"]
    evaluations = engine["evaluations"]
    print()
    print("fit of the help example (500 points, 2 parameters)")
    print("  ours through the engine: %.3f ms, %d model evaluations in %d iterations, %.1f M evaluations/s"
          % (ours * 1e3, evaluations, engine["iterations"], evaluations / ours / 1e6))
    print("  ours, model compiled:    %.3f ms" % (compiled * 1e3))
    print("  SciPy curve_fit:         %.3f ms (%d model calls on the whole vector), p = %.4f %.4f"
          % (scipy_fit * 1e3, info["nfev"], popt[0], popt[1]))
    print("  ratio ours / SciPy:      %.2f" % (ours / scipy_fit))

    rng = np.random.default_rng(42)
    data = rng.uniform(-1, 1, 1000000)
    scipy_sg = cpu_time(lambda: savgol_filter(data, 65, 2))
    ours_sg = bench["BM_SGFilter/32"]["cpu_seconds"]
    print()
    print("sgfilter, 10^6 points, f = 32 (window 65), order 2")
    print("  ours: %.1f ms   SciPy savgol_filter: %.1f ms   ratio ours / SciPy: %.2f"
          % (ours_sg * 1e3, scipy_sg * 1e3, ours_sg / scipy_sg))
    print("  ours by half width (direct / transform path), ms:")
    for f in (32, 64, 128, 256):
        d = bench.get("BM_SGFilter/%d" % f)
        t = bench.get("BM_SGFilterTransform/%d" % f)
        print("    f=%3d  %8s  %8s" % (f, "%.1f" % (d["cpu_seconds"] * 1e3) if d else "-",
                                     "%.1f" % (t["cpu_seconds"] * 1e3) if t else "-"))


if __name__ == "__main__":
    main()
