#!/usr/bin/env bash
# Installs what is needed, builds the normal (Release) and the sanitizer (address and undefined
# behaviour) configurations from scratch, runs the whole test suite in both, checks the Debian
# package built from the normal one, soaks the program for 30 seconds against a chaotic line, and
# runs every fuzz target for 30 seconds.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup-deps.sh"
jobs="$(nproc)"
status=0
for config in release asan; do
  dir="$root/build-test-$config"
  rm -rf "$dir"
  if [ "$config" = release ]; then
    cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=Release >/dev/null
  else
    cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=Debug -DVRR_SANITIZE=ON >/dev/null
  fi
  cmake --build "$dir" -j"$jobs"
  echo "== $config tests"
  ASAN_OPTIONS="abort_on_error=1" UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
    ctest --test-dir "$dir" -j"$jobs" --output-on-failure --timeout 300 || status=1
  # The Debian package, installed and tried as a station would use it (as root only).
  if [ "$config" = release ]; then "$root/scripts/package-check.sh" "$dir" || status=1; fi
done
# Half a minute of the soak against the chaotic line (as root only: the servers use port 1001).
if [ "$(id -u)" -eq 0 ]; then
  echo "== soak"
  "$root/scripts/soak.sh" 30 --build "$root/build-test-release" || status=1
fi
# Every fuzz target for 30 s (two at a time: about 3 minutes with the clang build).
echo "== fuzzing"
FUZZ_SEED=1 "$root/scripts/fuzz.sh" 30 || status=1
exit $status
