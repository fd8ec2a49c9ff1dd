#pragma once
// The dispatch identifiers of the twelve Excel operations the plug-in uses. Excel's
// published names are given for reading; the plug-in calls by number only, so no
// type library and no name lookup is needed.
#include <windows.h>
#include <oaidl.h>

namespace exl::excel {

enum : DISPID {
    kValue = 6,              // Range.Value, property put
    kCount = 118,            // Workbooks.Count and Sheets.Count, property get -> VT_I4
    kItem = 170,             // Sheets.Item(Index), property get -> IDispatch
    kAdd = 181,              // Workbooks.Add(Template), method -> IDispatch
    kRange = 197,            // Worksheet.Range(Cell1, Cell2), property get -> IDispatch
    kSelect = 235,           // Worksheet.Select, method
    kActiveWorkbook = 308,   // Application.ActiveWorkbook, property get -> IDispatch
    kSheets = 485,           // Workbook.Sheets, property get -> IDispatch
    kVisible = 558,          // Application.Visible, property put (VT_BOOL)
    kWorkbooks = 572,        // Application.Workbooks, property get -> IDispatch
    kOpen = 682,             // Workbooks.Open(Filename, ...), method -> IDispatch
    kValue2 = 1388,          // Range.Value2, property put
};

// Workbooks.Open takes the file name and then UpdateLinks, ReadOnly, Format, Password,
// WriteResPassword, IgnoreReadOnlyRecommended, Origin, Delimiter, Editable, Notify,
// Converter and AddToMru, all left out.
constexpr int kOpenOptionalArguments = 12;

// Excel's main window class.
constexpr const char* kMainWindowClass = "XLMAIN";

}  // namespace exl::excel
