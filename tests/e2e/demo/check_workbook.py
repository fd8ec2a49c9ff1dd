"""The demo's workbook as openpyxl reads it: positions and quantities are numbers,
part numbers, strength classes and hierarchical positions are text with Excel's
quote prefix, and no cell is a date or a formula."""
import sys

import openpyxl

failures = []


def expect(condition, what):
    if not condition:
        failures.append(what)


book = openpyxl.load_workbook(sys.argv[1])
parts = book.worksheets[0]
expect([c.value for c in parts[1][:6]] == ["Pos.", "Menge", "Benennung", "Sachnummer", "Werkstoff", "Gliederung"],
       "headings of sheet 1: %r" % [c.value for c in parts[1][:6]])

rows = {row[2].value: row for row in parts.iter_rows(min_row=2, max_col=6)}
for name, row in rows.items():
    position, quantity = row[0], row[1]
    expect(position.data_type == "n" and isinstance(position.value, int), "%s: position %r" % (name, position.value))
    expect(quantity.data_type == "n" and isinstance(quantity.value, int), "%s: quantity %r" % (name, quantity.value))
expect(rows.get("Flügelmutter M8") and rows["Flügelmutter M8"][1].value == 3, "three wing nuts")

texts = {("Sechskantschraube M8×30", 3): "0012345", ("Sechskantschraube M8×30", 4): "8.8",
         ("Antriebswelle mit Lager", 5): "1.1", ("Scheibe Ø 8,4", 5): "1.2.1"}
for (name, column), text in texts.items():
    cell = rows.get(name, [None] * 6)[column]
    expect(cell is not None and cell.value == text and cell.data_type == "s" and cell.quotePrefix,
           "%s, column %d: %r" % (name, column + 1, cell and (cell.value, cell.data_type, cell.quotePrefix)))

for sheet in book.worksheets:
    for row in sheet.iter_rows():
        for cell in row:
            expect(not cell.is_date and cell.data_type != "f", "%s!%s: %r" % (sheet.title, cell.coordinate, cell.value))

if failures:
    print("\n".join(failures))
    sys.exit(1)
print("%d positions: numbers as numbers, part numbers and positions as text" % len(rows))
