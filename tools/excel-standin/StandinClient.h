#pragma once
// Client of excel-standin.exe for tests and the demo: registers the server, starts
// it as an already running Excel, and reads and steers its state through the
// control class "ExcelStandin.Control". The calling thread must have initialised
// COM (OleInitialize or CoInitialize, apartment threaded).
//
// Call log lines (Calls()) have the form
//   <Kind>.<Member> <flags>[ <arg>]...[ -> 0x<HRESULT>]
// Kind is Application, Workbooks, Workbook, Sheets, Worksheet or Range; Member is
// Excel's name for the DISPID, or "#<dispid>" for one the stand-in does not know.
// flags are the invoke flags as "method", "get", "put", "putref", joined by "|"
// when several are set (e.g. "method|get"). Arguments follow in the caller's order
// (the reverse of rgvarg), a property put's value last; a named argument other than
// DISPID_PROPERTYPUT is written "#<dispid>=<arg>". An argument is rendered by type:
//   VT_BSTR  "text" (backslash and double quote escaped with a backslash)
//   VT_I2    I2:<n>        VT_I4  I4:<n>        VT_BOOL  true | false
//   VT_ERROR with DISP_E_PARAMNOTFOUND  missing (other VT_ERROR: ERROR:0x<scode>)
//   VT_EMPTY empty         VT_DISPATCH dispatch  anything else VT<n> (VT_BYREF added as "&")
// A failed Invoke ends its line with " -> 0x" and eight upper-case hex digits.
// Examples:
//   Range.Value put "Anzahl"
//   Worksheet.Range get "B5" "B5"
//   Sheets.Item get I2:4 -> 0x8002000B
//   Workbooks.Open method "C:\\t.xlsx" missing missing ... (twelve "missing")
// The control channel's own calls are not logged and do not count for FailCall.
#include <windows.h>
#include <oaidl.h>

#include <string>
#include <vector>

namespace exl::standin {

class StandinClient {
public:
    StandinClient() = default;
    ~StandinClient();  // releases the control channel; the server keeps running
    StandinClient(const StandinClient&) = delete;
    StandinClient& operator=(const StandinClient&) = delete;

    // Registration of the server (excel-standin.exe beside the calling program)
    // for a subset of versions {8, 9, 10} under HKCR, with the control class;
    // versions not listed are removed. Unregister removes all.
    static bool Register(const std::vector<int>& versions);
    static bool Unregister();
    // Full path of excel-standin.exe beside the calling program.
    static std::wstring ServerPath();
    // The text a value is rendered as in the call log ("text" escaped).
    static std::wstring Quote(const std::wstring& text);

    // Start an instance already running (ROT) as the given version, holding `workbooks` workbooks.
    // Returns when it is registered in the ROT, connected to it. Other instances are reached through Connect().
    bool StartRunning(int version, int workbooks = 0);
    // Connects to the server process through the control class (starting it if needed).
    bool Connect();
    bool Connected() const { return control_ != nullptr; }

    // Per-process state, over all Application objects of the server. Counts answer
    // -1 when the control channel fails.
    DWORD ProcessId();                 // 0 when not connected
    int Version();                     // the version the process serves as
    int ApplicationCount();            // Application objects ever created in this process
    int WorkbookCount();               // open workbooks
    int SheetCount(int workbook);      // 1-based workbook index in creation order; -1: no such workbook
    std::wstring Cell(int workbook, int sheet, const std::wstring& address);  // "" when empty
    bool HasCell(int workbook, int sheet, const std::wstring& address);
    std::wstring WorkbookSource(int workbook);  // template path it was opened from, or "" for Add
    int ActiveWorkbook();              // index of the active workbook, 0 when none
    bool IsVisible();                  // Visible was put true (the last put value)
    bool MainWindowShown();            // the XLMAIN window is visible
    bool MainWindowIconic();           // the XLMAIN window is minimised
    bool SaveWorkbook(int workbook, const std::wstring& xlsxPath);
    std::vector<std::wstring> Calls();   // call log lines, format above
    int CallCount();                     // Invokes since ResetCalls, failed ones included
    void ResetCalls();                   // clears the log and the call counter used by fault injection
    // Outstanding references held by clients other than this control channel, as
    // the number of handed-out objects still referenced (all kinds, or one kind
    // such as L"Range"). Objects the server keeps alive by itself (workbooks,
    // sheets, the running instance's entry in the ROT) do not count.
    int LiveObjects();
    int LiveObjects(const std::wstring& kind);
    void FailCall(int n, HRESULT hr);    // the n-th Invoke after ResetCalls fails with hr (n from 1)
    // The n-th Invoke fails with DISP_E_EXCEPTION and this information. With
    // `deferred` the server leaves scode and texts to pfnDeferredFillIn.
    void FailCallWithException(int n, HRESULT scode, const std::wstring& description,
                               const std::wstring& source = L"Microsoft Excel", bool deferred = false);
    void ClearFaults();
    // Ends the server process (and forgets its state): every stand-in process
    // reachable through the control class, waiting until each is gone.
    void Quit();

private:
    bool Invoke(DISPID member, WORD flags, std::vector<VARIANT> args, VARIANT* result);
    int GetInt(DISPID member, std::vector<VARIANT> args = {});
    bool GetBool(DISPID member, std::vector<VARIANT> args = {});
    std::wstring GetText(DISPID member, std::vector<VARIANT> args = {});
    void ReleaseControl();

    IDispatch* control_ = nullptr;
};

}  // namespace exl::standin
