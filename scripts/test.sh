#!/usr/bin/env bash
# Installs what is needed and checks the format and the layers' includes; builds the layers below
# ui alone without Qt Widgets and runs their tests; builds the rest of the normal (Release)
# configuration in the same folder, runs the other tests, checks the Debian package and runs
# clang-tidy on it; builds the sanitizer (address and undefined behaviour) configuration from
# scratch and runs the whole suite; soaks the program for 30 seconds against a chaotic line; runs
# every fuzz target for 30 seconds; and prints the size of the tests against the code.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup-deps.sh"
jobs="$(nproc)"
status=0
run_tests() {
  ASAN_OPTIONS="abort_on_error=1" UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
    ctest --test-dir "$1" -j"$jobs" --output-on-failure --timeout 300 "${@:2}" || status=1
}

# Before any build.
"$root/scripts/check-format.sh" || status=1
"$root/scripts/check-layers.sh" || status=1

release="$root/build-test-release"
rm -rf "$release"
# The layers below ui build and pass without Qt Widgets; the rest reuses their objects.
echo "== release without widgets"
cmake -S "$root" -B "$release" -DCMAKE_BUILD_TYPE=Release -DVRR_WIDGETS=OFF >/dev/null
cmake --build "$release" -j"$jobs"
run_tests "$release"
echo "== release"
cmake -S "$root" -B "$release" -DVRR_WIDGETS=ON >/dev/null
cmake --build "$release" -j"$jobs"
run_tests "$release" -LE below-ui # the tests of the layers below ui ran above
# The Debian package, installed and tried as a station would use it (as root only).
"$root/scripts/package-check.sh" "$release" || status=1
"$root/scripts/check-tidy.sh" "$release" || status=1

echo "== asan"
asan="$root/build-test-asan"
rm -rf "$asan"
cmake -S "$root" -B "$asan" -DCMAKE_BUILD_TYPE=Debug -DVRR_SANITIZE=ON >/dev/null
cmake --build "$asan" -j"$jobs"
run_tests "$asan"

# Half a minute of the soak against the chaotic line (as root only: the servers use port 1001).
if [ "$(id -u)" -eq 0 ]; then
  echo "== soak"
  "$root/scripts/soak.sh" 30 --build "$release" || status=1
fi
# Every fuzz target for 30 s (two at a time: about 3 minutes with the clang build).
echo "== fuzzing"
FUZZ_SEED=1 "$root/scripts/fuzz.sh" 30 || status=1
"$root/scripts/test-ratio.sh" || status=1
exit $status
