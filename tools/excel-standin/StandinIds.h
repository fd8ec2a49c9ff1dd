#pragma once
// Identities shared by excel-standin.exe and its client library: the class ids of
// the three Excel versions and of the control class, and the control's members.
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
// {AA0AE8EF-65BB-4CA4-9BD0-D9EF7C540AA4}
inline constexpr CLSID kClsidControl = {0xAA0AE8EF, 0x65BB, 0x4CA4, {0xBB, 0xD0, 0xD9, 0xEF, 0x7C, 0x54, 0x0A, 0xA4}};

inline constexpr int kFirstVersion = 8;
inline constexpr int kLastVersion = 10;
inline constexpr wchar_t kControlProgId[] = L"ExcelStandin.Control";
inline constexpr wchar_t kServerExeName[] = L"excel-standin.exe";

// The class id of an Excel version, nullptr for versions other than 8, 9, 10.
inline const CLSID* ApplicationClsid(int version) {
    switch (version) {
    case 8: return &kClsidExcel8;
    case 9: return &kClsidExcel9;
    case 10: return &kClsidExcel10;
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
    kCell,                   // get (workbook, sheet, address) -> VT_BSTR
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
};
}  // namespace control

}  // namespace exl::standin
