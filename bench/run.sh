#!/usr/bin/env bash
# Runs the interpreter workloads in ostracalc-cli, Lua 5.4 and Python 3 and
# prints the time ratios, then the whole programs, start-up and plot calls
# against Lua 5.4, LuaJIT and Python 3, then the typing benchmark of the
# editor when the GUI is built. Usage: bench/run.sh [BUILD_DIR]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-build}"
/usr/bin/python3 "$here/interpreters.py" "$build/bin/ostracalc-cli"
echo
/usr/bin/python3 "$here/programs.py" "$build/bin/ostracalc-cli"
/usr/bin/python3 "$here/nlfit_compare.py" "$build/bin/ostracalc-cli"
if [ -x "$build/bin/editor_bench" ]; then
  echo "Typing into a 5 000-line program:"
  XDG_CONFIG_HOME="$(mktemp -d)" XDG_DATA_HOME="$(mktemp -d)" "$build/bin/editor_bench"
fi
if [ -x "$build/bin/visa_bench" ]; then
  echo "VISA sessions against the simulated LAN oscilloscope:"
  "$build/bin/visa_bench"
fi
