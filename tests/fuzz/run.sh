#!/usr/bin/env bash
# Runs every libFuzzer target of a fuzz build for a bounded time, starting
# from the committed corpus. New interesting inputs collect in
# BUILD/corpus/<name>; crashes, sanitizer reports, hangs and failed checks in
# BUILD/findings/<name>. Exit status 1 when there is any finding.
set -uo pipefail
build=${1:-build-fuzz}
seconds=${2:-60}
here=$(cd "$(dirname "$0")" && pwd)
found=0
for target in "$build"/bin/fuzz*; do
  name=${target##*/fuzz}
  mkdir -p "$build/corpus/$name" "$build/findings/$name"
  dict=()
  case $name in Parser|Evaluator) dict=(-dict="$here/program.dict") ;; esac
  echo "== $name: $seconds s"
  "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 \
    -artifact_prefix="$build/findings/$name/" "${dict[@]}" \
    "$build/corpus/$name" "$here/corpus/$name" 2>"$build/findings/$name.log" | tail -n 3
  grep -E "^(stat::number_of_executed_units|stat::new_units_added)" "$build/findings/$name.log" || true
  if compgen -G "$build/findings/$name/*" >/dev/null; then
    echo "   findings: $(ls "$build/findings/$name" | tr '\n' ' ')"
    grep -m 5 -E "ERROR|check failed|runtime error|deadly signal" "$build/findings/$name.log" || true
    found=1
  fi
done
if [ "$found" = 1 ]; then
  echo "Findings: see $build/findings. Fix them and add each input to tests/fuzz/corpus/<name>/."
  exit 1
fi
echo "No findings."
