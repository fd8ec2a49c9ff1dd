#pragma once
#include <string>

#include "export/ExcelLauncher.h"
#include "settings/ExportSettings.h"
#include "framework/Automation.h"
#include "profile/TransferProfile.h"

namespace exl {

// Reaches Excel by version with fall-back, raises and shows it, chooses the
// workbook and checks its sheet count. Automation failures leave as
// COleException or COleDispatchException; the holder releases every reference
// when it is destroyed, the latest created first.
//
// Version 10 means "XP or newer": when "Excel.Application.10" is not registered,
// the Excel that CurVer names is tried in its place, as long as it is newer than XP;
// "Version" stays 10.
//
// No operation is ever invoked through an empty reference:
// - a stored version other than 8, 9 or 10 tries nothing: catalogue entry 0-15 in
//   the framework message box, and the connection ends early;
// - a running Excel that does not answer the IDispatch query counts as not running,
//   so a new instance is started;
// - an Excel that has workbooks but no active one gets a new workbook, as one
//   without workbooks does;
// - any other operation that answers with no object where one is needed raises
//   COleException(E_POINTER), which the driver reports like every automation error.
class ExcelConnection {
public:
    // NoExcel: versions 10, 9 and 8 were all tried and none could be had (0-8 shown).
    enum class Outcome { Ready, EndedEarly, NoExcel };

    // settings.excelVersion is lowered when an older version is tried.
    ExcelConnection(ExportSettings& settings, const std::string& profilePath,
                    ExcelLauncher& launcher = ExcelLauncher::Platform());
    ~ExcelConnection();
    ExcelConnection(const ExcelConnection&) = delete;
    ExcelConnection& operator=(const ExcelConnection&) = delete;

    // Ready: the sheet collection is filled, the worksheet and cell range holders are
    // empty. EndedEarly and NoExcel: the message has been shown and every reference
    // is released.
    Outcome Connect();
    // After the sheet writer: cell range, worksheet, workbook collection, workbook,
    // application, and last the sheet collection.
    void Release();

    // For the sheet writer: the filled sheet collection and two empty holders.
    AutomationRef& SheetCollection() { return sheets_; }
    AutomationRef& Worksheet() { return worksheet_; }
    AutomationRef& CellRange() { return range_; }

private:
    // Ready when an Excel was attached or started.
    Outcome StartExcel();
    // The version's ProgID; for an unregistered "Excel.Application.10" the newer
    // one that CurVer names, if it names one.
    std::string ProgIdToTry(std::int16_t version);
    IDispatch* ChooseWorkbook();
    IDispatch* AddWorkbook();
    // Every reference, the latest created first, as when an automation error leaves.
    void ReleaseLatestFirst();

    ExportSettings& settings_;
    TransferProfile profile_;
    ExcelLauncher& launcher_;
    // Every optional argument left out; made once, cleared with the connection.
    const Variant missing_ = Variant::Missing();
    AutomationRef application_;
    AutomationRef workbook_;
    AutomationRef worksheet_;
    AutomationRef workbooks_;
    AutomationRef sheets_;
    AutomationRef range_;
};

}  // namespace exl
