#!/usr/bin/env bash
# Fails when a C++ file differs from what clang-format-14 makes of it (.clang-format).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
# The files of the work tree: tracked ones that still exist and new ones not yet added.
files() { git ls-files --cached --others --exclude-standard 'src/*' 'tests/*' 'tools/*' 'bench/*' | sort -u |
  grep -E '\.(cpp|h)$' | while IFS= read -r f; do [ -f "$f" ] && printf '%s\n' "$f"; done; }
if files | xargs clang-format-14 --dry-run --Werror; then
  echo "check-format: every file is formatted"
else
  echo "check-format: run clang-format-14 -i on the files above"; exit 1
fi
