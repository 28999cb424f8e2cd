#!/usr/bin/env python3
"""Whole programs, start-up and plot calls of ostracalc-cli against Lua 5.4,
LuaJIT and Python 3, all in one run.

The programs are ports of three programs of the Computer Language Benchmarks
Game (bench/programs/NAME.sma, .lua, .py): each prints what the others print
for the same size, which is checked before it is timed. The times are the
best CPU time of a few runs of the whole process, less the start-up of the
same interpreter (its best time for an empty program). Start-up itself is
shown as CPU time and as wall time; the plot row is the wall time of a run
making 200 plotxy calls."""

import os
import resource
import shutil
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
CLI = sys.argv[1] if len(sys.argv) > 1 else "build/bin/ostracalc-cli"
PYTHON = "/usr/bin/python3"
REPEAT = 3
STARTS = 20

# name, size, what the size means, and what the runner prints after the
# program's text: it ends an open line and prints the result on a line of its
# own. The result of spectral-norm and n-body is their last line of text; the
# result of mandelbrot is empty, after the bitmap.
PROGRAMS = [
    ("spectral-norm", 300, "n = 300", b""),
    ("mandelbrot", 400, "400 x 400", b"\n\n"),
    ("n-body", 100000, "100 000 steps", b""),
]

PLOT_CALLS = "for(i=0;i<5;i+=1; a[i]=i*i), for(k=0;k<200;k+=1; plotxy(0;mod(k;20);0;a[])), plotcurvecount(0)"


def run(cmd):
    """CPU time (all threads) and output of one run of cmd."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    r = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    if r.returncode != 0:
        raise SystemExit(f"failed: {cmd[:2]}: {r.stderr.decode(errors='replace')}")
    return after.ru_utime - before.ru_utime + after.ru_stime - before.ru_stime, r.stdout


def best_cpu(cmd, repeat=REPEAT):
    return min(run(cmd)[0] for _ in range(repeat))


def best_wall(cmd, repeat=STARTS):
    times = []
    for _ in range(repeat):
        start = time.perf_counter()
        subprocess.run(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
        times.append(time.perf_counter() - start)
    return min(times)


def peers():
    """The interpreters: name, command before the program, empty program."""
    found = [("ostracalc", None, [CLI, "-e", "1"])]
    for name in ("lua5.4", "luajit"):
        path = shutil.which(name)
        if path:
            found.append((name, [path], [path, "-e", ""]))
        else:
            print(f"({name} missing: bash scripts/install-deps.sh installs it)")
    found.append(("python3", [PYTHON], [PYTHON, "-c", ""]))
    return found


def command(peer, program, size):
    name, prefix, _ = peer
    if prefix is None:
        with open(os.path.join(HERE, "programs", program + ".sma"), encoding="latin-1") as f:
            return [CLI, "-e", f"n={size},\n" + f.read()]
    ext = ".py" if name == "python3" else ".lua"
    return prefix + [os.path.join(HERE, "programs", program + ext), str(size)]


def main():
    found = peers()
    # Start-up: CPU time, which the other work on a shared machine disturbs
    # far less, and wall time.
    base = {name: best_cpu(empty, repeat=STARTS) for name, _, empty in found}
    walls = {name: best_wall(empty) for name, _, empty in found}
    print(f"start-up, best of {STARTS} runs of an empty program (CPU time / wall time):")
    print("  " + ", ".join(f"{name} {base[name] * 1000:.1f} / {walls[name] * 1000:.1f} ms" for name in base))
    if "lua5.4" in base:
        print(f"  ostracalc / lua5.4: {base['ostracalc'] / base['lua5.4']:.2f}x CPU, "
              f"{walls['ostracalc'] / walls['lua5.4']:.2f}x wall (goal: within 2x)")

    plots = best_wall([CLI, "-e", PLOT_CALLS], repeat=5)
    print(f"200 plotxy calls in the runner: {plots * 1000:.1f} ms of wall time for the whole run, "
          f"{(plots - walls['ostracalc']) * 1000:.1f} ms more than an empty run (goal: under 100 ms)")

    names = [name for name, _, _ in found]
    print(f"\n{'program (CPU time, start-up subtracted)':40}" + "".join(f"{n:>11}" for n in names) +
          "".join(f"{'/ ' + n:>11}" for n in names[1:]))
    for program, size, label, tail in PROGRAMS:
        outputs, times = {}, {}
        for peer in found:
            name = peer[0]
            cmd = command(peer, program, size)
            outputs[name] = run(cmd)[1]
            times[name] = max(best_cpu(cmd) - base[name], 0.001)
        expected = outputs["python3"]
        for name, out in outputs.items():
            if out != expected + (tail if name == "ostracalc" else b""):
                raise SystemExit(f"{program}: {name} does not print what python3 prints")
        ours = times["ostracalc"]
        print(f"{program + ', ' + label:40}" + "".join(f"{times[n]:10.3f}s" for n in names) +
              "".join(f"{ours / times[n]:10.2f}x" for n in names[1:]))
        shown = expected.decode("latin-1").strip().replace("\n", " ")
        print(f"{'':40}  prints: {shown if program != 'mandelbrot' else f'a P4 bitmap of {len(expected)} bytes'}")


if __name__ == "__main__":
    main()
