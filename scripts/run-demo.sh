#!/usr/bin/env bash
# Builds the program and starts it on the sample line of demo/, beside simulated machine servers
# on 127.0.0.1..15 port 1001. With a display the window opens and runs until it is closed; without
# one (or with --screenshot FILE) it runs under Xvfb for a few seconds and writes a screenshot.
# With --history FILE it runs for a minute, then opens the line's history from a tile's context
# menu and writes a screenshot of the screen with it; every run ends with a summary of the events
# the station recorded (by sqlite3 from its history file).
#
#   scripts/run-demo.sh [--screenshot FILE] [--history FILE] [--seconds N]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
screenshot=""
history=""
seconds=""
while [ $# -gt 0 ]; do
  case "$1" in
    --screenshot) screenshot="$2"; shift 2 ;;
    --history) history="$2"; shift 2 ;;
    --seconds) seconds="$2"; shift 2 ;;
    *) echo "usage: $0 [--screenshot FILE] [--history FILE] [--seconds N]" >&2; exit 2 ;;
  esac
done
[ -n "$seconds" ] || { [ -n "$history" ] && seconds=60 || seconds=8; }

"$root/scripts/setup-deps.sh"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build" -j"$(nproc)" --target VelkoRozoRedizovClient line-simulator

# The program reads its settings, symbols and languages beside its executable.
run="$root/build/demo-run"
rm -rf "$run" && mkdir -p "$run"
cp "$root/build/bin/VelkoRozoRedizovClient" "$run/"
cp "$root/demo/VelkoRozoRedizovClient.ini" "$run/"
cp -r "$root/demo/MachineSymbols" "$run/"
[ -f "$root/demo/Languages.mdb" ] && cp "$root/demo/Languages.mdb" "$run/"

if [ "$(id -u)" -ne 0 ]; then
  echo "note: the servers listen on port 1001, which needs root or CAP_NET_BIND_SERVICE" >&2
fi
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
}
trap cleanup EXIT

"$root/build/bin/line-simulator" --layout "$run/VelkoRozoRedizovClient.ini" --interval 1200 --seed 7 &
pids+=($!)
sleep 0.5

if [ -n "${DISPLAY:-}" ] && [ -z "$screenshot" ]; then
  "$run/VelkoRozoRedizovClient"
  exit 0
fi

[ -n "$screenshot" ] || screenshot="$root/build/demo-screenshot.png"
display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do DISPLAY="$display" xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
DISPLAY="$display" "$run/VelkoRozoRedizovClient" &
client=$!
pids+=($client)
sleep "$seconds"
window=$(DISPLAY="$display" xdotool search --name '^RozoRedizovClient$' | head -n 1)
mkdir -p "$(dirname "$screenshot")"
DISPLAY="$display" import -window "$window" "$screenshot"
if [ -n "$history" ]; then
  # A right click on the first machine tile, then the menu's second entry, "Line history…".
  DISPLAY="$display" xdotool mousemove --window "$window" 120 60 click 3
  sleep 0.5
  DISPLAY="$display" xdotool key Down Down Return
  sleep 1.5
  mkdir -p "$(dirname "$history")"
  DISPLAY="$display" import -window root "$history"
  echo "history: $history"
fi
kill -TERM "$client"
wait "$client" || true
echo "screenshot: $screenshot"
echo "log: $run/DizaVizaru.txt"
file="$run/VelkoRozoRedizovClient-history.sqlite"
if [ -f "$file" ] && command -v sqlite3 >/dev/null; then
  echo "history: $file"
  sqlite3 -header -column "$file" "SELECT kind, count(*) AS events FROM events GROUP BY kind ORDER BY kind;"
  sqlite3 -header -column "$file" "SELECT datetime(time_ms / 1000, 'unixepoch', 'localtime') AS time, kind, slot,
    machine, old_status AS old, new_status AS new, text, detail FROM events ORDER BY id DESC LIMIT 8;"
fi
