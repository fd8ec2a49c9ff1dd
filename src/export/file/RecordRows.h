#pragma once
// The cells of one sheet of a workbook file, made row by row from the record file as
// the writer asks for them: headings in their row, record n of every field in row
// "Startzeile" + n - 1. A cell gets what Excel would hold after the cell-by-cell
// export: the last write in Excel's order wins, a missing value leaves the cell
// alone, an empty heading empties it.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "export/file/FileLayout.h"
#include "framework/IniSnapshot.h"
#include "workbook/sheet/SheetRows.h"

namespace exl {

class RecordRows : public workbook::RowSource {
public:
    // The fields come checked by LayOutTables: every value's cell lies in the sheet.
    // headingStyle: the style of every heading written ("": none, as in a template).
    RecordRows(std::vector<FileField> fields, const IniSnapshot& records, std::int32_t recordCount,
               std::string headingStyle = {});

    bool NextRow(workbook::SheetRow& row) override;
    std::optional<workbook::CellArea> Area() const override;

private:
    // The rows a field may write: its heading and the rows of its records in the sheet.
    struct Reach {
        std::uint32_t heading = 0;  // 0: none
        std::uint32_t first = 1;
        std::uint32_t last = 0;  // last < first: no record rows
    };
    // The first row from `from` on that any field may write; 0 when there is none.
    std::uint32_t NextCandidate(std::uint32_t from) const;
    void CellsOf(std::uint32_t row, workbook::SheetRow& out) const;

    std::vector<FileField> fields_;
    std::vector<Reach> reach_;
    const IniSnapshot& records_;
    std::string headingStyle_;
    std::uint32_t next_ = 1;
};

// What a value from the drawing becomes in the file: converted from the OEM code page,
// cut to the limit, then a number cell when it is a plain whole number (so quantities
// can be summed) and a text cell, exactly as the drawing holds it, otherwise.
workbook::CellValue ValueCell(std::uint32_t column, const std::string& oemValue, std::int16_t limit);
// A heading is always text; an empty one empties its cell.
workbook::CellValue HeadingCell(std::uint32_t column, const std::string& ansiHeading);

}  // namespace exl
