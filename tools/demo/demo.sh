#!/usr/bin/env bash
# The demo: the sample drawing exported through the real plug-in, the host
# simulator and the Excel stand-in, then once more into a workbook file without
# Excel. Leaves both workbooks and pictures of the export dialog in the output folder.
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

# The same export once more, into a workbook file without Excel ("als Datei (.xlsx)").
echo
echo "== exporting again into a file: $OUT/stueckliste-datei.xlsx"
sed -i 's/^Version=.*/Version=0\r/' "$WORK/exl/rizeraru.ini"
"$BUILD/wine-run" "$BUILD/bin/exl-demo.exe" --drawing "$(winpath "$ROOT/samples/zeichnung.txt")" --out "$(winpath "$OUT")" \
  --file "$(winpath "$OUT/stueckliste-datei.xlsx")"
echo
echo "== the cells of stueckliste-datei.xlsx, as openpyxl reads them"
/usr/bin/python3 "$ROOT/tests/support/workbooks.py" show "$OUT/stueckliste-datei.xlsx"

for picture in export-dialog export-dialog-datei; do
  if [ -f "$OUT/$picture.bmp" ]; then
    /usr/bin/convert "$OUT/$picture.bmp" "$OUT/$picture.png" && rm -f "$OUT/$picture.bmp"
  fi
done
echo
echo "== results in $OUT"
ls -l "$OUT"/stueckliste.xlsx "$OUT"/stueckliste-datei.xlsx "$OUT"/export-dialog.png "$OUT"/export-dialog-datei.png \
  2>/dev/null || true
