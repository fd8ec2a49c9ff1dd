#pragma once
// Identities shared by excel-standin.exe and its client library: the class ids of
// the Excel versions 8 to 16 and of the control class, and the control's members.
#include <windows.h>

namespace exl::standin {

// Each version has a class of its own, so registering only some versions really
// makes the others fail to resolve.
// {A1A6021A-D638-4088-9FD5-FEE98D93AF69}
inline constexpr CLSID kClsidExcel8 = {0xA1A6021A, 0xD638, 0x4088, {0x9F, 0xD5, 0xFE, 0xE9, 0x8D, 0x93, 0xAF, 0x69}};
// {FC38C766-F25D-4A76-903F-262FC2083E2A}
inline constexpr CLSID kClsidExcel9 = {0xFC38C766, 0xF25D, 0x4A76, {0x90, 0x3F, 0x26, 0x2F, 0xC2, 0x08, 0x3E, 0x2A}};
// {93471294-DD82-4685-8382-209CC5349EDC}
inline constexpr CLSID kClsidExcel10 = {0x93471294, 0xDD82, 0x4685, {0x83, 0x82, 0x20, 0x9C, 0xC5, 0x34, 0x9E, 0xDC}};
// {CA4D18C4-FEF8-45FB-8736-969ABB53C684}
inline constexpr CLSID kClsidExcel11 = {0xCA4D18C4, 0xFEF8, 0x45FB, {0x87, 0x36, 0x96, 0x9A, 0xBB, 0x53, 0xC6, 0x84}};
// {A5E56C43-60FB-4CEB-B13D-04F36717E785}
inline constexpr CLSID kClsidExcel12 = {0xA5E56C43, 0x60FB, 0x4CEB, {0xB1, 0x3D, 0x04, 0xF3, 0x67, 0x17, 0xE7, 0x85}};
// {17337334-AA62-4DCD-A777-139D17B5A180}
inline constexpr CLSID kClsidExcel13 = {0x17337334, 0xAA62, 0x4DCD, {0xA7, 0x77, 0x13, 0x9D, 0x17, 0xB5, 0xA1, 0x80}};
// {D6314A6B-5E4C-44ED-83BB-300F703FFE06}
inline constexpr CLSID kClsidExcel14 = {0xD6314A6B, 0x5E4C, 0x44ED, {0x83, 0xBB, 0x30, 0x0F, 0x70, 0x3F, 0xFE, 0x06}};
// {7063DD9C-5C0D-4BE1-8446-25BF8A465C54}
inline constexpr CLSID kClsidExcel15 = {0x7063DD9C, 0x5C0D, 0x4BE1, {0x84, 0x46, 0x25, 0xBF, 0x8A, 0x46, 0x5C, 0x54}};
// {FCA8BEAC-1772-4B11-BD3B-5538FF76ED31}
inline constexpr CLSID kClsidExcel16 = {0xFCA8BEAC, 0x1772, 0x4B11, {0xBD, 0x3B, 0x55, 0x38, 0xFF, 0x76, 0xED, 0x31}};
// {AA0AE8EF-65BB-4CA4-9BD0-D9EF7C540AA4}
inline constexpr CLSID kClsidControl = {0xAA0AE8EF, 0x65BB, 0x4CA4, {0xBB, 0xD0, 0xD9, 0xEF, 0x7C, 0x54, 0x0A, 0xA4}};

inline constexpr int kFirstVersion = 8;
inline constexpr int kLastVersion = 16;
inline constexpr wchar_t kControlProgId[] = L"ExcelStandin.Control";
// Registered beside the versioned ProgIDs, as every Excel since 2003 does; its
// CurVer names the newest version registered.
inline constexpr wchar_t kVersionIndependentProgId[] = L"Excel.Application";
inline constexpr wchar_t kServerExeName[] = L"excel-standin.exe";

// The class id of an Excel version, nullptr for versions outside 8 to 16.
inline const CLSID* ApplicationClsid(int version) {
    switch (version) {
    case 8: return &kClsidExcel8;
    case 9: return &kClsidExcel9;
    case 10: return &kClsidExcel10;
    case 11: return &kClsidExcel11;
    case 12: return &kClsidExcel12;
    case 13: return &kClsidExcel13;
    case 14: return &kClsidExcel14;
    case 15: return &kClsidExcel15;
    case 16: return &kClsidExcel16;
    default: return nullptr;
    }
}

// Members of the control object (also reachable by these names via GetIDsOfNames).
namespace control {
enum : DISPID {
    kProcessId = 1,          // get -> VT_I4
    kVersion,                // get -> VT_I4: the version the process serves as
    kApplicationCount,       // get -> VT_I4
    kWorkbookCount,          // get -> VT_I4
    kSheetCount,             // get (workbook) -> VT_I4; DISP_E_BADINDEX for no such workbook
    kCell,                   // get (workbook, sheet, address) -> VT_BSTR: the text as put
    kHasCell,                // get (workbook, sheet, address) -> VT_BOOL
    kWorkbookSource,         // get (workbook) -> VT_BSTR
    kActiveWorkbook,         // get -> VT_I4, 0 when none
    kIsVisible,              // get -> VT_BOOL
    kMainWindowShown,        // get -> VT_BOOL
    kMainWindowIconic,       // get -> VT_BOOL
    kSaveWorkbook,           // method (workbook, path) -> VT_BOOL
    kCallCount,              // get -> VT_I4
    kCallLog,                // get -> VT_BSTR: all lines, each ended by "\n"
    kResetCalls,             // method
    kLiveObjects,            // get ([kind]) -> VT_I4
    kFailCall,               // method (n, hresult)
    kFailCallWithException,  // method (n, scode, description, source, deferred)
    kClearFaults,            // method
    kQuit,                   // method: the process ends right after answering
    kActiveSheet,            // get (workbook) -> VT_I4: the sheet last selected, 1 at first
    kEndProcessAtCall,       // method (n): the process ends as if killed when call n arrives
    kCloseWorkbookAtCall,    // method (n, workbook): the workbook is closed when call n arrives
    kFailCellWrite,          // method (workbook or 0 for all, sheet, address, hresult[, description])
    kSheetCells,             // get (workbook, sheet) -> VT_BSTR: "A1 <stored cell>\n" per cell, row by row
    kStoredCell,             // get (workbook, sheet, address) -> VT_BSTR: what the cell holds
                             // (CellContent.h, Describe), "" when empty
    kSetCallDelay,           // method (milliseconds): every later Invoke on an Excel object waits so long first
};
// A busy Excel (see BusyPlan.h), numbered apart from the members above.
enum : DISPID {
    kBeBusy = 100,    // method (from call n or 0 for now, milliseconds or -1 until BeCalm, hresult)
    kBeCalm,          // method: calls are taken again
    kCarriedOutPuts,  // get -> VT_I4: property puts carried out since ResetCalls
    kTurnedAwaySpan,  // get -> VT_I4: ms from the first to the last call turned away since ResetCalls
};
}  // namespace control

}  // namespace exl::standin
