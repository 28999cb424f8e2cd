#!/usr/bin/env python3
"""make soak: the desktop windows run scripts/soak.sma for SOAK_MINUTES
(default 10) offscreen, with the simulated serial instrument and UDP peer of
examples/instruments, and are sampled every SOAK_SAMPLE seconds (default 5).

Fails when, after the first minute, resident memory (less the output
store's own, which fills up to its limit and then stays there) grows by more
than SOAK_MARGIN_MB (default 8), open descriptors grow at all beyond 2, or a
keystroke takes more than 50 ms to reach the screen. Prints the figures.

Usage: soak.py BUILD_DIR
"""

import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile

KEY_LIMIT_MS = 50.0
FD_MARGIN = 2


def start(cmd, **kw):
    return subprocess.Popen(cmd, stdout=subprocess.PIPE, text=True, **kw)


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else "build"
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    minutes = float(os.environ.get("SOAK_MINUTES", "10"))
    sample = float(os.environ.get("SOAK_SAMPLE", "5"))
    margin = float(os.environ.get("SOAK_MARGIN_MB", "8")) * 2**20
    limit_mb = float(os.environ.get("SOAK_LIMIT_MB", "16"))
    soak = os.path.join(os.path.abspath(build), "bin", "ostra_soak")
    instruments = os.path.join(root, "examples", "instruments")

    home = tempfile.mkdtemp(prefix="ostra-soak-")
    peers = []
    try:
        serial = start([sys.executable, os.path.join(instruments, "serial_instrument.py")], stderr=subprocess.DEVNULL)
        peers.append(serial)
        device = serial.stdout.readline().strip()
        udp = start([sys.executable, os.path.join(instruments, "udp_peer.py"), "--port", "0"])
        peers.append(udp)
        port = udp.stdout.readline().split()[-1]
        with open(os.path.join(root, "scripts", "soak.sma")) as f:
            macro = f.read().replace("@PORT@", port)
        path = os.path.join(home, "soak.sma")
        with open(path, "w", newline="") as f:
            f.write(macro.replace("\n", "\r\n"))
        shutil.copy(os.path.join(root, "examples", "motor.gui"), home)
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen", OSTRA_SERIAL_0=device,
                   XDG_CACHE_HOME=os.path.join(home, "cache"), XDG_CONFIG_HOME=os.path.join(home, "config"),
                   XDG_DATA_HOME=os.path.join(home, "data"))
        print("soak: %g minutes, a sample every %g s, output limit %g MB (serial %s, UDP port %s)"
              % (minutes, sample, limit_mb, device, port), flush=True)
        run = start([soak, "--macro", path, "--minutes", str(minutes), "--sample", str(sample),
                     "--limit-mb", str(limit_mb)], cwd=home, env=env)
        samples = []
        for line in run.stdout:
            s = json.loads(line)
            samples.append(s)
            print("%7.1f s  rss %6.1f MB  fds %3d  threads %2d  store %6.1f MB  spool %7.1f MB  lines %9d  "
                  "keys %3d  median %5.2f ms  max %6.2f ms"
                  % (s["t"], s["rss"] / 2**20, s["fds"], s["threads"], s["store"] / 2**20, s["spool"] / 2**20,
                     s["lines"], s["keys"], s["key_median_ms"], s["key_max_ms"]), flush=True)
        status = run.wait()
    finally:
        for p in peers:
            p.terminate()
            p.wait()
        shutil.rmtree(home, ignore_errors=True)

    failures = []
    if status != 0:
        failures.append("ostra_soak ended with status %d" % status)
    settled = [s for s in samples if s["t"] >= 60]
    if not settled:
        failures.append("no sample after the first minute")
    else:
        base = settled[0]
        own = [s["rss"] - s["store"] for s in settled]
        growth = max(own) - own[0]
        fd_growth = max(s["fds"] for s in settled) - base["fds"]
        keys = [s["key_max_ms"] for s in samples if s["keys"]]
        medians = [s["key_median_ms"] for s in samples if s["keys"]]
        last = samples[-1]
        print()
        print("figures over %.0f s:" % last["t"])
        print("  resident memory    %.1f MB at 1 min, %.1f MB at the end, at most %.1f MB"
              % (base["rss"] / 2**20, last["rss"] / 2**20, max(s["rss"] for s in settled) / 2**20))
        print("  without the store  growth after 1 min %+.1f MB (margin %.0f MB)" % (growth / 2**20, margin / 2**20))
        print("  descriptors        %d at 1 min, at most %d after" % (base["fds"], base["fds"] + fd_growth))
        print("  threads            %d at 1 min, %d at the end" % (base["threads"], last["threads"]))
        print("  output store       %.1f MB in memory (limit %g MB), %.1f MB spooled, %d lines"
              % (last["store"] / 2**20, limit_mb, last["spool"] / 2**20, last["lines"]))
        print("  lines per second   %.0f" % (last["lines"] / last["t"]))
        if keys:
            print("  keystrokes         %d probed, median of the samples' medians %.2f ms, longest %.2f ms"
                  % (sum(s["keys"] for s in samples), statistics.median(medians), max(keys)))
        if growth > margin:
            failures.append("memory grew by %.1f MB after the first minute" % (growth / 2**20))
        if fd_growth > FD_MARGIN:
            failures.append("descriptors grew by %d after the first minute" % fd_growth)
        if keys and max(keys) > KEY_LIMIT_MS:
            failures.append("a keystroke took %.1f ms" % max(keys))
        if not keys:
            failures.append("no keystroke reached the screen")
    for f in failures:
        print("soak FAILED: " + f)
    if not failures:
        print("soak passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
