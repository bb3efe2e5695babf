#!/usr/bin/env bash
# Soak: the real program (offscreen) against 64 simulated servers in chaos mode (random drops,
# stalls, noise and bursts) and one server that never reads, for SECONDS (default 600). Samples
# the program's memory and open descriptors every second and prints, at the end, reports handled,
# reconnects, peak RSS, RSS after the first minute (or the first third of a short run) against the
# end, descriptors at that point against the end, the log's size against its limit, and whether
# every server was still answered lately. Exits non-zero when the program died, a check failed,
# or (with --valgrind) memcheck found errors.
#
#   scripts/soak.sh [SECONDS] [--build DIR] [--valgrind]
#
# Needs root (port 1001). --build chooses the program's build folder (default build, Release;
# build-asan runs it under the sanitizers). SOAK_LOG_DATA=0 switches data logging off (default 1,
# on), SOAK_SEED seeds the simulator's chaos (default 1), SOAK_LOG_KIB sets the log's limit.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds=600; build="$root/build"; valgrind=0
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build="$2"; shift 2 ;;
    --valgrind) valgrind=1; shift ;;
    [0-9]*) seconds="$1"; shift ;;
    *) echo "usage: $0 [SECONDS] [--build DIR] [--valgrind]" >&2; exit 2 ;;
  esac
done
if [ "$(id -u)" -ne 0 ]; then echo "soak: the servers listen on port 1001, which needs root" >&2; exit 1; fi
if [ ! -x "$build/bin/VelkoRozoRedizovClient" ] || [ ! -x "$build/bin/line-simulator" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build" -j"$(nproc)" --target VelkoRozoRedizovClient line-simulator >/dev/null
fi

work="$(mktemp -d /tmp/soak-XXXXXX)"
cp "$build/bin/VelkoRozoRedizovClient" "$work/"
limit_kib=${SOAK_LOG_KIB:-512}
log_data=$( [ "${SOAK_LOG_DATA:-1}" = 0 ] && echo false || echo true )
seed=${SOAK_SEED:-1}
{
  printf '[General]\r\nLogSystem=true\r\nLogData=%s\r\nLogDebug=false\r\nLogFileSize=%d\r\n' "$log_data" "$limit_kib"
  for k in $(seq 0 63); do printf '[Ma%d]\r\nText=Machine %d\r\nAddress=127.0.12.%d\r\nEnabled=true\r\nGroup=%d\r\n' \
    "$k" "$k" $((k + 1)) $((k % 8)); done
} > "$work/VelkoRozoRedizovClient.ini"

sim_pid=""; prog_pid=""
cleanup() {
  [ -n "$prog_pid" ] && kill "$prog_pid" 2>/dev/null || true
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true
  wait 2>/dev/null || true
}
trap cleanup EXIT

# 63 chaotic servers and one that accepts but never reads.
"$build/bin/line-simulator" --addresses 127.0.12.1-64 --deaf 127.0.12.64 --chaos --interval 2000 --seed "$seed" \
  --duration $((seconds + 20)) > "$work/simulator.out" 2>&1 &
sim_pid=$!
sleep 1
runner=()
if [ "$valgrind" = 1 ]; then
  runner=(valgrind --error-exitcode=99 --leak-check=no --track-fds=no --log-file="$work/valgrind.log")
fi
(cd "$work" && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS="abort_on_error=1:detect_leaks=0" exec ${runner[@]+"${runner[@]}"} \
  ./VelkoRozoRedizovClient > "$work/program.out" 2>&1) &
prog_pid=$!
sleep 2
pid="$(pgrep -n -f "$work/VelkoRozoRedizovClient" || pgrep -n -f VelkoRozoRedizovClient)"

settle=$(( seconds / 3 < 60 ? seconds / 3 : 60 ))
rss() { awk '/VmRSS/ {print $2}' "/proc/$pid/status" 2>/dev/null || echo 0; }
# Sockets come and go with every reconnect; the other descriptors (files, pipes, timers) must not grow.
fds() { ls -l "/proc/$pid/fd" 2>/dev/null | grep -vc 'socket:' || true; }
sockets() { ls -l "/proc/$pid/fd" 2>/dev/null | grep -c 'socket:' || true; }
# Descriptors move with every reconnect: the medians of a window after settling and of the last
# window are compared.
window=$(( seconds / 3 < 60 ? seconds / 3 : 60 ))
median() { sort -n | awk '{a[NR]=$1} END {print (NR ? a[int((NR + 1) / 2)] : 0)}'; }
peak=0; rss_settled=0; died=0; first_fds=(); last_fds=()
for t in $(seq 1 "$seconds"); do
  sleep 1
  if ! kill -0 "$pid" 2>/dev/null; then died=1; break; fi
  r="$(rss)"; [ "$r" -gt "$peak" ] && peak="$r"
  [ "$t" = "$settle" ] && rss_settled="$r"
  if [ "$t" -ge "$settle" ] && [ "$t" -lt $((settle + window)) ]; then first_fds+=("$(fds)"); fi
  if [ "$t" -gt $((seconds - window)) ]; then last_fds+=("$(fds)"); fi
done
rss_end="$(rss)"; sockets_end="$(sockets)"
fds_settled="$(printf '%s\n' "${first_fds[@]}" | median)"
fds_end="$(printf '%s\n' "${last_fds[@]}" | median)"
log_size="$(stat -c %s "$work/DizaVizaru.txt" 2>/dev/null || echo 0)"
wait "$sim_pid" 2>/dev/null || true # its own end, and its summary
sim_pid=""
summary="$(grep chaos-summary "$work/simulator.out" || true)"
kill "$pid" 2>/dev/null || true
wait "$prog_pid" 2>/dev/null; prog_status=$?
prog_pid=""

echo "soak: $seconds s, LogData $log_data, seed $seed, program $( [ "$died" = 1 ] && echo DIED || echo 'ran throughout')"
echo "simulator: ${summary#chaos-summary }"
echo "RSS: peak $((peak / 1024)) MiB; at ${settle} s $((rss_settled / 1024)).$(( (rss_settled % 1024) * 10 / 1024 )) MiB, at the end $((rss_end / 1024)).$(( (rss_end % 1024) * 10 / 1024 )) MiB (growth $(( (rss_end - rss_settled) / 1024 )) MiB)"
echo "descriptors other than sockets (median of ${window} s): after settling $fds_settled, at the end $fds_end; sockets at the end $sockets_end"
echo "log: $log_size bytes, limit $((limit_kib * 1024))"
status=0
[ "$died" = 0 ] || status=1
lately="$(echo "$summary" | sed -n 's/.*answered-lately=\([0-9]*\)\/\([0-9]*\).*/\1 \2/p')"
# A short run's window is short too: a server the program dropped near its end may still be
# waiting for its reconnect, so up to two may be missing then; a long run wants every one.
missing_allowed=0; [ "$seconds" -lt 300 ] && missing_allowed=2
if [ -z "$lately" ] || [ $(( ${lately#* } - ${lately% *} )) -gt "$missing_allowed" ]; then
  echo "check: not every server was answered lately"; status=1
fi
[ "$fds_end" -le "$fds_settled" ] || { echo "check: descriptors grew"; status=1; }
[ "$sockets_end" -le 66 ] || { echo "check: more sockets than servers"; status=1; }
[ "$log_size" -le $((limit_kib * 1024 + 8192)) ] || { echo "check: the log passed its limit"; status=1; }
# Memory figures mean something only for the plain build: the sanitizers keep freed memory in
# quarantine and valgrind has its own heap.
plain=1
if [ "$valgrind" = 1 ] || ldd "$build/bin/VelkoRozoRedizovClient" | grep -q libasan; then plain=0; fi
if [ "$plain" = 1 ] && [ "$seconds" -ge 300 ] && [ $((rss_end - rss_settled)) -gt 5120 ]; then
  echo "check: RSS grew by more than 5 MiB"; status=1
fi
if [ "$valgrind" = 1 ]; then
  errors="$(grep -o 'ERROR SUMMARY: [0-9]*' "$work/valgrind.log" | tail -1)"
  echo "valgrind: $errors"
  [ "$errors" = "ERROR SUMMARY: 0" ] || status=1
fi
if grep -q "ERROR: AddressSanitizer\|runtime error" "$work/program.out"; then echo "sanitizer: errors (see $work/program.out)"; status=1; fi
[ "$status" = 0 ] && rm -rf "$work" || echo "kept: $work"
exit $status
