#!/usr/bin/env bash
# Builds the Debian package from a Release build folder and tries it on this machine as a station
# would use it: install with apt-get, run the installed program as an operator (a member of the
# group velkorozo) on the demo line, start a second copy, upgrade over it, remove it. Needs root;
# whatever happens, the package is purged and the files the check made are removed.
#
#   scripts/package-check.sh BUILD_DIR
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:?usage: package-check.sh BUILD_DIR}" && pwd)"
if [ "$(id -u)" -ne 0 ]; then
  echo "package check: skipped (needs root to install the package)"
  exit 0
fi
if dpkg-query -W -f='${Status}' velkorozo 2>/dev/null | grep -q 'install ok installed' || [ -e /opt/velkorozo ]; then
  echo "package check: skipped (this machine already has an installation in /opt/velkorozo)"
  exit 0
fi

work="$(mktemp -d)"
chmod 755 "$work"
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq velkorozo >/dev/null 2>&1 || true
  rm -rf /opt/velkorozo "$work"
}
trap cleanup EXIT
fail() { echo "package check: FAILED: $*" >&2; exit 1; }

echo "== package check"
(cd "$build" && cpack -G DEB -B "$work/v1" >/dev/null)
(cd "$build" && cpack -G DEB -B "$work/v2" -D CPACK_PACKAGE_VERSION=1.0.0+check >/dev/null)
deb1="$(ls "$work"/v1/velkorozo_*_amd64.deb)"
deb2="$(ls "$work"/v2/velkorozo_*_amd64.deb)"
echo "package $(basename "$deb1"): $(stat -c %s "$deb1") bytes, installed size $(dpkg-deb -f "$deb1" Installed-Size) KiB"
echo "depends: $(dpkg-deb -f "$deb1" Depends)"

DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb1" >/dev/null || fail "apt-get install"
[ "$(stat -c '%U:%G %a' /opt/velkorozo)" = "root:velkorozo 2775" ] || fail "program folder is $(stat -c '%U:%G %a' /opt/velkorozo)"
[ -f /opt/velkorozo/Languages.mdb ] && [ -d /opt/velkorozo/MachineSymbols ] || fail "sample files not in place"
[ "$(readlink -f "$(command -v velkorozo)")" = /opt/velkorozo/VelkoRozoRedizovClient ] || fail "command on PATH"
[ "$(velkorozo-autostart status)" = "autostart off" ] || fail "autostart is not off by default"

cp "$root/demo/VelkoRozoRedizovClient.ini" /opt/velkorozo/
settings=/opt/velkorozo/VelkoRozoRedizovClient.ini
sum_before="$(sha256sum < "$settings")"

# The demo's servers, as root (port 1001), printing what they receive.
/opt/velkorozo/demo/line-simulator --layout /opt/velkorozo/demo/VelkoRozoRedizovClient.ini --verbose \
  > "$work/simulator.log" 2>&1 &
pids+=($!)
sleep 0.5

# The operator: an unprivileged account that is a member of the group.
gid="$(getent group velkorozo | cut -d: -f3)"
install -d -m 0700 -o 65534 -g 65534 "$work/home" "$work/run"
operator=(setpriv --reuid=65534 --regid=65534 --groups="$gid"
          env HOME="$work/home" XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=offscreen)
"${operator[@]}" velkorozo > "$work/first.out" 2>&1 &
first=$!
pids+=($first)

addresses="$(sed -n 's/^Address=\(127\.[0-9.]*\).*/\1/p' /opt/velkorozo/demo/VelkoRozoRedizovClient.ini | sort -u)"
deadline=$((SECONDS + 15))
for a in $addresses; do
  until grep -qF "[$a] <- \$\$HierLinienLayout\$\$" "$work/simulator.log"; do
    [ $SECONDS -lt $deadline ] || fail "no layout reached server $a within 15 s"
    sleep 0.2
  done
done
echo "layout served to all $(echo "$addresses" | wc -w) demo servers"

set +e
timeout 10 "${operator[@]}" velkorozo > "$work/second.out" 2> "$work/second.err"
second=$?
set -e
[ "$second" -eq 0 ] || fail "second copy exited with $second"
[ "$(wc -l < "$work/second.err")" -eq 1 ] || fail "second copy printed: $(cat "$work/second.err")"
kill -0 "$first" 2>/dev/null || fail "the first copy ended when the second started"
echo "second copy: $(cat "$work/second.err")"

kill -TERM "$first"
wait "$first" || fail "the first copy did not end with status 0"
grep -q "End - Close all Server" /opt/velkorozo/DizaVizaru.txt || fail "no shut-down line in the log written by the operator"

# The history the operator started is the group's: a second account of the group writes to it.
history=/opt/velkorozo/VelkoRozoRedizovClient-history.sqlite
[ "$(stat -c '%U:%G %a' "$history")" = "nobody:velkorozo 664" ] || fail "history file is $(stat -c '%U:%G %a' "$history")"
install -d -m 0700 -o 65533 -g 65533 "$work/home2" "$work/run2"
second_operator=(setpriv --reuid=65533 --regid=65533 --groups="$gid"
                 env HOME="$work/home2" XDG_RUNTIME_DIR="$work/run2" QT_QPA_PLATFORM=offscreen)
"${second_operator[@]}" velkorozo > "$work/other.out" 2>&1 &
other=$!
pids+=($other)
deadline=$((SECONDS + 15))
until [ "$(sqlite3 "$history" "select count(*) from events where kind='station' and detail='started'" 2>/dev/null)" = 2 ]; do
  [ $SECONDS -lt $deadline ] || fail "the second account's start is not in the history"
  sleep 0.2
done
kill -TERM "$other"
wait "$other" || fail "the second account's copy did not end with status 0"
[ "$(sqlite3 "$history" "select count(*) from events where kind='station' and detail='ended'")" = 2 ] ||
  fail "the second account's end is not in the history"
[ "$(sqlite3 "$history" "pragma integrity_check")" = ok ] || fail "history integrity check"
[ "$(stat -c '%U' "$history")" = nobody ] || fail "the second account replaced the history file"
echo "history written by two accounts of the group: $(sqlite3 "$history" "select count(*) from events") events"

DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb2" >/dev/null || fail "upgrade"
[ "$(sha256sum < "$settings")" = "$sum_before" ] || fail "the upgrade changed the settings file"
DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq velkorozo >/dev/null || fail "apt-get remove"
[ -f "$settings" ] && [ -f /opt/velkorozo/Languages.mdb ] || fail "remove deleted the station's files"
[ ! -e /usr/bin/velkorozo ] || fail "remove left the command"
echo "package check: passed"
