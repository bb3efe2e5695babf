#!/usr/bin/env bash
# Fails when a folder of src/ includes a header of a folder that its layer may not use, or when a
# layer below ui includes Qt Widgets. The table is the one in CONTRIBUTING.md.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
declare -A allowed=(
  [platform]=""
  [base]="platform"
  [log]="base platform"
  [net]="log base platform"
  [lang]="base platform"
  [store]="base platform"
  [station]="net lang log store base platform"
  [ui]="base platform"
  [editors]="ui lang base platform"
  [records]="ui store base platform"
  [display]="station editors records ui net lang log store base platform"
)
widgetsFree="platform base log net lang store station"
status=0
cd "$root/src"
for folder in */; do
  folder="${folder%/}"
  if [ -z "${allowed[$folder]+set}" ]; then
    echo "check-layers: src/$folder is not in the layer table"; status=1; continue
  fi
  while IFS= read -r line; do
    file="${line%%:*}"
    included="$(sed -E 's/.*#include "([^/"]+)\/.*/\1/' <<<"$line")"
    [ "$included" = "$folder" ] && continue
    case " ${allowed[$folder]} " in
      *" $included "*) ;;
      *) echo "check-layers: src/$file includes from $included/, which $folder/ may not use"; status=1 ;;
    esac
  done < <(grep -rHE '^#include "[^/"]+/' "$folder" || true)
  case " $widgetsFree " in
    *" $folder "*)
      if grep -rlE '^#include <(QtWidgets[/>]|QApplication|QWidget|QDialog|QLabel|QPushButton|QScrollBar|QMessageBox|QLineEdit|QListWidget|QComboBox|QCheckBox)' "$folder" >/dev/null; then
        echo "check-layers: $folder/ includes Qt Widgets:"; grep -rlE '^#include <(QtWidgets[/>]|QApplication|QWidget|QDialog|QLabel|QPushButton|QScrollBar|QMessageBox|QLineEdit|QListWidget|QComboBox|QCheckBox)' "$folder"
        status=1
      fi ;;
  esac
done
[ "$status" = 0 ] && echo "check-layers: every include follows the layer table"
exit $status
