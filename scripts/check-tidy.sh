#!/usr/bin/env bash
# Runs clang-tidy (.clang-tidy) over every source file of src/ with the compile commands of a
# build folder (default build-test-release), two files at a time. Fails on any finding.
#   scripts/check-tidy.sh [BUILD_DIR]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build-test-release}"
[ -f "$build/compile_commands.json" ] || { echo "check-tidy: no compile_commands.json in $build"; exit 1; }
build="$(cd "$build" && pwd)" # a folder given relative to where the script was started
cd "$root"
out="$(mktemp)"
# The source files of src/ as they are in the work tree, new ones included.
sources() { git ls-files --cached --others --exclude-standard 'src/*.cpp' | sort -u |
  while IFS= read -r f; do [ -f "$f" ] && printf '%s\n' "$f"; done; }
if sources | xargs -P2 -n6 clang-tidy-14 -p "$build" --quiet > "$out" 2>/dev/null; then
  echo "check-tidy: no findings"; rm -f "$out"
else
  grep -E 'warning:|error:' "$out" | sort -u; rm -f "$out"
  echo "check-tidy: findings above"; exit 1
fi
