#pragma once
// Whole workbook files into a zip writer: a new workbook, or a copy of a template
// with rows written into its worksheets. Each sheet's rows come from a source of
// their own, one sheet after the other, so the file is made in one pass.
#include <string>
#include <vector>

#include "workbook/sheet/ListHeading.h"
#include "workbook/sheet/Package.h"
#include "workbook/sheet/SheetRows.h"
#include "workbook/sheet/SheetTables.h"
#include "workbook/zip/ZipWriter.h"

namespace exl::workbook {

// The cell format of Excel's "Standard" style, the first of every workbook.
constexpr const char* kStandardCellFormat = "<xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>";
// The least style sheet Excel accepts (one font, the two fills it requires, one
// border) with these cell formats (<xf/> elements, Standard first), in this order,
// and these fonts (<font> elements) after its own.
std::string StylesPart(const std::vector<std::string>& cellFormats, const std::vector<std::string>& moreFonts = {});

// A new workbook with one worksheet per name (UTF-8, in order); rows[i] fills sheet
// i + 1 (nullptr or a missing entry: empty). Every text is written as given.
// stylesPart: the whole xl/styles.xml for the cells' own styles, "" for the least
// one with the default style alone.
// looks[i], where given, makes sheet i + 1 a list that reads well (ListLook); the
// least style sheet then holds the headings' bold format too.
bool WriteNewWorkbook(const std::vector<std::string>& sheetNames, const std::vector<RowSource*>& rows,
                      ZipWriter& out, std::string& problem, const std::string& stylesPart = "",
                      const std::vector<ListLook>& looks = {});

// A copy of the template: rows[i] is written into sheet i + 1, which must be a
// worksheet. Every other part is copied with its packed bytes untouched, except:
// - worksheets holding formulas lose the formulas' stored results, and the workbook
//   part then asks for a full calculation on load, so every program shows results
//   that count the rows written;
// - the calculation chain is dropped (Excel rebuilds it);
// - a template's workbook part gets the workbook's content type (.xltx -> .xlsx);
// - the tables grow as `growths` say, their totals rows moving down with them.
bool WriteTemplateCopy(const ZipArchive& zip, const WorkbookPackage& package, const std::vector<RowSource*>& rows,
                       ZipWriter& out, std::string& problem, const std::vector<TableGrowth>& growths = {});

}  // namespace exl::workbook
