#pragma once
#include <string>

#include "export/ExportSettings.h"
#include "framework/Automation.h"

namespace exl {

// Reaches Excel by version with fall-back, raises and shows it, chooses the
// workbook and checks its sheet count. Automation failures leave as
// COleException or COleDispatchException; the holder releases every reference
// when it is destroyed.
class ExcelConnection {
public:
    enum class Outcome { Ready, EndedEarly };

    // settings.excelVersion is lowered when an older version is tried.
    ExcelConnection(ExportSettings& settings, const std::string& profilePath);
    ~ExcelConnection();
    ExcelConnection(const ExcelConnection&) = delete;
    ExcelConnection& operator=(const ExcelConnection&) = delete;

    Outcome Connect();
    // After the sheet writer: cell range, worksheet, workbook collection, workbook,
    // application, and last the sheet collection.
    void Release();

    // For the sheet writer: the filled sheet collection and two empty holders.
    AutomationRef& SheetCollection() { return sheets_; }
    AutomationRef& Worksheet() { return worksheet_; }
    AutomationRef& CellRange() { return range_; }

private:
    ExportSettings& settings_;
    std::string profilePath_;
    // Declared in creation order, so destruction (an automation error leaving the
    // connection) releases the latest first.
    AutomationRef application_;
    AutomationRef workbook_;
    AutomationRef worksheet_;
    AutomationRef workbooks_;
    AutomationRef sheets_;
    AutomationRef range_;
};

}  // namespace exl
