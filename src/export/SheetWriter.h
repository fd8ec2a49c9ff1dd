#pragma once
#include <cstdint>
#include <string>

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

// Fills the workbook from the record file, table by table, column by column,
// one row per record number. Excel's refusals leave as automation errors; what was
// written before stays written.
class SheetWriter {
public:
    // sheets: filled; worksheet and range: holders the writer fills and refills.
    SheetWriter(AutomationRef& sheets, AutomationRef& worksheet, AutomationRef& range);
    void Write(const std::string& profilePath, const std::string& recordFile);

private:
    void WriteTable(const TransferProfile& profile, int table, const std::string& recordFile,
                    const IniSnapshot& records);
    void WriteField(const TransferProfile& profile, int table, int field, std::int16_t headerRow,
                    std::int16_t startRow, std::int32_t recordCount, const IniSnapshot& records);
    // One Range fetch and two puts: Value, then Value2 with the same text.
    void WriteCell(const std::string& column, std::int64_t row, const std::string& text);

    AutomationRef& sheets_;
    AutomationRef& worksheet_;
    AutomationRef& range_;
};

}  // namespace exl
