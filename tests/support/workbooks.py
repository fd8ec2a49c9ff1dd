#!/usr/bin/python3
"""Workbook files for the tests, made and read by openpyxl, a reader nobody here wrote.

  workbooks.py template OUT [--template]   a template: bold heading style, a column
                                           width, a SUM formula, a second worksheet and
                                           a chart sheet, with stored formula results and a
                                           calculation chain as Excel saves them (.xltx
                                           content type with --template)
  workbooks.py zip SOURCE OUT [--descriptor=signed|unsigned] [--zip64] [--cp437]
                                           the source zip's entries written by hand as
                                           streaming writers write them: data descriptors
                                           (with or without their signature) after the data
                                           and zeros in the local header, zip64 extra fields
                                           and end records, names in code page 437
  workbooks.py streamed SOURCE OUT         the same by Python's zipfile on a stream it
                                           cannot seek (data descriptors, zip64 headers)
  workbooks.py variants TEMPLATE FOLDER    the template as other writers make it, and
                                           broken in the ways a file export must refuse
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
import io
import os
import struct
import sys
import zipfile
import zlib

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


def deflated(data):
    packer = zlib.compressobj(6, zlib.DEFLATED, -15)
    return packer.compress(data) + packer.flush(), zlib.crc32(data), len(data)


def write_zip(out, entries, descriptor=None, zip64=False, cp437=False):
    """Entries (name, content) deflated into a zip written record by record; a content
    may be given packed already, as (packed bytes, CRC, size)."""
    body, central = bytearray(), bytearray()
    version = 45 if zip64 else 20
    for name, content in entries:
        packed, crc, size = content if isinstance(content, tuple) else deflated(content)
        offset = len(body)
        stored_name = name.encode("cp437" if cp437 else "utf-8")
        flags = (0x08 if descriptor else 0) | (0 if cp437 else 0x800)
        # With a data descriptor the local header holds zeros; the directory holds the values.
        known = (0, 0, 0) if descriptor else (crc, len(packed), size)
        local_extra = struct.pack("<HHQQ", 1, 16, known[2], known[1]) if zip64 else b""
        local_sizes = (0xFFFFFFFF, 0xFFFFFFFF) if zip64 else known[1:]
        body += struct.pack("<IHHHHHIIIHH", 0x04034B50, version, flags, 8, 0, 0x21, known[0], local_sizes[0],
                            local_sizes[1], len(stored_name), len(local_extra)) + stored_name + local_extra + packed
        if descriptor == "signed":
            body += struct.pack("<I", 0x08074B50)
        if descriptor:
            body += struct.pack("<IQQ" if zip64 else "<III", crc, len(packed), size)
        central_extra = struct.pack("<HHQQQ", 1, 24, size, len(packed), offset) if zip64 else b""
        values = (0xFFFFFFFF,) * 3 if zip64 else (len(packed), size, offset)
        central += struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, version, version, flags, 8, 0, 0x21, crc, values[0],
                               values[1], len(stored_name), len(central_extra), 0, 0, 0, 0, values[2])
        central += stored_name + central_extra
    directory, count = len(body), len(entries)
    end = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, count, count, len(central), directory, 0)
    if zip64:
        record = directory + len(central)
        end = (struct.pack("<IQHHIIQQQQ", 0x06064B50, 44, version, version, 0, 0, count, count, len(central),
                           directory) + struct.pack("<IIQI", 0x07064B50, 0, record, 1) +
               struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, 0xFFFF, 0xFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0))
    with open(out, "wb") as target:
        target.write(bytes(body + central + end))


def entries_of(path):
    with zipfile.ZipFile(path) as source:
        return [(info.filename, source.read(info)) for info in source.infolist()]


def replaced(entries, name, change):
    return [(n, change(data) if n == name else data) for n, data in entries]


def large_sheet(rows):
    """A worksheet of that many rows, deflated piece by piece: it never is in memory whole."""
    packer = zlib.compressobj(9, zlib.DEFLATED, -15)
    row = b'<row><c t="inlineStr"><is><t>Zeile mit etwas Text</t></is></c></row>'
    head = (b'<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<worksheet xmlns="http://schemas.'
            b'openxmlformats.org/spreadsheetml/2006/main"><sheetData>')
    tail = b"</sheetData></worksheet>"
    packed, crc = [packer.compress(head)], zlib.crc32(head)
    block = row * 10000
    for _ in range(rows // 10000):
        packed.append(packer.compress(block))
        crc = zlib.crc32(block, crc)
    packed += [packer.compress(tail), packer.flush()]
    return b"".join(packed), zlib.crc32(tail, crc), len(head) + len(block) * (rows // 10000) + len(tail)


class Unseekable(io.RawIOBase):
    """A stream that cannot seek: Python's zipfile then writes data descriptors itself."""

    def __init__(self, target):
        self.target = target

    def writable(self):
        return True

    def write(self, data):
        return self.target.write(data)


def write_streamed(out, entries):
    """Python's zipfile on a stream it cannot seek: data descriptors, zip64 local headers."""
    with open(out, "wb") as target_file:
        with zipfile.ZipFile(Unseekable(target_file), "w", zipfile.ZIP_DEFLATED) as target:
            for name, data in entries:
                with target.open(zipfile.ZipInfo(name), "w", force_zip64=True) as entry:
                    entry.write(data)


def make_variants(template, folder):
    entries = entries_of(template)
    at = lambda name: os.path.join(folder, name)
    write_zip(at("vorlage-datenbeschreibung.xlsx"), entries, descriptor="signed")
    write_zip(at("vorlage-ohne-signatur.xlsx"), entries, descriptor="unsigned")
    write_zip(at("vorlage-zip64.xlsx"), entries, descriptor="signed", zip64=True)
    write_streamed(at("vorlage-python-strom.xlsx"), entries)
    write_zip(at("vorlage-ohne-mappe.xlsx"), [(n, d) for n, d in entries if n != "xl/workbook.xml"])
    outside = replaced(entries, "xl/_rels/workbook.xml.rels",
                       lambda data: data.replace(b'Target="/xl/worksheets/sheet1.xml"', b'Target="../../etc/passwd"'))
    write_zip(at("vorlage-ausserhalb.xlsx"), outside)
    latin1 = replaced(entries, "xl/worksheets/sheet2.xml",
                      lambda data: b'<?xml version="1.0" encoding="ISO-8859-1"?>\n' + data)
    write_zip(at("vorlage-latin1.xlsx"), latin1)
    with zipfile.ZipFile(at("vorlage-bzip2.xlsx"), "w", zipfile.ZIP_BZIP2) as target:
        for name, data in entries:
            target.writestr(name, data)
    write_zip(at("vorlage-200mb.xlsx"), replaced(entries, "xl/worksheets/sheet1.xml", lambda _: large_sheet(3000000)))


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
    elif len(arguments) >= 3 and arguments[0] == "zip":
        options = arguments[3:]
        descriptor = next((o.split("=", 1)[1] for o in options if o.startswith("--descriptor=")), None)
        write_zip(arguments[2], entries_of(arguments[1]), descriptor, "--zip64" in options, "--cp437" in options)
    elif len(arguments) == 3 and arguments[0] == "streamed":
        write_streamed(arguments[2], entries_of(arguments[1]))
    elif len(arguments) == 3 and arguments[0] == "variants":
        make_variants(arguments[1], arguments[2])
    elif len(arguments) >= 2 and arguments[0] == "dump":
        for path in arguments[1:]:
            dump(path)
    elif len(arguments) == 2 and arguments[0] == "show":
        show(arguments[1])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv[1:])
