#!/usr/bin/env bash
# Mutation check of the test suite: makes one small fault at a time in the code (a flipped
# comparison, an off-by-one bound, a dropped statement, swapped arguments, a changed constant in
# a lookup table), builds and runs only the test programs of the library that holds it, and says
# which faults no test noticed. Run by hand, not in CI (some 10 to 20 minutes on 2 cores).
#
#   scripts/mutate.sh [--build DIR] [--list] [ID ...]
#
# The source tree is restored after every mutant, also when the script is interrupted. A mutant
# whose text is no longer in its file is reported as "missing": the code moved and the table needs
# the new text.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-mutate"
list=0
ids=()
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build="$2"; shift 2 ;;
    --list) list=1; shift ;;
    *) ids+=("$1"); shift ;;
  esac
done
export MUTATE_ROOT="$root" MUTATE_BUILD="$build" MUTATE_LIST="$list"
exec python3 - "${ids[@]+"${ids[@]}"}" <<'PY'
import os, subprocess, sys, time

root = os.environ["MUTATE_ROOT"]
build = os.environ["MUTATE_BUILD"]

# The test programs of each library.
TESTS = {
    "base": ["base_tests"],
    "platform": ["platform_tests"],
    "log": ["log_tests"],
    "net": ["net_tests"],
    "lang": ["lang_tests"],
    "station": ["station_tests"],
    "ui": ["ui_tests"],
    "editors": ["editors_tests"],
    "display": ["display_tests"],
}

# id, library, file, text, mutated text
MUTANTS = [
    ("B1", "base", "src/base/Numbers.cpp",
     "if (rounded < static_cast<double>(min) ||", "if (rounded <= static_cast<double>(min) ||"),
    ("B2", "base", "src/base/LineLayout.cpp",
     "if (m.Machine < 1 || m.Machine > 10) m.Machine = 1;", "if (m.Machine < 1 || m.Machine > 11) m.Machine = 1;"),
    ("B3", "base", "src/base/LineLayout.cpp", "if (v < -1 || v > 31) v = -1;", "if (v < -1 || v > 32) v = -1;"),
    ("B4", "base", "src/base/LineLayout.cpp",
     "Ranks[] = {Normal, Normal, Notice, Warning, Fault, Disconnected, Info};",
     "Ranks[] = {Normal, Normal, Warning, Notice, Fault, Disconnected, Info};"),
    ("B5", "base", "src/base/LineLayout.cpp", "        if (!owner.Enabled) continue;\n", "\n"),
    ("B6", "base", "src/base/LineLayout.cpp", "= width < 0 ? DefaultTableSize", "= width <= 0 ? DefaultTableSize"),
    ("B7", "base", "src/base/GeneralSettings.cpp",
     "if (log.fileSizeKiB < 10 || log.fileSizeKiB > 2000)", "if (log.fileSizeKiB < 10 || log.fileSizeKiB >= 2000)"),
    ("B8", "base", "src/base/GeneralSettings.cpp", "if (settings.lcId < 1) {", "if (settings.lcId <= 1) {"),
    ("B9", "base", "src/base/AnsiCodec.cpp", 'case 1251: return "windows-1251";', 'case 1251: return "windows-1250";'),
    ("B10", "base", "src/base/Profile.cpp",
     "if (e - b >= 2 && (data[b] == '\"' || data[b] == '\\'') && data[e - 1] == data[b]) {",
     "if (e - b >= 2 && (data[b] == '\"' || data[b] == '\\'')) {"),
    ("P1", "platform", "src/platform/linux/PlatformLinux.cpp",
     '{" ru uk be bg mk sr kk ky tt mn ", 1251},', '{" ru uk be bg mk sr kk ky tt mn ", 1250},'),
    ("L1", "log", "src/log/LogPicture.cpp", "* 1024.0 * 0.1)) - 1;", "* 1024.0 * 0.1));"),
    ("L2", "log", "src/log/Log.h", "return switches_.debug && (switches_.system || switches_.data);",
     "return switches_.debug;"),
    ("L3", "log", "src/log/Log.cpp", "if (!special_ && (!pictureValid_ || now != written_)) reload(now);",
     "if (!special_ && !pictureValid_) reload(now);"),
    ("N1", "net", "src/net/Framing.h", "const qsizetype start = view.sliced(pos, end - pos).lastIndexOf(StartMarker);",
     "const qsizetype start = view.sliced(pos, end - pos).indexOf(StartMarker);"),
    ("N2", "net", "src/net/Payloads.cpp",
     "entryText.startsWith(key) && entryText[key.size()] == QLatin1Char('=')", "entryText.startsWith(key)"),
    ("N3", "net", "src/net/Payloads.cpp", "leadingNumber(slotText, 0, MachineSlots - 1)",
     "leadingNumber(slotText, 0, MachineSlots)"),
    ("N4", "net", "src/net/LineHub.cpp", "if (data.DisplayState > groupDisplayState_[g]) {",
     "if (data.DisplayState >= groupDisplayState_[g]) {"),
    ("N5", "net", "src/net/LineHub.cpp", "switchedOn_ ? machine_status::Disconnected : machine_status::Off;",
     "switchedOn_ ? machine_status::Off : machine_status::Disconnected;"),
    ("N6", "net", "src/net/LineHub.cpp", ">= ConnectionState::Connected) SendeDaten(",
     "> ConnectionState::Connected) SendeDaten("),
    ("N7", "net", "src/net/ConnectionManager.cpp", "case QAbstractSocket::ConnectionRefusedError: return ConnectionRefused;",
     "case QAbstractSocket::ConnectionRefusedError: return TimedOut;"),
    ("N8", "net", "src/net/LineHub.cpp", "        served[g] = true;\n", "\n"),
    ("G1", "lang", "src/lang/LanguageTable.cpp", "std::floor(id / 50.0)) != 1) continue;",
     "std::floor(id / 50.0)) != 0) continue;"),
    ("G2", "lang", "src/lang/LanguageTable.cpp", "for (int i = 1; i <= LanguageCount; ++i)",
     "for (int i = 1; i < LanguageCount; ++i)"),
    ("S1", "station", "src/station/Station.cpp", "    if (!editMode_) tableMode_ = false;\n", "\n"),
    ("S2", "station", "src/station/Station.cpp", "if (k <= 0 || k > languages_.LanguageCount) return;",
     "if (k <= 0 || k >= languages_.LanguageCount) return;"),
    ("S3", "station", "src/station/Station.cpp", "    log_.flush();\n    options_.endProcess();",
     "    options_.endProcess();"),
    ("S4", "station", "src/station/Station.cpp", "if (!editMode_) return;\n    if (tableMode_) {",
     "if (editMode_) return;\n    if (tableMode_) {"),
    ("E1", "editors", "src/editors/MachineTable.cpp", "std::clamp<long>(width, MinColumnWidth, MaxColumnWidth)",
     "std::clamp<long>(width, MinColumnWidth - 1, MaxColumnWidth)"),
    ("E2", "editors", "src/editors/MachineTable.cpp", "return row < half ? HeadingHeight", "return row <= half ? HeadingHeight"),
    ("E3", "editors", "src/editors/SymbolCatalog.cpp", "if (s.huge || s.magnitude > 32768) return std::nullopt;",
     "if (s.huge || s.magnitude > 32767) return std::nullopt;"),
    ("E4", "editors", "src/editors/SymbolCatalog.cpp", "if (catalog.numbers_[i] < catalog.numbers_[j]) {",
     "if (catalog.numbers_[i] > catalog.numbers_[j]) {"),
    ("E5", "editors", "src/editors/MachineTable.cpp",
     "std::move_backward(EditMaschinen.begin() + slot, EditMaschinen.end() - 1, EditMaschinen.end());",
     "std::move_backward(EditMaschinen.begin() + slot + 1, EditMaschinen.end() - 1, EditMaschinen.end());"),
    ("E6", "editors", "src/editors/EditierenGroup.cpp",
     "        EditErgebnis = DialogResult::ConfirmedChanged;\n    } else {\n"
     "        EditErgebnis = DialogResult::ConfirmedUnchanged;",
     "        EditErgebnis = DialogResult::ConfirmedUnchanged;\n    } else {\n"
     "        EditErgebnis = DialogResult::ConfirmedChanged;"),
    ("U1", "ui", "src/ui/Captions.cpp", "size = std::max(7.0, size - 0.5);", "size = std::max(6.5, size - 0.5);"),
    ("D1", "display", "src/display/TileStyle.cpp", 'case ShownConnection::Waiting: return QStringLiteral("WAIT");',
     'case ShownConnection::Waiting: return QStringLiteral("OFF");'),
    ("D2", "display", "src/display/MainWindow.h",
     "int firstShownGroup() const { return ScrollPos() * base::GroupsPerScrollStep; }",
     "int firstShownGroup() const { return ScrollPos() * base::SlotsPerScrollStep / 2; }"),
    ("D3", "display", "src/display/TileStyle.cpp",
     "case Warning: return {colour(Colour::StatusWarning),", "case Warning: return {colour(Colour::StatusFault),"),
]

wanted = set(sys.argv[1:])
if os.environ["MUTATE_LIST"] == "1":
    for m in MUTANTS:
        with open(os.path.join(root, m[2])) as f:
            found = f.read().count(m[3]) == 1
        print(f"{m[0]:4} {m[1]:9} {m[2]}" + ("" if found else "  missing"))
    sys.exit(0)

def run(cmd, timeout=None, **kw):
    return subprocess.run(cmd, cwd=root, capture_output=True, text=True, timeout=timeout, **kw)

begin = time.time()
if not os.path.exists(os.path.join(build, "CMakeCache.txt")):
    r = run(["cmake", "-S", root, "-B", build, "-DCMAKE_BUILD_TYPE=Release"])
    if r.returncode:
        sys.exit("cmake failed:\n" + r.stdout + r.stderr)
env = dict(os.environ, QT_QPA_PLATFORM="offscreen", LANG="C.UTF-8", LC_ALL="", LC_CTYPE="", DISPLAY="")
targets = sorted({t for m in MUTANTS for t in TESTS[m[1]]})
r = run(["cmake", "--build", build, "-j2", "--target", *targets])
if r.returncode:
    sys.exit("the unmutated tree does not build:\n" + r.stdout[-3000:])

killed, survived, missing = [], [], []
for ident, library, path, text, mutated in MUTANTS:
    if wanted and ident not in wanted:
        continue
    full = os.path.join(root, path)
    with open(full) as f:
        original = f.read()
    if original.count(text) != 1:
        missing.append(ident)
        print(f"{ident}: missing ({path})", flush=True)
        continue
    started = time.time()
    try:
        with open(full, "w") as f:
            f.write(original.replace(text, mutated))
        tests = TESTS[library]
        b = run(["cmake", "--build", build, "-j2", "--target", *tests])
        if b.returncode:
            outcome = "killed (does not build)"
        else:
            outcome = "survived"
            for t in tests:
                try:
                    p = run([os.path.join(build, "bin", t)], timeout=300, env=env)
                    if p.returncode != 0:
                        outcome = f"killed by {t}"
                        break
                except subprocess.TimeoutExpired:
                    outcome = f"killed by {t} (time limit)"
                    break
    finally:
        with open(full, "w") as f:
            f.write(original)
    (survived if outcome == "survived" else killed).append(ident)
    print(f"{ident}: {outcome} ({time.time() - started:.0f} s)", flush=True)

run(["cmake", "--build", build, "-j2", "--target", *targets])
total = len(killed) + len(survived)
print(f"\n{len(killed)} of {total} mutants killed; survivors: {' '.join(survived) or 'none'}"
      + (f"; missing: {' '.join(missing)}" if missing else ""))
print(f"wall time {time.time() - begin:.0f} s")
PY
