#!/usr/bin/env bash
# The size of the test suite against the code it tests: lines of the .cpp and .h files in tests/
# over those in src/, tools/ and bench/. Prints the figure; fails outside 25 % to 35 %.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
# Tracked files only (what a commit holds), less those deleted in the work tree.
lines() { git ls-files "$@" | grep -E '\.(cpp|h)$' | while IFS= read -r f; do [ -f "$f" ] && cat "$f"; done | wc -l; }
tests=$(lines tests)
code=$(lines src tools bench)
percent=$(( (tests * 1000 / code + 5) / 10 ))
echo "test ratio: $tests test lines / $code code lines = $percent %"
if [ "$percent" -lt 25 ] || [ "$percent" -gt 35 ]; then echo "test ratio: outside 25 % to 35 %"; exit 1; fi
