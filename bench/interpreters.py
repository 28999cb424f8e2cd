#!/usr/bin/env python3
"""Times the same workloads in ostracalc-cli, Lua 5.4 and Python 3.

Each workload runs as a whole process; the best CPU time of several runs
counts, less the best time of an empty program in the same interpreter
(start-up). The ratios compare ostracalc-cli with the other two in the same
run."""

import math
import os
import resource
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
    ("nested loop over a 2-D index, 1000 x 1000 (a[i*n+j])",
     "n=1000, for(i=0;i<n;i+=1; for(j=0;j<n;j+=1; a[i*n+j]=i+j)), a[n*n-1]",
     "local n=1000 local a={} for i=0,n-1 do for j=0,n-1 do a[i*n+j]=i+j end end print(a[n*n-1])",
     "n=1000\na=[0.0]*(n*n)\nfor i in range(n):\n    for j in range(n):\n        a[i*n+j]=i+j\nprint(a[n*n-1])"),
    ("function with an array parameter, 300 000 calls",
     "define(sum3(v[];k); v[k]+v[k+1]+v[k+2]), for(i=0;i<8;i+=1;a[i]=i), s=0, "
     "for(i=0;i<300000;i+=1; s+=sum3(a[];i-5*floor(i/5))), s",
     "local function sum3(v,k) return v[k]+v[k+1]+v[k+2] end local a={} for i=0,7 do a[i]=i end "
     "local s=0 for i=0,299999 do s=s+sum3(a,i-5*math.floor(i/5)) end print(s)",
     "import math\ndef sum3(v,k):\n    return v[k]+v[k+1]+v[k+2]\na=[float(i) for i in range(8)]\ns=0\n"
     "for i in range(300000):\n    s+=sum3(a,i-5*math.floor(i/5))\nprint(s)"),
    ("string(), number() and strcmp, 300 000 passes",
     "c=0, x=0, for(i=0;i<300000;i+=1; t=string(i), if(strcmp(t;'150000')==0; c+=1; 0), x+=number(t)), x+c",
     "local c,x=0,0 for i=0,299999 do local t=tostring(i) if t=='150000' then c=c+1 end x=x+tonumber(t) end print(x+c)",
     "c=0\nx=0\nfor i in range(300000):\n    t=str(i)\n    if t=='150000':\n        c+=1\n    x+=float(t)\nprint(x+c)"),
    ("if chain in a loop, 3M passes",
     "k=0, c=0, for(i=0;i<3000000;i+=1; if(k==0; c+=1; if(k==1; c+=2; if(k==2; c+=3; c+=4))), k+=1, if(k==4; k=0; 0)), c",
     "local k,c=0,0 for i=0,2999999 do if k==0 then c=c+1 elseif k==1 then c=c+2 elseif k==2 then c=c+3 "
     "else c=c+4 end k=k+1 if k==4 then k=0 end end print(c)",
     "k=0\nc=0\nfor i in range(3000000):\n    if k==0:\n        c+=1\n    elif k==1:\n        c+=2\n"
     "    elif k==2:\n        c+=3\n    else:\n        c+=4\n    k+=1\n    if k==4:\n        k=0\nprint(c)"),
]


def best(cmd):
    # CPU time of the child (all its threads), which a machine busy with
    # other work disturbs far less than the wall clock.
    times = []
    for _ in range(REPEAT):
        before = resource.getrusage(resource.RUSAGE_CHILDREN)
        r = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        after = resource.getrusage(resource.RUSAGE_CHILDREN)
        times.append(after.ru_utime - before.ru_utime + after.ru_stime - before.ru_stime)
        if r.returncode != 0:
            raise SystemExit(f"failed: {cmd}: {r.stderr.decode(errors='replace')}")
    return min(times)


# fit against SciPy's curve_fit on the same data, model and start values: the
# help example (500 points, 2 parameters) and a Gaussian on a baseline (10 000
# points, 4 parameters). The noise is a formula both sides compute alike.
FITS = [
    ("fit of the help example, 500 points, 2 parameters", 500, 200,
     "x[i]=i/50, v=abs(sin(i*12.9898)*43758.5453), y[i]=3.5*(x[i]-4)^2+v-floor(v)-0.5",
     "p[0]=1, p[1]=-1", "p[0]*(xx-p[1])^2",
     lambda i: i / 50.0,
     lambda x, i: 3.5 * (x - 4) ** 2 + noise(i),
     lambda t, a, b: a * (t - b) ** 2, [1.0, -1.0]),
    ("fit of a Gaussian, 10 000 points, 4 parameters", 10000, 10,
     "x[i]=i/1000, v=abs(sin(i*12.9898)*43758.5453), y[i]=2*exp(-0.5*((x[i]-5)/1.3)^2)+0.5+0.1*(v-floor(v)-0.5)",
     "p[0]=1, p[1]=4, p[2]=1, p[3]=0.1", "p[0]*exp(-0.5*((xx-p[1])/p[2])^2)+p[3]",
     lambda i: i / 1000.0,
     lambda x, i: 2 * math.exp(-0.5 * ((x - 5) / 1.3) ** 2) + 0.5 + 0.1 * noise(i),
     None, [1.0, 4.0, 1.0, 0.1]),
]


def noise(i):
    v = abs(math.sin(i * 12.9898) * 43758.5453)
    return v - math.floor(v) - 0.5


def cpu_time(fn, min_seconds=1.0):
    """Best CPU time per call of fn over repeated batches."""
    best_t, spent, calls = math.inf, 0.0, 1
    while spent < min_seconds:
        start = time.process_time()
        for _ in range(calls):
            fn()
        elapsed = time.process_time() - start
        spent += elapsed
        best_t = min(best_t, elapsed / calls)
        if elapsed < 0.05:
            calls *= 2
    return best_t


def fits():
    try:
        import numpy as np
        from scipy.optimize import curve_fit
    except ImportError:
        print("\n(fit comparison skipped: NumPy/SciPy missing)")
        return
    print(f"\n{'fit (same data, model, start values)':52} {'ostracalc':>10} {'SciPy':>10} {'ratio':>8}  result")
    for name, n, k, fill, start, model, xf, yf, pymodel, p0 in FITS:
        data = f"for(i=0;i<{n};i+=1; {fill}), "
        once = f"{start}, fit(x[];y[];p[];xx;{model};0;0;chi)"
        prog = data + f"for(f=0;f<{k};f+=1; {once}), string(p[0])"
        for j in range(1, len(p0)):
            prog += f"+' '+string(p[{j}])"
        prog += "+' chi '+string(chi)"
        base = best([CLI, "-e", data + "0"])
        total = best([CLI, "-e", prog])
        ours = (total - base) / k
        r = subprocess.run([CLI, "-e", prog], stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        x = np.array([xf(i) for i in range(n)])
        y = np.array([yf(x[i], i) for i in range(n)])
        if pymodel is None:
            pymodel = lambda t, a, b, c, d: a * np.exp(-0.5 * ((t - b) / c) ** 2) + d
        popt, _, info, _, _ = curve_fit(pymodel, x, y, p0=p0, full_output=True)
        chi = float(np.sum((y - pymodel(x, *popt)) ** 2))
        theirs = cpu_time(lambda: curve_fit(pymodel, x, y, p0=p0))
        print(f"{name:52} {ours * 1000:8.2f}ms {theirs * 1000:8.2f}ms {ours / theirs:7.2f}x")
        print(f"{'':52}   ostracalc: {r.stdout.strip()}")
        print(f"{'':52}   SciPy:     {' '.join('%.15g' % v for v in popt)} chi {chi:.15g} "
              f"({info['nfev']} model calls on the whole vector)")


def parse_time():
    tool = os.path.join(os.path.dirname(CLI), "parse_bench")
    if os.path.exists(tool):
        print()
        subprocess.run([tool], check=True)


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
        # Below a millisecond the difference of two process times is noise.
        tc = max(tc, 0.001)
        print(f"{name:46} {tc:9.3f}s {tl:9.3f}s {tp:9.3f}s {tc / tl:7.2f}x {tp / tc:9.1f}x faster")
    fits()
    parse_time()


if __name__ == "__main__":
    main()
