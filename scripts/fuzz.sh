#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (address and undefined-behaviour sanitizers) and runs
# each for SECONDS (default 30), two at a time, starting from the seeds in tests/fuzz/corpus. What
# a run finds is kept in build-fuzz/findings/<target>; the committed seeds are never changed.
# Prints executions per second and coverage for every target; exits non-zero when any target
# crashed, hung (10 s for one input) or ran out of memory.
#
#   scripts/fuzz.sh [SECONDS] [TARGET ...]
#
# FUZZ_SEED fixes libFuzzer's random seed (CI uses 1, so that a run can be repeated).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-30}"; shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(arrival report settings language-stream symbol)
build="$root/build-fuzz"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVRR_FUZZ=ON >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null

run() {
  local t="$1" work="$build/findings/$1"
  rm -rf "$work" && mkdir -p "$work/corpus"
  cp "$root/tests/fuzz/corpus/$t/"* "$work/corpus/"
  # The symbol target needs no display; none of the targets may touch the machine's own.
  if (cd "$work" && env -u DISPLAY QT_QPA_PLATFORM=offscreen "$build/bin/fuzz-$t" -max_total_time="$seconds" \
        -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$work/" ${FUZZ_SEED:+-seed=$FUZZ_SEED} corpus \
        >"$work/log" 2>&1); then
    echo "ok" >"$work/result"
  else
    echo "FAILED" >"$work/result"
  fi
}

pids=()
for t in "${targets[@]}"; do
  run "$t" &
  pids+=($!)
  if [ ${#pids[@]} -ge "$(nproc)" ]; then wait "${pids[0]}"; pids=("${pids[@]:1}"); fi
done
wait

status=0
for t in "${targets[@]}"; do
  work="$build/findings/$t"
  result="$(cat "$work/result")"
  execs="$(grep -o 'stat::average_exec_per_sec: *[0-9]*' "$work/log" | grep -o '[0-9]*$' || echo '?')"
  cov="$(grep -o 'cov: [0-9]* ft: [0-9]*' "$work/log" | tail -1 || echo '?')"
  echo "fuzz-$t: $result, ${seconds} s, $execs exec/s, $cov"
  if [ "$result" != ok ]; then
    status=1
    grep -E 'ERROR|SUMMARY|==[0-9]+==|artifact' "$work/log" | head -20 || true
  fi
done
exit $status
