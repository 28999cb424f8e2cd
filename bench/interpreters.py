#!/usr/bin/env python3
"""Times the same workloads in ostracalc-cli, Lua 5.4 and Python 3.

Each workload runs as a whole process; the best of several runs counts, less
the best time of an empty program in the same interpreter (start-up). The
ratios compare ostracalc-cli with the other two in the same run."""

import shutil
import subprocess
import sys
import time

CLI = sys.argv[1] if len(sys.argv) > 1 else "build/bin/ostracalc-cli"
REPEAT = 5

WORKLOADS = [
    ("numeric loop, 10M passes (s+=i*0.5)",
     "s=0, for(i=0;i<10000000;i+=1;s+=i*0.5), s",
     "local s=0 for i=0,9999999 do s=s+i*0.5 end print(s)",
     "s=0.0\nfor i in range(10000000):\n    s+=i*0.5\nprint(s)"),
    ("fill a 1M-element array with sin",
     "for(i=0;i<1000000;i+=1;a[i]=sin(i)), a[999999]",
     "local a={} for i=0,999999 do a[i]=math.sin(i) end print(a[999999])",
     "import math\na=[]\nfor i in range(1000000):\n    a.append(math.sin(i))\nprint(a[999999])"),
    ("recursive fib(25), 10 times",
     "define(fib(n); if(n<2; n; fib(n-1)+fib(n-2))), for(k=0;k<10;k+=1;fib(25))",
     "local function fib(n) if n<2 then return n end return fib(n-1)+fib(n-2) end "
     "for k=1,10 do fib(25) end",
     "def fib(n):\n    return n if n<2 else fib(n-1)+fib(n-2)\nfor k in range(10):\n    fib(25)"),
    ("build a 100 000-character string (s+='x')",
     "s='', for(i=0;i<100000;i+=1;s+='x'), 1",
     "local s='' for i=1,100000 do s=s..'x' end print(#s)",
     "s=''\nfor i in range(100000):\n    s+='x'\nprint(len(s))"),
]


def best(cmd):
    times = []
    for _ in range(REPEAT):
        t0 = time.perf_counter()
        r = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        times.append(time.perf_counter() - t0)
        if r.returncode != 0:
            raise SystemExit(f"failed: {cmd}: {r.stderr.decode(errors='replace')}")
    return min(times)


def main():
    lua = shutil.which("lua5.4")
    python = "/usr/bin/python3"
    start_c = best([CLI, "-e", "0"])
    start_l = best([lua, "-e", ""]) if lua else 0.0
    start_p = best([python, "-c", "pass"])
    print(f"start-up: ostracalc {start_c * 1000:.1f} ms, lua5.4 {start_l * 1000:.1f} ms, "
          f"python3 {start_p * 1000:.1f} ms (subtracted below)")
    print(f"{'workload':46} {'ostracalc':>10} {'lua5.4':>10} {'python3':>10} {'vs lua':>8} {'vs python':>10}")
    for name, calc, lua_src, py_src in WORKLOADS:
        tc = best([CLI, "-e", calc]) - start_c
        tl = (best([lua, "-e", lua_src]) - start_l) if lua else float("nan")
        tp = best([python, "-c", py_src]) - start_p
        print(f"{name:46} {tc:9.3f}s {tl:9.3f}s {tp:9.3f}s {tc / tl:7.2f}x {tp / tc:9.1f}x faster")


if __name__ == "__main__":
    main()
