#!/usr/bin/env bash
# The demo: the sample drawing exported through the real plug-in, the host
# simulator and the Excel stand-in. Leaves the workbook and a picture of the
# export dialog in the output folder.
set -euo pipefail
BUILD=$1
OUT=$2
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
WORK="$OUT/work"
rm -rf "$WORK"
mkdir -p "$WORK/exl"
cp "$ROOT/data/string_exl.txt" "$WORK/"
cp "$ROOT/samples/exl/"*.exl "$WORK/exl/"
# The settings the export dialog opens with: assembly and element information,
# the sample profile, Excel XP or newer (the stand-in answers as Excel 16).
printf '[Orvanta]\r\nBaugruppeninfo=1\r\nElementinfo=1\r\nBaugruppen-Level=0\r\n[Excel]\r\nVorlage=.\\exl\\stueckliste.exl\r\nneue Mappe=1\r\nVersion=10\r\n' \
  > "$WORK/exl/rizeraru.ini"
winpath() { echo "Z:$1" | sed 's|/|\\|g'; }
echo "== exporting samples/zeichnung.txt with samples/exl/stueckliste.exl"
cd "$WORK"
"$BUILD/wine-run" "$BUILD/bin/exl-demo.exe" --drawing "$(winpath "$ROOT/samples/zeichnung.txt")" --out "$(winpath "$OUT")"
if [ -f "$OUT/export-dialog.bmp" ]; then
  /usr/bin/convert "$OUT/export-dialog.bmp" "$OUT/export-dialog.png" && rm -f "$OUT/export-dialog.bmp"
fi
echo
echo "== results in $OUT"
ls -l "$OUT"/stueckliste.xlsx "$OUT"/export-dialog.png 2>/dev/null || true
