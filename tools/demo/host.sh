#!/usr/bin/env bash
# The host simulator for a person at a display: the plug-in's command with a real
# file dialog for every file selection, on the sample drawing, in a working
# directory of its own (out/host) laid out like the CAD host's.
set -euo pipefail
BUILD=$1
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
WORK="$ROOT/out/host"
mkdir -p "$WORK/exl"
cp "$ROOT/data/string_exl.txt" "$WORK/"
cp -n "$ROOT/samples/exl/"*.exl "$WORK/exl/" || true
[ -n "${DISPLAY:-}" ] || { echo "./run host needs a display (DISPLAY is not set)" >&2; exit 2; }
winpath() { echo "Z:$1" | sed 's|/|\\|g'; }
# Excel as most machines have it now: version 16 with "Excel.Application" and CurVer.
"$BUILD/wine-run" "$BUILD/bin/excel-standin.exe" /regserver 16
cd "$WORK"
exec "$BUILD/wine-run" "$BUILD/bin/orvanta-host.exe" --interactive --drawing "$(winpath "$ROOT/samples/zeichnung.txt")"
