#!/bin/sh
# A few seconds of the hub benchmark at one rate and a one-second flood, on an address block of
# its own, so that the benchmark keeps working and the program keeps its promises under a flood:
# every request of the asking server answered, no server dropped, the flooding server's reports
# in order, and one timed line per answer for bench/flood-split.
#   hub-smoke.sh HUB_DRIVER PROGRAM BASELINE_RELAY
[ "$(id -u)" -eq 0 ] || exit 77 # the simulated servers listen on port 1001
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
"$1" --quick --seconds 1 --base 127.0.9.0 --program "$2" --baseline "$3" --flood 1 \
  --probe-times "$out/probes" >"$out/run" 2>&1
status=$?
cat "$out/run"
[ "$status" -eq 0 ] || exit 1
flood="$(grep '^flood ' "$out/run")" || { echo "hub-smoke: no flood line"; exit 1; }
asked="$(echo "$flood" | sed -n 's/.* \([0-9][0-9]*\) asked, \([0-9][0-9]*\) answered.*/\1 \2/p')"
set -- $asked
[ -n "$1" ] && [ "$1" -gt 0 ] && [ "$1" = "$2" ] || { echo "hub-smoke: not every request answered"; exit 1; }
echo "$flood" | grep -q '(0 out of order)' || { echo "hub-smoke: flood reports out of order"; exit 1; }
echo "$flood" | grep -q '; 0 servers dropped;' || { echo "hub-smoke: a server was dropped"; exit 1; }
lines="$(wc -l <"$out/probes")"
[ "$lines" -eq "$2" ] || { echo "hub-smoke: $lines timed answers for $2 answered"; exit 1; }
echo "hub-smoke: $2 of $1 requests answered during the flood, all timed"
