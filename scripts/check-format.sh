#!/usr/bin/env bash
# Fails when a C++ file differs from what clang-format-14 makes of it (.clang-format).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
if git ls-files 'src/*' 'tests/*' 'tools/*' 'bench/*' | grep -E '\.(cpp|h)$' | xargs clang-format-14 --dry-run --Werror; then
  echo "check-format: every file is formatted"
else
  echo "check-format: run clang-format-14 -i on the files above"; exit 1
fi
