#!/usr/bin/python3
"""A corpus of templates for the export into a file, and the check of what the real DLL
made of them, with openpyxl and LibreOffice, readers nobody here wrote.

  template-corpus.py make FOLDER      the templates and FOLDER/manifest.txt
  template-corpus.py check FOLDER RESULTS

"make" writes sources with openpyxl (and flat ODS text for what openpyxl cannot make:
a pivot table, an image), has LibreOffice save them all as .xlsx in one headless run,
then edits copies by hand into what LibreOffice does not write (shared formulas,
inline strings, absolute relationship targets, a byte-order mark, macros, template
types, a calculation chain, an element prefix, a totals row). openpyxl's own file
with a chart sheet is kept too: LibreOffice saves a chart sheet as a worksheet.

Each manifest line, tab-separated: FILE RECORDS OUTCOME. FILE is filled with the
corpus profile (table 1 on sheet 1: headings "Pos", "Menge", "Benennung" in A1:C1,
RECORDS records from row 2: "P<n>", <n>, "Teil <n>"). OUTCOME is "saved", or the
message the export shows instead: catalogue key and values, "|"-separated.

"check" reads each template beside its result RESULTS/FILE and holds:
- every part but the workbook's relationships, the content types and the calculation
  chain is the same byte for byte, except that other worksheets lose stored formula
  results, a table that follows the list changes its ranges, the filled sheet changes
  only its rows and dimension (no widths, panes or filters of a new workbook's list)
  and the workbook part only its calculation properties;
- every cell but the written ones keeps value, formula and style (openpyxl);
- LibreOffice opens the result, and the values it computes are those it computes for
  the same writes made by openpyxl into the template;
- the same comparison catches a result with one part altered by one byte.
"""
import base64
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import zipfile
import zlib
from datetime import date

import openpyxl
from openpyxl.chart import BarChart, Reference
from openpyxl.comments import Comment
from openpyxl.formatting.rule import CellIsRule, ColorScaleRule
from openpyxl.styles import Alignment, Border, Font, PatternFill, Side
from openpyxl.workbook.defined_name import DefinedName
from openpyxl.worksheet.datavalidation import DataValidation
from openpyxl.worksheet.table import Table, TableStyleInfo

HEADINGS = ["Pos", "Menge", "Benennung"]
MAIN = "http://schemas.openxmlformats.org/spreadsheetml/2006/main"
# Parts a filled template may change, besides worksheets and the tables that follow.
CHANGING_PARTS = {"[Content_Types].xml", "xl/_rels/workbook.xml.rels", "xl/calcChain.xml"}
WORKBOOK_PART = "xl/workbook.xml"
ROWS = re.compile(rb"<(\w+:)?sheetData\b(?:[^>]*/>|.*?</(?:\w+:)?sheetData>)|<(?:\w+:)?dimension\b[^>]*>", re.S)
CALCULATION = re.compile(rb"</?(?:\w+:)?calcPr\b[^>]*>")


def written_cells(records):
    """The cells the corpus profile writes: coordinate -> value."""
    cells = {"%s1" % column: heading for column, heading in zip("ABC", HEADINGS)}
    for n in range(1, records + 1):
        cells["A%d" % (n + 1)] = "P%d" % n
        cells["B%d" % (n + 1)] = n
        cells["C%d" % (n + 1)] = "Teil %d" % n
    return cells


# ---------------------------------------------------------------- sources

def base_book():
    book = openpyxl.Workbook()
    sheet = book.active
    sheet.title = "Liste"
    for column, heading in zip("ABC", HEADINGS):
        sheet[column + "1"] = heading
        sheet[column + "1"].font = Font(bold=True)
    sheet["E1"] = "Stand"
    sheet["F1"] = date(2026, 12, 1)
    sheet["F1"].number_format = "DD.MM.YYYY"
    sheet["E3"] = "Faktor"
    sheet["F3"] = 2.5
    sheet["F4"] = "=F3*2"
    sheet["A12"] = "Summe"
    sheet["B12"] = "=SUM(B2:B11)"
    sheet.column_dimensions["C"].width = 30
    return book, sheet


def with_chart(book, sheet):
    chart = BarChart()
    chart.add_data(Reference(sheet, min_col=2, min_row=1, max_row=11), titles_from_data=True)
    sheet.add_chart(chart, "H2")


def with_comments(book, sheet):
    sheet["E1"].comment = Comment("Datum der Liste", "Vorlage")
    sheet["F3"].comment = Comment("Faktor f\u00fcr F4", "Vorlage")


def with_conditional_formats(book, sheet):
    sheet.conditional_formatting.add("B2:B11", CellIsRule(operator="greaterThan", formula=["5"],
                                                          fill=PatternFill("solid", fgColor="FFC7CE")))
    sheet.conditional_formatting.add("F3:F4", ColorScaleRule(start_type="min", start_color="FFFFFF",
                                                             end_type="max", end_color="63BE7B"))


def with_validation(book, sheet):
    listed = DataValidation(type="list", formula1='"Schraube,Mutter,Scheibe"', allow_blank=True)
    whole = DataValidation(type="whole", operator="between", formula1="0", formula2="1000")
    sheet.add_data_validation(listed)
    sheet.add_data_validation(whole)
    listed.add("E6:E9")
    whole.add("B2:B11")
    sheet["E6"] = "Mutter"


def with_names(book, sheet):
    book.defined_names.append(DefinedName("Faktor", attr_text="Liste!$F$3"))
    sheet["F5"] = "=Faktor*10"
    sheet["F6"] = "=SUM(Liste!$B$2:$B$11)*Faktor"


def with_autofilter(book, sheet):
    sheet.auto_filter.ref = "A1:C11"


def table(sheet, name, ref, headings, rows):
    first = openpyxl.utils.cell.range_boundaries(ref)
    for offset, heading in enumerate(headings):
        sheet.cell(first[1], first[0] + offset, heading)
    for r, values in enumerate(rows, start=first[1] + 1):
        for offset, value in enumerate(values):
            sheet.cell(r, first[0] + offset, value)
    made = Table(displayName=name, ref=ref)
    made.tableStyleInfo = TableStyleInfo(name="TableStyleMedium9", showRowStripes=True)
    sheet.add_table(made)


def with_table_elsewhere(book, sheet):
    table(sheet, "Preise", "H1:I4", ["Teil", "Preis"], [["Schraube", 0.1], ["Mutter", 0.05], ["Scheibe", 0.02]])
    sheet["H6"] = "=SUM(Preise[Preis])"


def with_table_following(book, sheet):
    """The table C1:D6 whose heading row is the list's: it grows to the list's end."""
    for cell in ("C1", "B12", "A12"):
        sheet[cell] = None
    table(sheet, "Stueckliste", "C1:D6", ["Benennung", "Preis"], [[None, p] for p in (1.5, 2.5, 3.5, 4.5, 5.5)])
    sheet["F8"] = "=SUM(Stueckliste[Preis])"
    sheet["F9"] = "=ROWS(Stueckliste[Benennung])"


def with_table_renamed(book, sheet):
    """The table's first column is named otherwise than the list's heading, which renames it."""
    sheet["C1"] = None
    table(sheet, "Umbenannt", "C1:D4", ["Bezeichnung", "Preis"], [[None, 1], [None, 2], [None, 3]])


def with_foreign_table(book, sheet):
    table(sheet, "Andere", "B5:C8", ["Teil", "Preis"], [["Schraube", 1], ["Mutter", 2], ["Scheibe", 3]])
    sheet["B12"] = None


def with_hyperlinks(book, sheet):
    sheet["E6"] = "Netz"
    sheet["E6"].hyperlink = "https://example.invalid/stueckliste"
    sheet["E7"] = "Zweites Blatt"
    sheet["E7"].hyperlink = "#Zweites!A1"
    book.create_sheet("Zweites")["A1"] = "Ziel"


def with_frozen_panes(book, sheet):
    sheet.freeze_panes = "B2"


def with_protection(book, sheet):
    other = book.create_sheet("Geschuetzt")
    other["A1"] = "nicht \u00e4ndern"
    other.protection.sheet = True
    other.protection.password = "geheim"
    book.security.lockStructure = True


def with_print_settings(book, sheet):
    sheet.print_area = "A1:F20"
    sheet.print_title_rows = "1:1"
    sheet.page_setup.orientation = "landscape"
    sheet.page_setup.paperSize = sheet.PAPERSIZE_A4
    sheet.oddHeader.center.text = "St\u00fcckliste"
    sheet.oddFooter.right.text = "Seite &P von &N"
    sheet.page_margins.left = 1.2


def with_several_sheets(book, sheet):
    second = book.create_sheet("Zweites")
    second["A1"] = "Summe der Liste"
    second["A2"] = "=SUM(Liste!B2:B11)"
    second["A3"] = "=Liste!F3*4"
    third = book.create_sheet("Drittes")
    third["B2"] = "=Zweites!A3+1"


def with_chart_sheet(book, sheet):
    for row in range(2, 6):
        sheet.cell(row, 7, row * 10)
    chart = BarChart()
    chart.add_data(Reference(sheet, min_col=7, min_row=2, max_row=5))
    book.create_chartsheet("Diagramm").add_chart(chart)
    book.create_sheet("Danach")["A1"] = "nach dem Diagramm"


def with_formats(book, sheet):
    thin = Side(style="thin", color="000000")
    sheet["E8"] = 0.125
    sheet["E8"].number_format = "0.0%"
    sheet["E9"] = 1234.5
    sheet["E9"].number_format = "#,##0.00 \u20ac"
    sheet["E10"] = "rechts, gerahmt"
    sheet["E10"].alignment = Alignment(horizontal="right", wrap_text=True)
    sheet["E10"].border = Border(left=thin, right=thin, top=thin, bottom=thin)
    sheet["E10"].fill = PatternFill("solid", fgColor="DDEBF7")
    sheet["B3"].number_format = "0.00"
    sheet["B3"].font = Font(italic=True, color="C00000")
    sheet.row_dimensions[5].height = 30


def with_merged_elsewhere(book, sheet):
    sheet["E8"] = "verbunden"
    sheet.merge_cells("E8:F9")


def with_merged_heading(book, sheet):
    sheet["C1"] = None
    sheet.merge_cells("B1:C1")


def with_hidden(book, sheet):
    sheet.column_dimensions["E"].hidden = True
    hidden = book.create_sheet("Versteckt")
    hidden["A1"] = "versteckt"
    hidden.sheet_state = "hidden"


def with_shared_column(book, sheet):
    """Numbers in B5:B10 and a fill-down A2:A10 =B2*2, each cell's own (shared in a hand-edited copy)."""
    for row in range(5, 11):
        sheet.cell(row, 2, row)
    for row in range(2, 11):
        sheet.cell(row, 1, "=B%d*2" % row)
    sheet["F2"] = "=E2+1"
    for row in range(2, 7):
        sheet.cell(row, 5, row * 100)
        sheet.cell(row, 6, "=E%d+1" % row)


SOURCES = {
    # name: (what is added to the base, records)
    "lo-plain": (None, 3),
    "lo-chart": (with_chart, 3),
    "lo-comments": (with_comments, 3),
    "lo-conditional-formats": (with_conditional_formats, 3),
    "lo-validation": (with_validation, 3),
    "lo-defined-names": (with_names, 3),
    "lo-autofilter": (with_autofilter, 3),
    "lo-table-elsewhere": (with_table_elsewhere, 3),
    "lo-table-following": (with_table_following, 8),
    "lo-table-renamed": (with_table_renamed, 3),
    "lo-table-foreign": (with_foreign_table, 8),
    "lo-hyperlinks": (with_hyperlinks, 3),
    "lo-frozen-panes": (with_frozen_panes, 3),
    "lo-protection": (with_protection, 3),
    "lo-print-settings": (with_print_settings, 3),
    "lo-several-sheets": (with_several_sheets, 3),
    "lo-chart-sheet": (with_chart_sheet, 3),
    "lo-formats": (with_formats, 3),
    "lo-merged-elsewhere": (with_merged_elsewhere, 3),
    "lo-merged-heading": (with_merged_heading, 3),
    "lo-hidden": (with_hidden, 3),
    "lo-fill-down": (with_shared_column, 3),
}
OUTCOMES = {
    "lo-table-foreign": "35|1|B5|Andere|B5:C8",
    "lo-merged-heading": "36|1|C1|B1:C1",
}


def png_bytes():
    """A 4x4 red image, made here so no file is needed."""
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    rows = b"".join(b"\0" + b"\xff\0\0" * 4 for _ in range(4))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 4, 4, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


def ods_cell(value):
    if isinstance(value, (int, float)):
        return '<table:table-cell office:value-type="float" office:value="%s"><text:p>%s</text:p></table:table-cell>' % (value, value)
    return '<table:table-cell office:value-type="string"><text:p>%s</text:p></table:table-cell>' % value


def ods_rows(rows):
    return "".join("<table:table-row>%s</table:table-row>" % "".join(ods_cell(v) for v in row) for row in rows)


FODS_HEAD = ('<?xml version="1.0" encoding="UTF-8"?>\n<office:document '
             'xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
             'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
             'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" '
             'xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0" '
             'xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0" '
             'xmlns:xlink="http://www.w3.org/1999/xlink" '
             'xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" '
             'xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0" office:version="1.2" '
             'office:mimetype="application/vnd.oasis.opendocument.spreadsheet"><office:automatic-styles>'
             '<style:style style:name="T1" style:family="text"><style:text-properties fo:font-weight="bold"/>'
             '</style:style></office:automatic-styles><office:body><office:spreadsheet>')
FODS_TAIL = "</office:spreadsheet></office:body></office:document>\n"
LIST_ROWS = [HEADINGS, [], [], [], [], [], [], [], [], [], [], ["Summe"]]


def fods_pivot():
    data = [["Art", "Menge"], ["Schraube", 4], ["Mutter", 2], ["Schraube", 3], ["Scheibe", 5]]
    return (FODS_HEAD + '<table:table table:name="Liste">' + ods_rows(LIST_ROWS) + "</table:table>"
            '<table:table table:name="Daten">' + ods_rows(data) + "</table:table>"
            '<table:table table:name="Auswertung">' + ods_rows([["Art", "Summe - Menge"], ["Mutter", 2],
                                                                 ["Scheibe", 5], ["Schraube", 7],
                                                                 ["Summe Ergebnis", 14]]) + "</table:table>"
            '<table:data-pilot-tables><table:data-pilot-table table:name="Auswertung1" '
            'table:target-range-address="Auswertung.A1:Auswertung.B5" table:buttons="Auswertung.A1">'
            '<table:source-cell-range table:cell-range-address="Daten.A1:Daten.B5"/>'
            '<table:data-pilot-field table:source-field-name="Art" table:orientation="row"/>'
            '<table:data-pilot-field table:source-field-name="Menge" table:orientation="data" table:function="sum"/>'
            "</table:data-pilot-table></table:data-pilot-tables>" + FODS_TAIL)


def fods_image():
    image = base64.b64encode(png_bytes()).decode("ascii")
    return (FODS_HEAD + '<table:table table:name="Liste"><table:shapes><draw:frame draw:name="Logo" '
            'svg:width="2cm" svg:height="2cm" svg:x="12cm" svg:y="0.5cm"><draw:image><office:binary-data>' +
            image + "</office:binary-data></draw:image></draw:frame></table:shapes>" + ods_rows(LIST_ROWS) +
            "</table:table>" + FODS_TAIL)


def fods_rich_text():
    rich = ('<table:table-row><table:table-cell/><table:table-cell/><table:table-cell/><table:table-cell/>'
            '<table:table-cell office:value-type="string"><text:p>normal <text:span text:style-name="T1">fett'
            '</text:span> \u00c4\u00d6\u00dc\u00df \u20ac</text:p></table:table-cell></table:table-row>')
    return FODS_HEAD + '<table:table table:name="Liste">' + ods_rows(LIST_ROWS) + rich + "</table:table>" + FODS_TAIL


FODS_SOURCES = {"lo-pivot": (fods_pivot, 3), "lo-image": (fods_image, 3), "lo-rich-text": (fods_rich_text, 3)}


def convert(folder, sources, kind):
    """Has LibreOffice convert the files, all in one run, into folder (as .KIND)."""
    profile = tempfile.mkdtemp(prefix="lo-profile-")
    try:
        subprocess.run(["soffice", "--headless", "--norestore", "-env:UserInstallation=file://" + profile,
                        "--convert-to", kind, "--outdir", folder] + sources,
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300)
    finally:
        shutil.rmtree(profile, ignore_errors=True)
    for source in sources:
        made = os.path.join(folder, os.path.splitext(os.path.basename(source))[0] + "." + kind.split(":")[0])
        if not os.path.exists(made):
            raise SystemExit("LibreOffice made no %s" % made)


# ---------------------------------------------------------------- hand edits

def rewrite(source, target, edit):
    """Copies the zip, each entry's bytes through edit(name, data) (None: left out)."""
    with zipfile.ZipFile(source) as old, zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED) as new:
        entries = [(info.filename, old.read(info)) for info in old.infolist()]
        for name, data in entries:
            changed = edit(name, data)
            if changed is not None:
                new.writestr(name, changed)
        extra = edit("", None)
        for name, data in (extra or []):
            new.writestr(name, data)


def make_shared(text, column, first, last, si):
    """A fill-down of column first..last written as Excel writes it: one shared formula."""
    for row in range(first, last + 1):
        pattern = re.compile(r'(<c r="%s%d"[^>]*>)<f( aca="false")?>([^<]*)</f>' % (column, row))
        found = pattern.search(text)
        if not found:
            raise SystemExit("no formula in %s%d" % (column, row))
        if row == first:
            f = '<f t="shared" ref="%s%d:%s%d" si="%d">%s</f>' % (column, first, column, last, si, found.group(3))
        else:
            f = '<f t="shared" si="%d"/>' % si
        text = text[:found.start()] + found.group(1) + f + text[found.end():]
    return text


def edit_shared(name, data):
    if name == "xl/worksheets/sheet1.xml":
        text = make_shared(data.decode("utf-8"), "A", 2, 10, 0)
        return make_shared(text, "F", 2, 6, 1).encode("utf-8")
    return None if name == "" else data


INLINE_TEXTS = {"E1": "Stand", "E3": "Faktor", "A12": "Summe"}


def edit_inline_strings(name, data):
    """Texts in the sheet itself rather than in the shared strings."""
    if name != "xl/worksheets/sheet1.xml":
        return None if name == "" else data
    return re.sub(r'<c r="(E1|E3|A12)"([^>]*) t="s"><v>\d+</v></c>',
                  lambda m: '<c r="%s"%s t="inlineStr"><is><t>%s</t></is></c>' % (
                      m.group(1), m.group(2), INLINE_TEXTS[m.group(1)]),
                  data.decode("utf-8")).encode("utf-8")


def edit_absolute_targets(name, data):
    if name in ("xl/_rels/workbook.xml.rels", "_rels/.rels"):
        return re.sub(rb'Target="(?!/|http)', b'Target="/xl/', data).replace(b'Target="/xl/xl/', b'Target="/xl/')
    return None if name == "" else data


def edit_byte_order_mark(name, data):
    if name in ("xl/worksheets/sheet1.xml", "xl/workbook.xml", "xl/styles.xml"):
        return b"\xef\xbb\xbf" + data
    return None if name == "" else data


VBA_PART = b"\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1" + bytes(range(256)) * 8  # stands for a macro project
MACRO_TYPE = b"application/vnd.ms-excel.sheet.macroEnabled.main+xml"
TEMPLATE_TYPE = b"application/vnd.openxmlformats-officedocument.spreadsheetml.template.main+xml"
MACRO_TEMPLATE_TYPE = b"application/vnd.ms-excel.template.macroEnabled.main+xml"
WORKBOOK_TYPE = b"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"


def edit_workbook_type(new_type, macros):
    def edit(name, data):
        if name == "":
            return [("xl/vbaProject.bin", VBA_PART)] if macros else None
        if name == "[Content_Types].xml":
            data = data.replace(WORKBOOK_TYPE, new_type)
            if macros:
                data = data.replace(b"</Types>", b'<Default Extension="bin" ContentType="application/'
                                    b'vnd.ms-office.vbaProject"/></Types>')
        if name == "xl/_rels/workbook.xml.rels" and macros:
            data = data.replace(b"</Relationships>", b'<Relationship Id="rIdVba" Type="http://schemas.microsoft.com/'
                                b'office/2006/relationships/vbaProject" Target="vbaProject.bin"/></Relationships>')
        return data
    return edit


def edit_calc_chain(name, data):
    if name == "":
        return [("xl/calcChain.xml", ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<calcChain '
                                      'xmlns="%s"><c r="F4" i="1"/><c r="B12"/></calcChain>' % MAIN).encode())]
    if name == "[Content_Types].xml":
        return data.replace(b"</Types>", b'<Override PartName="/xl/calcChain.xml" ContentType="application/'
                            b'vnd.openxmlformats-officedocument.spreadsheetml.calcChain+xml"/></Types>')
    if name == "xl/_rels/workbook.xml.rels":
        return data.replace(b"</Relationships>", b'<Relationship Id="rIdCalc" Type="http://schemas.openxmlformats.org/'
                            b'officeDocument/2006/relationships/calcChain" Target="calcChain.xml"/></Relationships>')
    return data


def edit_prefix(name, data):
    """The sheet's elements under a prefix, as some generators write them."""
    if name != "xl/worksheets/sheet1.xml":
        return None if name == "" else data
    text = data.decode("utf-8")
    text = text.replace('<worksheet xmlns="%s"' % MAIN, '<x:worksheet xmlns:x="%s"' % MAIN, 1)
    text = re.sub(r"<(/?)(?!x:|\?|mc:|x14|xr|xdr)([A-Za-z][A-Za-z0-9]*)([ />])", r"<\1x:\2\3", text)
    return text.encode("utf-8")


def edit_totals_row(name, data):
    """The following table with a totals row below its data: C1:D7, the sum in D7."""
    if name == "xl/tables/table1.xml":
        text = data.decode("utf-8")
        text = text.replace('ref="C1:D6"', 'ref="C1:D7"', 1).replace('totalsRowCount="0"', 'totalsRowCount="1"')
        text = text.replace('totalsRowShown="0"', 'totalsRowShown="1"')
        text = text.replace('name="Benennung"/>', 'name="Benennung" totalsRowLabel="Summe"/>')
        text = text.replace('name="Preis"/>', 'name="Preis" totalsRowFunction="sum"/>')
        return text.encode("utf-8")
    if name == "xl/worksheets/sheet1.xml":
        text = data.decode("utf-8")
        row7 = ('<row r="7"><c r="C7" t="inlineStr"><is><t>Summe</t></is></c><c r="D7">'
                '<f>SUBTOTAL(109,Stueckliste[Preis])</f><v>17.5</v></c></row>')
        return re.sub(r'(<row r="8")', row7 + r"\1", text, count=1).encode("utf-8")
    return None if name == "" else data


HAND_EDITS = [
    # name, source, edit, records, outcome
    ("hand-shared-formulas.xlsx", "lo-fill-down.xlsx", edit_shared, 3, "saved"),
    ("hand-inline-strings.xlsx", "lo-plain.xlsx", edit_inline_strings, 3, "saved"),
    ("hand-absolute-targets.xlsx", "lo-several-sheets.xlsx", edit_absolute_targets, 3, "saved"),
    ("hand-byte-order-mark.xlsx", "lo-formats.xlsx", edit_byte_order_mark, 3, "saved"),
    ("hand-macros.xlsm", "lo-plain.xlsx", edit_workbook_type(MACRO_TYPE, True), 3, "saved"),
    ("hand-template.xltx", "lo-chart.xlsx", edit_workbook_type(TEMPLATE_TYPE, False), 3, "saved"),
    ("hand-macro-template.xltm", "lo-plain.xlsx", edit_workbook_type(MACRO_TEMPLATE_TYPE, True), 3, "saved"),
    ("hand-calc-chain.xlsx", "lo-defined-names.xlsx", edit_calc_chain, 3, "saved"),
    ("hand-element-prefix.xlsx", "lo-plain.xlsx", edit_prefix, 3, "saved"),
    ("hand-table-totals.xlsx", "lo-table-following.xlsx", edit_totals_row, 8, "saved"),
]
def make(folder):
    os.makedirs(folder, exist_ok=True)
    sources = tempfile.mkdtemp(prefix="corpus-sources-")
    try:
        paths = []
        for name, (add, _) in SOURCES.items():
            book, sheet = base_book()
            if add:
                add(book, sheet)
            paths.append(os.path.join(sources, name + ".xlsx"))
            book.save(paths[-1])
        for name, (text, _) in FODS_SOURCES.items():
            paths.append(os.path.join(sources, name + ".fods"))
            with open(paths[-1], "w", encoding="utf-8") as out:
                out.write(text())
        convert(folder, paths, "xlsx")
        # LibreOffice saves a chart sheet as a worksheet with a chart: openpyxl's own is kept.
        shutil.copy(os.path.join(sources, "lo-chart-sheet.xlsx"), os.path.join(folder, "openpyxl-chart-sheet.xlsx"))
    finally:
        shutil.rmtree(sources, ignore_errors=True)
    lines = []
    for name, (_, records) in list(SOURCES.items()) + list(FODS_SOURCES.items()):
        lines.append("%s.xlsx\t%d\t%s" % (name, records, OUTCOMES.get(name, "saved")))
    lines.append("openpyxl-chart-sheet.xlsx\t3\tsaved")
    for name, source, edit, records, outcome in HAND_EDITS:
        rewrite(os.path.join(folder, source), os.path.join(folder, name), edit)
        lines.append("%s\t%d\t%s" % (name, records, outcome))
    with open(os.path.join(folder, "manifest.txt"), "w", encoding="utf-8", newline="\r\n") as manifest:
        manifest.write("\n".join(lines) + "\n")
    print("%d templates in %s" % (len(lines), folder))


# ---------------------------------------------------------------- check

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
    return condition


def read_manifest(folder):
    with open(os.path.join(folder, "manifest.txt"), encoding="utf-8") as lines:
        return [line.rstrip("\r\n").split("\t") for line in lines if line.strip()]


def entries(path):
    with zipfile.ZipFile(path) as archive:
        return {info.filename: archive.read(info) for info in archive.infolist()}


FORMULA_RESULT = re.compile(rb"(<(?:\w+:)?c\b[^>]*?)(?: t=\"\w+\")?([^>]*>(?:(?!</(?:\w+:)?c>).)*?</(?:\w+:)?f>)"
                            rb"(?:<(\w+:)?v>[^<]*</(?:\w+:)?v>|<(\w+:)?v/>)", re.S)


def without_formula_results(xml):
    """A worksheet part as the copy writes it when nothing is written into it."""
    previous = None
    while previous != xml:
        previous = xml
        xml = FORMULA_RESULT.sub(rb"\1\2", xml)
    return re.sub(rb'(<(?:\w+:)?c\b[^>]*?) t="\w+"([^>]*><(?:\w+:)?f\b)', rb"\1\2", xml)


def part_differences(template, result, filled, tables):
    """The parts that differ where they must not: (name, why) pairs."""
    found = []
    for name, data in template.items():
        if name in CHANGING_PARTS or name in tables:
            continue
        if name not in result:
            found.append((name, "missing"))
        elif name == filled:
            if ROWS.sub(b"", data) != ROWS.sub(b"", result[name]):
                found.append((name, "changed outside its rows"))
        elif name == WORKBOOK_PART:
            if CALCULATION.sub(b"", data) != CALCULATION.sub(b"", result[name]):
                found.append((name, "changed beyond its calculation properties"))
        elif result[name] != data and not (name.startswith("xl/worksheets/sheet") and
                                            without_formula_results(data) == result[name]):
            found.append((name, "changed"))
    for name in result:
        if name not in template:
            found.append((name, "added"))
    return found


def style_of(cell):
    return (cell.number_format, repr(cell.font), repr(cell.fill), repr(cell.border), repr(cell.alignment),
            repr(cell.protection))


def following_tables(book, records):
    """The tables of the list's sheet that follow it: heading row 1, data from row 2,
    a column in A:C. Name -> (ref, new ref, totals rows)."""
    found = {}
    sheet = book.worksheets[0]
    for item in sheet.tables.values():
        name = item.displayName
        min_col, min_row, max_col, max_row = openpyxl.utils.cell.range_boundaries(item.ref)
        totals = item.totalsRowCount or 0
        if (item.headerRowCount or 1) == 1 and min_row == 1 and min_col <= 3:
            last_data = max(max_row - totals, records + 1)
            found[name] = (item.ref, "%s%d:%s%d" % (openpyxl.utils.get_column_letter(min_col), min_row,
                                                     openpyxl.utils.get_column_letter(max_col), last_data + totals),
                           totals)
    return found


def check_cells(label, template_path, result_path, records):
    template = openpyxl.load_workbook(template_path)
    result = openpyxl.load_workbook(result_path)
    check(template.sheetnames == result.sheetnames, "%s: sheets %s" % (label, result.sheetnames))
    written = written_cells(records)
    moved = {}
    for name, (ref, grown, totals) in following_tables(template, records).items():
        check(result.worksheets[0].tables[name].ref == grown, "%s: table %s is %s, not %s" % (
            label, name, result.worksheets[0].tables[name].ref, grown))
        if totals and grown != ref:
            shift = int(re.search(r"\d+$", grown).group()) - int(re.search(r"\d+$", ref).group())
            min_col, _, max_col, max_row = openpyxl.utils.cell.range_boundaries(ref)
            for column in range(min_col, max_col + 1):
                moved[(max_row, column)] = max_row + shift
    for old in template.worksheets:
        new = result[old.title]
        first = old is template.worksheets[0]
        for (row, column), cell in old._cells.items():
            # The written cells, and the totals row's cells where they were and where they went.
            if first and (cell.coordinate in written or (row, column) in moved or
                          (row, column) in {(target, c) for (_, c), target in moved.items()}):
                continue
            other = new.cell(row, column)
            check(other.value == cell.value, "%s: %s!%s holds %r, the template %r" % (
                label, old.title, cell.coordinate, other.value, cell.value))
            check(style_of(other) == style_of(cell), "%s: %s!%s changed its style" % (label, old.title, cell.coordinate))
        if first:
            for coordinate, value in written.items():
                check(new[coordinate].value == value, "%s: %s holds %r, not %r" % (
                    label, coordinate, new[coordinate].value, value))
            for (row, column), target in moved.items():
                check(new.cell(target, column).value == old.cell(row, column).value, "%s: the totals row did not move"
                      % label)
        check([str(r) for r in new.merged_cells.ranges] == [str(r) for r in old.merged_cells.ranges],
              "%s: merged cells of %s changed" % (label, old.title))
        # Excel repairs a table whose heading cells and column names differ.
        for item in new.tables.values():
            min_col, min_row, _, _ = openpyxl.utils.cell.range_boundaries(item.ref)
            for offset, column in enumerate(item.tableColumns):
                check(new.cell(min_row, min_col + offset).value == column.name, "%s: table %s names its column %r "
                      "under the heading %r" % (label, item.displayName, column.name,
                                                new.cell(min_row, min_col + offset).value))


def expected_copy(template_path, path, records):
    """The same writes made by openpyxl, for LibreOffice to compute."""
    book = openpyxl.load_workbook(template_path, keep_vba=template_path.endswith(("m",)))
    sheet = book.worksheets[0]
    for name, (ref, grown, totals) in following_tables(book, records).items():
        if totals and grown != ref:
            min_col, _, max_col, max_row = openpyxl.utils.cell.range_boundaries(ref)
            shift = int(re.search(r"\d+$", grown).group()) - max_row
            sheet.move_range("%s%d:%s%d" % (openpyxl.utils.get_column_letter(min_col), max_row,
                                            openpyxl.utils.get_column_letter(max_col), max_row), rows=shift)
        sheet.tables[name].ref = grown
        if sheet.tables[name].autoFilter is not None:  # the heading and the data, not the totals
            last_data = int(re.search(r"\d+$", grown).group()) - totals
            sheet.tables[name].autoFilter.ref = re.sub(r"\d+$", str(last_data), grown)
    for coordinate, value in written_cells(records).items():
        sheet[coordinate] = value
    book.template = False
    book.save(path)


def computed_values(path):
    book = openpyxl.load_workbook(path, data_only=True)
    return {(sheet.title, cell.coordinate): cell.value for sheet in book.worksheets
            for cell in sheet._cells.values() if cell.value is not None}


def check_shared_formulas(results, computed):
    """The fill-down A2:A10 whose first three cells the list wrote."""
    label = "hand-shared-formulas.xlsx"
    book = openpyxl.load_workbook(os.path.join(results, label))
    sheet = book["Liste"]
    for row in range(5, 11):
        check(sheet["A%d" % row].value == "=B%d*2" % row, "%s: A%d holds %r" % (label, row, sheet["A%d" % row].value))
        check(computed.get(("Liste", "A%d" % row)) == 2 * row, "%s: LibreOffice computes A%d as %r" % (
            label, row, computed.get(("Liste", "A%d" % row))))
    for row in range(2, 7):
        check(sheet["F%d" % row].value == "=E%d+1" % row, "%s: the untouched group lost F%d" % (label, row))


def check_table_growth(results, computed_by_file):
    """The table C1:D6 grown to the list's end (row 9), its totals row (if any) below."""
    for label, sum_cell in (("lo-table-following.xlsx", None), ("hand-table-totals.xlsx", "D10")):
        computed = computed_by_file.get(label, {})
        sheet = openpyxl.load_workbook(os.path.join(results, label))["Liste"]
        check(sheet.tables["Stueckliste"].ref == ("C1:D9" if sum_cell is None else "C1:D10"),
              "%s: the table is %s" % (label, sheet.tables["Stueckliste"].ref))
        check(computed.get(("Liste", "F8")) == 17.5, "%s: LibreOffice sums the table's prices as %r" % (
            label, computed.get(("Liste", "F8"))))
        check(computed.get(("Liste", "F9")) == 8, "%s: LibreOffice counts %r table rows" % (
            label, computed.get(("Liste", "F9"))))
        if sum_cell:
            check(computed.get(("Liste", sum_cell)) == 17.5, "%s: the moved totals row computes %r" % (
                label, computed.get(("Liste", sum_cell))))


def check_all(folder, results):
    saved = [(name, int(records)) for name, records, outcome in read_manifest(folder) if outcome == "saved"]
    check(len(read_manifest(folder)) >= 30, "the corpus holds only %d templates" % len(read_manifest(folder)))
    work = tempfile.mkdtemp(prefix="corpus-check-")
    try:
        to_compute = []
        for name, records in saved:
            template_path, result_path = os.path.join(folder, name), os.path.join(results, name)
            if not check(os.path.exists(result_path), "%s: no result" % name):
                continue
            template, result = entries(template_path), entries(result_path)
            tables = {part for part in template if part.startswith("xl/tables/")}
            following = {part for part in tables if template[part] != result.get(part)}
            for part, why in part_differences(template, result, "xl/worksheets/sheet1.xml", following):
                failures.append("%s: part %s %s" % (name, part, why))
            try:
                check_cells(name, template_path, result_path, records)
                stem = os.path.splitext(name)[0]
                shutil.copy(result_path, os.path.join(work, "result-%s.xlsx" % stem))
                expected_copy(template_path, os.path.join(work, "expected-%s.xlsx" % stem), records)
                to_compute += [os.path.join(work, "result-%s.xlsx" % stem), os.path.join(work, "expected-%s.xlsx" % stem)]
            except Exception as error:  # a file openpyxl cannot read fails its check
                failures.append("%s: %s: %s" % (name, type(error).__name__, error))
        computed_folder = os.path.join(work, "computed")
        convert(computed_folder, to_compute, "xlsx")
        computed = {}
        for name, _ in saved:
            stem = os.path.splitext(name)[0]
            mine = os.path.join(computed_folder, "result-%s.xlsx" % stem)
            theirs = os.path.join(computed_folder, "expected-%s.xlsx" % stem)
            if not check(os.path.exists(mine) and os.path.exists(theirs), "%s: LibreOffice did not open it" % name):
                continue
            computed[name] = computed_values(mine)
            check(computed[name] == computed_values(theirs), "%s: LibreOffice computes %s" % (name, sorted(
                set(computed[name].items()) ^ set(computed_values(theirs).items()))[:6]))
        check_shared_formulas(results, computed.get("hand-shared-formulas.xlsx", {}))
        check_table_growth(results, computed)
        check_mutation(folder, results, saved)
    finally:
        shutil.rmtree(work, ignore_errors=True)


def check_mutation(folder, results, saved):
    """The comparison catches one byte altered in a part that must stay, and a new
    workbook's widths, pane, filter or filter name added to a template's."""
    name = "lo-chart.xlsx"
    template = entries(os.path.join(folder, name))
    result = entries(os.path.join(results, name))
    part = next(p for p in sorted(result) if p.startswith("xl/charts/"))
    data = bytearray(result[part])
    data[len(data) // 2] ^= 0x01
    filled = "xl/worksheets/sheet1.xml"
    mutations = [(part, bytes(data), "changed"),
                 (filled, re.sub(rb"(<(?:\w+:)?sheetData)", rb'<cols><col min="1" max="1" width="9"/></cols>\1',
                                 result[filled], count=1), "changed outside its rows"),
                 (filled, re.sub(rb"(</(?:\w+:)?sheetData>)", rb'\1<autoFilter ref="A1:C4"/>', result[filled]),
                  "changed outside its rows"),
                 (WORKBOOK_PART, re.sub(rb"(</(?:\w+:)?sheets>)", rb'\1<definedNames><definedName name="_xlnm.'
                                        rb'_FilterDatabase" localSheetId="0" hidden="1">Liste!$A$1:$C$4</definedName>'
                                        rb'</definedNames>', result[WORKBOOK_PART]),
                  "changed beyond its calculation properties")]
    for mutated, content, why in mutations:
        check(content != result[mutated], "the mutation of %s changed nothing" % mutated)
        caught = part_differences(template, dict(result, **{mutated: content}), filled, set())
        check(caught == [(mutated, why)], "a change to %s was not caught: %s" % (mutated, caught))
        print("mutation of %s in %s caught as %s" % (mutated, name, caught))


def main(arguments):
    if len(arguments) == 2 and arguments[0] == "make":
        make(arguments[1])
    elif len(arguments) == 3 and arguments[0] == "check":
        check_all(arguments[1], arguments[2])
        for failure in failures:
            print("FAILED", failure)
        print("%d problems" % len(failures))
        sys.exit(1 if failures else 0)
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv[1:])
