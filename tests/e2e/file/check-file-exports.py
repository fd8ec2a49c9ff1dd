#!/usr/bin/python3
"""Reads the workbook files that file_export_tests made through the real DLL with
openpyxl, and checks their sheets and cells.

  check-file-exports.py FOLDER

Each check names its file; a file that is missing fails its check.
"""
import os
import re
import sys
import zipfile

import openpyxl

PLAIN_WHOLE_NUMBER = re.compile(r"^-?(0|[1-9][0-9]{0,14})$")
MOST_WIDTH = 60.7109375  # 60 characters and the padding of Arial 10
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def cells(sheet):
    """The cells the file holds (not every cell of the used range)."""
    return {cell.coordinate: cell for _, cell in sorted(sheet._cells.items()) if cell.value is not None}


def unquote(text):
    """A stand-in cell text as its call log quotes it: \\\\ \\" \\n \\r \\t \\xHH."""
    if not text.startswith('"'):
        return text
    body, out, at = text[1:-1], [], 0
    while at < len(body):
        if body[at] == "\\" and at + 1 < len(body):
            kind = body[at + 1]
            if kind == "x":
                out.append(chr(int(body[at + 2:at + 4], 16)))
                at += 4
                continue
            out.append({"n": "\n", "r": "\r", "t": "\t"}.get(kind, kind))
            at += 2
            continue
        out.append(body[at])
        at += 1
    return "".join(out)


def check_sample(folder):
    """The sample drawing: the file holds the stand-in's cells, numbers as numbers."""
    book = openpyxl.load_workbook(os.path.join(folder, "sample.xlsx"))
    check(book.sheetnames == ["Tabelle1", "Tabelle2"], "sample: sheets %s" % book.sheetnames)
    expected = {}
    with open(os.path.join(folder, "sample.expected"), encoding="utf-8") as lines:
        for line in lines:
            sheet, cell = line.rstrip("\n").split("\t", 1)
            # The stand-in lists a cell as its type and value: number 12, text "x", text' "0012".
            address, stored = cell.split(" ", 1)
            kind, _, value = stored.partition(" ")
            expected[(sheet, address)] = (kind, value if kind == "number" else unquote(value))
    check(len(expected) > 20, "sample: the stand-in held only %d cells" % len(expected))
    found = {}
    for sheet in book.worksheets:
        for address, cell in cells(sheet).items():
            found[(sheet.title, address)] = cell
    check(set(found) == set(expected), "sample: cells differ: only in the file %s, only in the stand-in %s" %
          (sorted(set(found) - set(expected)), sorted(set(expected) - set(found))))
    for key, (kind, text) in expected.items():
        cell = found.get(key)
        if cell is None:
            continue
        check(str(cell.value) == text, "sample: %s holds %r, the stand-in %r" % (key, cell.value, text))
        # Both tables of the sample have their headings in row 1; headings are always text.
        heading = re.match(r"[A-Z]+1$", key[1]) is not None
        number = PLAIN_WHOLE_NUMBER.match(text) and not heading
        check((kind == "number") == bool(number), "sample: the stand-in holds %s as %s" % (key, kind))
        check(cell.data_type == ("n" if number else "s"), "sample: %s is of type %s" % (key, cell.data_type))
    check_reads_well("sample", os.path.join(folder, "sample.xlsx"), book)


def filter_names(path):
    """The hidden _xlnm._FilterDatabase names of workbook.xml: {sheet index: reference}."""
    with zipfile.ZipFile(path) as archive:
        workbook = archive.read("xl/workbook.xml").decode("utf-8")
    return {int(index): reference for index, reference in re.findall(
        r'<definedName name="_xlnm\._FilterDatabase" localSheetId="(\d+)" hidden="1">([^<]*)</definedName>', workbook)}


def check_reads_well(label, path, book):
    """Each sheet of the sample: headings bold in row 1, frozen below it, a filter over
    the headings and every record, each column as wide as its longest text (at most 60)."""
    names = filter_names(path)
    for index, sheet in enumerate(book.worksheets):
        found = {openpyxl.utils.cell.coordinate_from_string(address): cell for address, cell in cells(sheet).items()}
        last_row = max(row for _, row in found)
        last_column = max((column for column, _ in found), key=openpyxl.utils.column_index_from_string)
        check(sheet.freeze_panes == "A2", "%s: %s freezes %r" % (label, sheet.title, sheet.freeze_panes))
        ref = "A1:%s%d" % (last_column, last_row)
        check(sheet.auto_filter.ref == ref, "%s: %s filters %r, not %s" % (label, sheet.title, sheet.auto_filter.ref, ref))
        check(names.get(index) == "'%s'!$A$1:$%s$%d" % (sheet.title, last_column, last_row),
              "%s: %s's filter name is %r" % (label, sheet.title, names.get(index)))
        for (column, row), cell in found.items():
            check(bool(cell.font.b) == (row == 1), "%s: %s!%s%d bold: %s" % (label, sheet.title, column, row, cell.font.b))
        for column in sorted({column for column, _ in found}):
            longest = max(len(str(cell.value)) for (other, _), cell in found.items() if other == column)
            width = sheet.column_dimensions[column].width
            check(min(longest + 1, MOST_WIDTH) <= width <= MOST_WIDTH, "%s: %s column %s is %s wide for %d characters"
                  % (label, sheet.title, column, width, longest))


def check_template(folder, name="template.xlsx"):
    """The openpyxl template filled: styles, width, merged cells, formulas, chart sheet kept."""
    book = openpyxl.load_workbook(os.path.join(folder, name))
    check(book.sheetnames == ["Liste", "Zweites", "Diagramm"], "template: sheets %s" % book.sheetnames)
    check([s.title for s in book.chartsheets] == ["Diagramm"], "template: the chart sheet is gone")
    liste = book["Liste"]
    check(liste["A1"].value == "Pos" and liste["A1"].font.b, "template: A1 %r" % liste["A1"].value)
    check(liste["B1"].value == "Anzahl" and liste["B1"].font.b, "template: B1 lost its bold style")
    check(liste["C1"].value is None and liste["C1"].font.b, "template: the empty heading C1 lost its style")
    check(liste["D1"].value == "bleibt", "template: D1 changed")
    for n in range(1, 11):
        check(liste["A%d" % (n + 1)].value == "P%d" % n, "template: A%d" % (n + 1))
        check(liste["B%d" % (n + 1)].value == n and liste["B%d" % (n + 1)].data_type == "n",
              "template: B%d is %r" % (n + 1, liste["B%d" % (n + 1)].value))
    check(liste["B12"].value == "=SUM(B2:B11)", "template: the SUM is gone")
    check(liste.column_dimensions["B"].width == 31.5, "template: the column width changed")
    check([r.coord for r in liste.merged_cells.ranges] == ["E1:F1"], "template: merged cells changed")
    check(book["Zweites"]["A2"].value == "=Liste!B12*2", "template: the second sheet's formula is gone")
    stored = openpyxl.load_workbook(os.path.join(folder, name), data_only=True)
    check(stored["Liste"]["B12"].value is None, "template: the SUM kept its old result")


def check_streamed_templates(folder):
    """The template as streaming zip writers make it, filled as the template is."""
    for variant in ("datenbeschreibung", "ohne-signatur", "zip64", "python-strom"):
        before = len(failures)
        check_template(folder, "template-%s.xlsx" % variant)
        failures[before:] = ["%s: %s" % (variant, failure) for failure in failures[before:]]


def check_values(folder):
    """Values as the drawing holds them; two tables on one sheet, the later write winning."""
    sheet = openpyxl.load_workbook(os.path.join(folder, "values.xlsx"))["Tabelle1"]
    found = {address: (cell.data_type, cell.value) for address, cell in cells(sheet).items()}
    expected = {
        "A1": ("s", "Wert"), "B1": ("s", "Menge"),
        # openpyxl shows the format's escape; Excel and LibreOffice read the character.
        "A2": ("s", "a_x0001_b\tc"), "B2": ("s", "0012"),
        "A3": ("s", "\u00fc" * 254), "B3": ("n", 42),
        "B4": ("n", 7), "B5": ("s", "x"),
    }
    check(found == expected, "values: %s" % found)
    # Two tables on one sheet: the one with a heading row is frozen and filtered, over
    # its columns A to C and its three records; the other's values count for the widths.
    check(sheet.freeze_panes == "A2" and sheet.auto_filter.ref == "A1:C4",
          "values: frozen at %r, filtered over %r" % (sheet.freeze_panes, sheet.auto_filter.ref))
    widths = {column: sheet.column_dimensions[column].width for column in "AB"}
    check(widths == {"A": MOST_WIDTH, "B": 9.7109375}, "values: widths %s" % widths)


def check_last_row(folder):
    sheet = openpyxl.load_workbook(os.path.join(folder, "lastrow.xlsx"))["Tabelle1"]
    found = {address: cell.value for address, cell in cells(sheet).items()}
    check(found == {"XFD1048576": "unten"}, "last row: %s" % found)
    # Without a heading row: a width, nothing frozen, no filter.
    check(sheet.freeze_panes is None and sheet.auto_filter.ref is None and not filter_names(
        os.path.join(folder, "lastrow.xlsx")), "last row: frozen or filtered")
    check(sheet.column_dimensions["XFD"].width == 8.7109375, "last row: width %s" % sheet.column_dimensions["XFD"].width)


def main(folder):
    for check_file in (check_sample, check_template, check_streamed_templates, check_values, check_last_row):
        try:
            check_file(folder)
        except Exception as error:  # a file missing or unreadable fails its check
            failures.append("%s: %s: %s" % (check_file.__name__, type(error).__name__, error))
    for failure in failures:
        print("FAILED", failure)
    print("%d problems" % len(failures))
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main(sys.argv[1])
