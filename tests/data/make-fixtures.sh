#!/usr/bin/env bash
# Regenerates the .mdb fixtures from their JSON descriptions with the workplace's make-mdb tool
# (../shared/tools/make-mdb beside the checkout, or MAKE_MDB). The .mdb files are committed.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
tool="${MAKE_MDB:-$here/../../../shared/tools/make-mdb}"
for json in "$here"/*.json; do
  name="$(basename "$json" .json)"
  python3 "$tool" "$json" "$here/$name.mdb"
done
