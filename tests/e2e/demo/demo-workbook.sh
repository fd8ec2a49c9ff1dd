#!/usr/bin/env bash
# Runs the demo into a folder of the build and checks the workbook it leaves.
set -euo pipefail
BUILD=$1
ROOT=$2
OUT="$BUILD/demo-workbook"
rm -rf "$OUT"
mkdir -p "$OUT"
if ! "$ROOT/tools/demo/demo.sh" "$BUILD" "$OUT" >"$OUT/demo.log" 2>&1; then
  cat "$OUT/demo.log"
  exit 1
fi
/usr/bin/python3 "$ROOT/tests/e2e/demo/check_workbook.py" "$OUT/stueckliste.xlsx"
