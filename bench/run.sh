#!/usr/bin/env bash
# Runs the interpreter workloads in ostracalc-cli, Lua 5.4 and Python 3 and
# prints the time ratios. Usage: bench/run.sh [BUILD_DIR]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-build}"
exec /usr/bin/python3 "$here/interpreters.py" "$build/bin/ostracalc-cli"
