#!/usr/bin/python3
"""Workbook files for the tests, made and read by openpyxl, a reader nobody here wrote.

  workbooks.py template OUT [--template]   a template: bold heading style, a column
                                           width, a SUM formula, a second worksheet and
                                           a chart sheet, with stored formula results and a
                                           calculation chain as Excel saves them (.xltx
                                           content type with --template)
  workbooks.py dump FILE...                every file's sheets and cells, one line each
  workbooks.py show FILE                   the cells row by row, for people

Dump lines, tab-separated:
  file   PATH
  sheet  NAME  worksheet|chartsheet
  cell   SHEET  A1  TYPE  VALUE  CACHED  bold|-     TYPE is openpyxl's data type (s, n, f, ...);
                                                    VALUE is repr() of the value or formula,
                                                    CACHED that of the stored result
  width  SHEET  COLUMN  WIDTH
  merged SHEET  RANGE
"""
import sys
import zipfile

import openpyxl
from openpyxl.chart import BarChart, Reference
from openpyxl.styles import Font


def make_template(path, as_template):
    book = openpyxl.Workbook()
    sheet = book.active
    sheet.title = "Liste"
    sheet["A1"] = "Pos"
    sheet["B1"] = "Menge"
    sheet["A1"].font = Font(bold=True)
    sheet["B1"].font = Font(bold=True)
    sheet["C1"].font = Font(bold=True)
    sheet.column_dimensions["B"].width = 31.5
    sheet["B12"] = "=SUM(B2:B11)"
    sheet["D1"] = "bleibt"
    sheet.merge_cells("E1:F1")
    other = book.create_sheet("Zweites")
    other["A1"] = "anderes Blatt"
    other["A2"] = "=Liste!B12*2"
    chart = BarChart()
    chart.add_data(Reference(sheet, min_col=2, min_row=2, max_row=11))
    book.create_chartsheet("Diagramm").add_chart(chart)
    book.template = as_template
    book.save(path)
    as_excel_saves(path)


CALC_CHAIN = ('<calcChain xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">'
              '<c r="B12" i="1"/><c r="A2" i="2"/></calcChain>')


def as_excel_saves(path):
    """openpyxl stores no formula results and no calculation chain; Excel does both."""
    with zipfile.ZipFile(path) as source:
        parts = [(info, source.read(info)) for info in source.infolist()]
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as target:
        for info, data in parts:
            text = data.decode("utf-8")
            if info.filename == "xl/worksheets/sheet1.xml":
                text = text.replace("<f>SUM(B2:B11)</f><v></v>", "<f>SUM(B2:B11)</f><v>99</v>")
            elif info.filename == "xl/worksheets/sheet2.xml":
                text = text.replace("<f>Liste!B12*2</f><v></v>", '<f>Liste!B12*2</f><v>198</v>')
            elif info.filename == "xl/workbook.xml":
                text = text.replace('<calcPr calcId="124519" fullCalcOnLoad="1"/>', '<calcPr calcId="191029"/>')
            elif info.filename == "xl/_rels/workbook.xml.rels":
                text = text.replace("</Relationships>", '<Relationship Type="http://schemas.openxmlformats.org/'
                                    'officeDocument/2006/relationships/calcChain" Target="calcChain.xml" '
                                    'Id="rId99"/></Relationships>')
            elif info.filename == "[Content_Types].xml":
                text = text.replace("</Types>", '<Override PartName="/xl/calcChain.xml" ContentType="application/'
                                    'vnd.openxmlformats-officedocument.spreadsheetml.calcChain+xml"/></Types>')
            target.writestr(info, text.encode("utf-8"))
        target.writestr("xl/calcChain.xml", CALC_CHAIN)


def dump(path):
    print("file\t%s" % path)
    values = openpyxl.load_workbook(path)
    cached = openpyxl.load_workbook(path, data_only=True)
    for sheet in values.worksheets + values.chartsheets:
        kind = "chartsheet" if sheet in values.chartsheets else "worksheet"
        print("sheet\t%s\t%s" % (sheet.title, kind))
    for sheet in values.worksheets:
        stored = cached[sheet.title]
        # The cells the file holds, row by row; iter_rows would make every cell of the
        # used range, a million rows by 16,384 columns for a cell in XFD1048576.
        for _, cell in sorted(sheet._cells.items()):
            if cell.value is None and not cell.has_style:
                continue
            print("cell\t%s\t%s\t%s\t%r\t%r\t%s" % (sheet.title, cell.coordinate, cell.data_type, cell.value,
                                                      stored[cell.coordinate].value,
                                                      "bold" if cell.font and cell.font.b else "-"))
        for letter, dimension in sorted(sheet.column_dimensions.items()):
            if dimension.customWidth:
                print("width\t%s\t%s\t%s" % (sheet.title, letter, dimension.width))
        for merged in sheet.merged_cells.ranges:
            print("merged\t%s\t%s" % (sheet.title, merged.coord))


def show(path):
    book = openpyxl.load_workbook(path)
    for sheet in book.worksheets:
        print("%s:" % sheet.title)
        rows = {}
        for (row, _), cell in sorted(sheet._cells.items()):
            if cell.value is not None:
                rows.setdefault(row, []).append("%s=%s%s" % (cell.coordinate, cell.value,
                                                            "" if cell.data_type == "s" else " (Zahl)"))
        for row, texts in sorted(rows.items()):
            print("  %3d  %s" % (row, " | ".join(texts)))


def main(arguments):
    if len(arguments) >= 2 and arguments[0] == "template":
        make_template(arguments[1], "--template" in arguments[2:])
    elif len(arguments) >= 2 and arguments[0] == "dump":
        for path in arguments[1:]:
            dump(path)
    elif len(arguments) == 2 and arguments[0] == "show":
        show(arguments[1])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv[1:])
