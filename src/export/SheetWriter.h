#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "export/progress/WriteProgress.h"
#include "export/records/CellText.h"
#include "framework/Automation.h"
#include "framework/IniSnapshot.h"
#include "profile/TransferProfile.h"

namespace exl {

// The cell address "%s%i" (column text, row number) is held in 12 characters.
constexpr std::size_t kCellAddressMaxChars = 11;
// An address that does not fit (a 9-character column text with a long row number)
// is refused before Excel sees it: COleException with this status.
constexpr HRESULT kCellAddressTooLong = DISP_E_OVERFLOW;

// "B" and 5 give "B5". Raises COleException(kCellAddressTooLong) when the address
// would need more than kCellAddressMaxChars characters.
std::string CellAddress(const std::string& column, std::int64_t row);

// With [Datei] "Blockweise"=1 the values of consecutive records of one field go to
// Excel in runs of at most this many, one range and one array per run, so no one
// call carries unbounded data (a run of 1,000 values of 254 characters is half a
// megabyte of UTF-16).
constexpr std::size_t kMostValuesPerBlock = 1000;

// Fills the workbook from the record file, table by table, column by column,
// one row per record number. Excel's refusals leave as automation errors; what was
// written before stays written.
//
// Cell by cell (the default) each value takes one Range fetch and two puts. With
// blocks a run (consecutive records with values) takes one Range from its first to
// its last cell and the two puts with a column array; a run of one value, and every
// heading, is written as a cell. When any call of a run fails, the run is written
// again cell by cell from its first cell, so the export ends where, and with the
// error that, it would without blocks; only a call the user gave up on while Excel
// turned it away ends the export at once.
//
// Excel reads every text it is given as if typed; each value therefore passes the
// profile's cell text rules (CellText.h) after its conversion and cut, so a value
// from the drawing never becomes a formula unless the profile allows formulas, and
// with "AlsText" keeps its exact text. Headings come from the profile and go as they are.
//
// After every cell and every block it reports its position to the progress, which
// may stop it (StoppedByUser); the cells written before stay written.
class SheetWriter {
public:
    // sheets: filled; worksheet and range: holders the writer fills and refills.
    SheetWriter(AutomationRef& sheets, AutomationRef& worksheet, AutomationRef& range,
                WriteProgress& progress = WriteProgress::None());
    void Write(const std::string& profilePath, const std::string& recordFile);

private:
    void WriteTable(const TransferProfile& profile, int table, const IniSnapshot& records);
    void WriteField(const TransferProfile& profile, int table, int field, std::int16_t headerRow,
                    std::int16_t startRow, std::int32_t recordCount, const IniSnapshot& records);
    // One Range fetch and two puts: Value, then Value2 with the same text.
    void WriteCell(const std::string& column, std::int64_t row, const std::string& text);
    // A run of values for the rows from firstRow down; empties the run.
    void WriteRun(const std::string& column, std::int64_t firstRow, std::vector<std::string>& run);
    // One Range over the run and two puts of one array. False when any of it failed.
    bool WriteBlock(const std::string& column, std::int64_t firstRow, const std::vector<std::string>& run);
    // Reports that the field's cells up to this row are written; may raise StoppedByUser.
    void Written(std::int64_t row);
    // Reports the field's record reached (0: its heading); may raise StoppedByUser.
    void Reached(std::int64_t record);
    // Record slots of all tables: every field of every table takes every record.
    static std::int64_t SlotsTotal(const TransferProfile& profile, std::int32_t recordCount);

    AutomationRef& sheets_;
    AutomationRef& worksheet_;
    AutomationRef& range_;
    WriteProgress& progress_;
    bool blocks_ = false;
    WritePosition at_;
    // The current table's first record row; headings count as record 0.
    std::int64_t startRow_ = 1;
    // Slots of the fields written before the current one.
    std::int64_t slotsBeforeField_ = 0;
    CellTextRules textRules_;
};

}  // namespace exl
