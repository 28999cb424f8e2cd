#!/usr/bin/env bash
# Formats every C++ source of the tree with the layout of .clang-format.
#   scripts/format.sh           rewrites the files that differ (make format)
#   scripts/format.sh --check   changes nothing; lists the files that differ
#                               and fails when there is any (CI)
# The layout is that of Debian 12's clang-format 14; other versions may differ.
set -euo pipefail
cd "$(dirname "$0")/.."

mode=fix
case "${1:-}" in
  "") ;;
  --check) mode=check ;;
  *) echo "usage: scripts/format.sh [--check]" >&2; exit 2 ;;
esac

command -v clang-format >/dev/null || { echo "clang-format is missing: bash scripts/install-deps.sh" >&2; exit 1; }

if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files -- '*.cpp' '*.h')
else
  mapfile -t files < <(find app bench engine functions instruments output panels tests workbench \
                         -name '*.cpp' -o -name '*.h' | sort)
fi

if [ "$mode" = fix ]; then
  clang-format -i --style=file "${files[@]}"
  exit 0
fi

# One clang-format for the whole tree; it reports the first difference of each file.
if report=$(clang-format --style=file --dry-run --Werror --ferror-limit=1 "${files[@]}" 2>&1); then
  echo "All ${#files[@]} files match .clang-format."
  exit 0
fi
differ=$(grep -oE '^[^: ]+:[0-9]+:[0-9]+: error' <<<"$report" | cut -d: -f1 | sort -u)
[ -n "$differ" ] || { echo "$report" >&2; exit 1; }
sed 's/^/  /' <<<"$differ"
echo "$(wc -l <<<"$differ") of ${#files[@]} files differ from .clang-format: run make format" >&2
exit 1
