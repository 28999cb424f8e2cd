#!/usr/bin/env python3
"""nlfit and fit against SciPy's curve_fit (MINPACK's lmdif with its default
settings) on the NIST StRD non-linear data sets of tests/data/nist, from both
NIST start vectors, and on the 10 000-point Gaussian of the fit benchmark.

For each run: the certified digits of the worst parameter (log relative
error; negative when the answer is wrong), the result each side reports
(-1 converged, 0 not; SciPy: -1 when leastsq's ier is 1 to 4, as curve_fit
accepts it), and the CPU time of one fit. ostracalc's time is that of a
program doing the fit k times less that of the same program without the fit;
SciPy's is the best per-call time of repeated curve_fit calls. Both in this
one script, on the same data, model and start values.

Usage: bench/nlfit_compare.py [path/to/ostracalc-cli] [--markdown]"""

import math
import os
import re
import resource
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from interpreters import cpu_time  # noqa: E402
DATA = os.path.join(HERE, "..", "tests", "data", "nist")
args = [a for a in sys.argv[1:] if not a.startswith("--")]
CLI = args[0] if args else "build/bin/ostracalc-cli"
MARKDOWN = "--markdown" in sys.argv

# name, model in the language (t is x), model in NumPy
SETS = [
    ("Misra1a", "p[0]*(1-exp(-p[1]*t))", lambda t, b1, b2: b1 * (1 - np.exp(-b2 * t))),
    ("Chwirut2", "exp(-p[0]*t)/(p[1]+p[2]*t)", lambda t, b1, b2, b3: np.exp(-b1 * t) / (b2 + b3 * t)),
    ("Chwirut1", "exp(-p[0]*t)/(p[1]+p[2]*t)", lambda t, b1, b2, b3: np.exp(-b1 * t) / (b2 + b3 * t)),
    ("Lanczos3", "p[0]*exp(-p[1]*t)+p[2]*exp(-p[3]*t)+p[4]*exp(-p[5]*t)",
     lambda t, b1, b2, b3, b4, b5, b6: b1 * np.exp(-b2 * t) + b3 * np.exp(-b4 * t) + b5 * np.exp(-b6 * t)),
    ("Gauss1", "p[0]*exp(-p[1]*t)+p[2]*exp(0-(t-p[3])^2/p[4]^2)+p[5]*exp(0-(t-p[6])^2/p[7]^2)",
     lambda t, b1, b2, b3, b4, b5, b6, b7, b8: b1 * np.exp(-b2 * t) + b3 * np.exp(-(t - b4) ** 2 / b5 ** 2)
     + b6 * np.exp(-(t - b7) ** 2 / b8 ** 2)),
    ("Gauss2", "p[0]*exp(-p[1]*t)+p[2]*exp(0-(t-p[3])^2/p[4]^2)+p[5]*exp(0-(t-p[6])^2/p[7]^2)",
     lambda t, b1, b2, b3, b4, b5, b6, b7, b8: b1 * np.exp(-b2 * t) + b3 * np.exp(-(t - b4) ** 2 / b5 ** 2)
     + b6 * np.exp(-(t - b7) ** 2 / b8 ** 2)),
    ("DanWood", "p[0]*t^p[1]", lambda t, b1, b2: b1 * t ** b2),
    ("Misra1b", "p[0]*(1-(1+p[1]*t/2)^(-2))", lambda t, b1, b2: b1 * (1 - (1 + b2 * t / 2) ** (-2))),
    ("MGH09", "p[0]*(t^2+t*p[1])/(t^2+t*p[2]+p[3])",
     lambda t, b1, b2, b3, b4: b1 * (t ** 2 + t * b2) / (t ** 2 + t * b3 + b4)),
    ("Thurber", "(p[0]+p[1]*t+p[2]*t^2+p[3]*t^3)/(1+p[4]*t+p[5]*t^2+p[6]*t^3)",
     lambda t, b1, b2, b3, b4, b5, b6, b7: (b1 + b2 * t + b3 * t ** 2 + b4 * t ** 3)
     / (1 + b5 * t + b6 * t ** 2 + b7 * t ** 3)),
]


def load(name):
    start1, start2, cert, sd, x, y = [], [], [], [], [], []
    data = False
    with open(os.path.join(DATA, name + ".dat")) as f:
        for line in f:
            if data:
                v = line.split()
                if len(v) >= 2:
                    y.append(float(v[0]))
                    x.append(float(v[1]))
                continue
            m = re.match(r"\s*b\d+\s*=\s*(\S+)\s+(\S+)\s+(\S+)\s+(\S+)", line)
            if m:
                start1.append(float(m[1]))
                start2.append(float(m[2]))
                cert.append(float(m[3]))
                sd.append(float(m[4]))
            elif re.match(r"Data:\s+y\s+x", line):
                data = True
    return (start1, start2), cert, sd, x, y


def digits(values, certified):
    worst = 16.0
    for v, c in zip(values, certified):
        if not math.isfinite(v):
            return -99.0
        if v != c:
            worst = min(worst, -math.log10(abs(v - c) / abs(c)))
    return worst


def child_cpu(cmd, repeat=3):
    best = math.inf
    out = ""
    for _ in range(repeat):
        before = resource.getrusage(resource.RUSAGE_CHILDREN)
        r = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        after = resource.getrusage(resource.RUSAGE_CHILDREN)
        if r.returncode != 0:
            raise SystemExit(f"failed: {r.stderr}")
        best = min(best, after.ru_utime - before.ru_utime + after.ru_stime - before.ru_stime)
        out = r.stdout
    return best, out


def fill(name, values):
    return "".join(f"{name}[{i}]={v!r}, " for i, v in enumerate(values))


def ostracalc(function, x, y, start, model, k):
    """The fit's parameters and result, and the CPU time of one fit."""
    m = len(start)
    data = fill("x", x) + fill("y", y)
    reset = "".join(f"p[{j}]={v!r}, " for j, v in enumerate(start))
    call = (f"r=nlfit(x[];y[];p[];t;{model};0;0;chi;e[])" if function == "nlfit"
            else f"r=fit(x[];y[];p[];t;{model};0;0;chi)")
    show = "for(j=0;j<length(p[]);j+=1;println(string(p[j]))), r"
    prog = data + f"for(f=0;f<{k};f+=1; {reset}{call}), " + show
    base, _ = child_cpu([CLI, "-e", data + reset + "r=0, " + show])
    total, out = child_cpu([CLI, "-e", prog])
    r = subprocess.run([CLI, "-e", prog], stdout=subprocess.PIPE, text=True)
    lines = r.stdout.split()
    params = [float(v) for v in lines[:m]]
    result = float(lines[-1]) if len(lines) > m else float("nan")
    return params, result, max(total - base, 0.0) / k


def scipy_fit(pymodel, x, y, start):
    from scipy.optimize import curve_fit, leastsq
    xa, ya = np.array(x), np.array(y)
    # curve_fit's own call: leastsq with its defaults on the residuals.
    res = leastsq(lambda p: ya - pymodel(xa, *p), np.array(start, dtype=float), full_output=True)
    popt, ier = res[0], res[4]

    def once():
        try:
            curve_fit(pymodel, xa, ya, p0=start)
        except RuntimeError:
            pass
    return list(popt), (-1 if ier in (1, 2, 3, 4) else 0), cpu_time(once)


def row(cells):
    if MARKDOWN:
        print("| " + " | ".join(cells) + " |")
    else:
        print("  ".join(f"{c:>10}" if i else f"{c:<12}" for i, c in enumerate(cells)))


def main():
    global np
    try:
        import numpy as np
        import scipy  # noqa: F401
    except ImportError:
        print("(nlfit comparison skipped: NumPy/SciPy missing)")
        return
    print("\nNIST StRD: certified digits of the worst parameter / result / CPU time per fit")
    header = ["problem", "start", "nlfit", "fit", "SciPy", "nlfit ms", "SciPy ms", "ratio"]
    row(header)
    if MARKDOWN:
        print("|" + "---|" * len(header))
    sum_ours = sum_theirs = 0.0
    for name, model, pymodel in SETS:
        starts, cert, _, x, y = load(name)
        for s, start in enumerate(starts):
            k = 200 if len(x) < 50 else 50
            p_nl, r_nl, t_nl = ostracalc("nlfit", x, y, start, model, k)
            p_fit, r_fit, _ = ostracalc("fit", x, y, start, model, 1)
            p_sc, r_sc, t_sc = scipy_fit(pymodel, x, y, start)
            sum_ours += t_nl
            sum_theirs += t_sc
            row([name, str(s + 1), f"{digits(p_nl, cert):.1f} / {r_nl:.0f}", f"{digits(p_fit, cert):.1f} / {r_fit:.0f}",
                 f"{digits(p_sc, cert):.1f} / {r_sc}", f"{t_nl * 1000:.2f}", f"{t_sc * 1000:.2f}",
                 f"{t_nl / t_sc:.2f}x"])
    print(f"all NIST runs: nlfit {sum_ours * 1000:.1f} ms, SciPy {sum_theirs * 1000:.1f} ms, "
          f"ratio {sum_ours / sum_theirs:.2f}x")

    # The Gaussian of the fit benchmark: 10 000 points, 4 parameters.
    n = 10000
    x = [i / 1000.0 for i in range(n)]

    def noise(i):
        v = abs(math.sin(i * 12.9898) * 43758.5453)
        return v - math.floor(v) - 0.5
    fill_y = "x[i]=i/1000, v=abs(sin(i*12.9898)*43758.5453), y[i]=2*exp(-0.5*((x[i]-5)/1.3)^2)+0.5+0.1*(v-floor(v)-0.5)"
    y = [2 * math.exp(-0.5 * ((x[i] - 5) / 1.3) ** 2) + 0.5 + 0.1 * noise(i) for i in range(n)]
    start = [1.0, 4.0, 1.0, 0.1]
    model = "p[0]*exp(-0.5*((t-p[1])/p[2])^2)+p[3]"
    k = 10
    data = f"for(i=0;i<{n};i+=1; {fill_y}), "
    reset = "p[0]=1, p[1]=4, p[2]=1, p[3]=0.1, "
    show = "string(p[0])+' '+string(p[1])+' '+string(p[2])+' '+string(p[3])+' r '+string(r)"
    base, _ = child_cpu([CLI, "-e", data + reset + "r=0, " + show])
    total, out = child_cpu([CLI, "-e", data + f"for(f=0;f<{k};f+=1; {reset}r=nlfit(x[];y[];p[];t;{model};0;0;chi;e[])), " + show])
    ours = max(total - base, 0.0) / k
    popt, _, theirs = scipy_fit(lambda t, a, b, c, d: a * np.exp(-0.5 * ((t - b) / c) ** 2) + d, x, y, start)
    print(f"\nnlfit of a Gaussian, 10 000 points, 4 parameters: nlfit {ours * 1000:.2f} ms, "
          f"SciPy curve_fit {theirs * 1000:.2f} ms, ratio {ours / theirs:.2f}x")
    print(f"  ostracalc: {out.strip()}")
    print(f"  SciPy:     {' '.join('%.15g' % v for v in popt)}")


if __name__ == "__main__":
    main()
