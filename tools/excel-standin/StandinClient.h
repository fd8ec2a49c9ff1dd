#pragma once
// Client of excel-standin.exe for tests and the demo: registers the server, starts
// it as an already running Excel, and reads and steers its state through the
// control class "ExcelStandin.Control". The calling thread must have initialised
// COM (OleInitialize or CoInitialize, apartment threaded).
//
// Call log lines (Calls()): "<Kind>.<Member> <flags>[ <argument>]...[ -> 0x<HRESULT>]",
// the format is described in full at the top of main.cpp. Examples:
//   Application.Visible put true
//   Worksheet.Range get "B5" "B5"
//   Range.Value put "Anzahl"
//   Sheets.Item get I2:4 -> 0x8002000B
//   Workbooks.Open method "C:\\t.xlsx" missing missing ... (twelve "missing")
//   Worksheet.Range get "A2" "A5"          (a block: the rectangle the two cells span)
//   Range.Value put array 4x1             (rows x columns of a 1-based array of VARIANTs)
//   Range.Value put &array 4x1 from 0,0   (by reference, 0-based)
//   Range.Value put "x" turned away -> 0x8001010A   (busy: not carried out)
//   Range turned away -> 0x80010001       (busy: refused by the message filter)
// The control channel's own calls are not logged and do not count for FailCall.
#include <windows.h>
#include <oaidl.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/Automation.h"
#include "framework/Raii.h"

namespace exl::standin {

class StandinHost;

class StandinClient {
public:
    StandinClient();
    ~StandinClient();  // releases the control channel; the server keeps running
    StandinClient(const StandinClient&) = delete;
    StandinClient& operator=(const StandinClient&) = delete;

    // Registration of the server (excel-standin.exe beside the calling program)
    // for any set of versions 8 to 16 under HKCR, with the control class and
    // "Excel.Application", whose CurVer names the highest version listed; versions
    // not listed are removed (with none listed, "Excel.Application" too). false for
    // a version outside 8 to 16, and nothing changes. Unregister removes all.
    // `serveOptions` follow "--serve N" in the versions' LocalServer32, so every
    // process COM starts for them takes them (such as "--busy 2000", see main.cpp).
    static bool Register(const std::vector<int>& versions, const std::wstring& serveOptions = L"");
    static bool Unregister();
    // Gives HKCR\Excel.Application\CurVer any default value, or removes the CurVer
    // key for nullopt, as odd machines have it. Register writes it afresh.
    static bool WriteCurVer(const std::optional<std::wstring>& value);
    // Full path of excel-standin.exe beside the calling program.
    static std::wstring ServerPath();
    // How a text argument appears in the call log: quoted, with \\ \" \n \r \t \xHH escapes.
    static std::wstring Quote(const std::wstring& text);

    // Start an instance already running (ROT) as the given version (8 to 16), holding `workbooks` workbooks.
    // Returns when it is registered in the ROT, connected to it. Other instances are reached through Connect().
    bool StartRunning(int version, int workbooks = 0);
    // Hosts an instance in the calling thread's apartment instead of a process, as an
    // Excel already running (ROT) as the given version with `workbooks` workbooks.
    // Clients in this process then call its objects directly, so an exception's
    // deferred fill-in reaches them (across processes the server runs it itself,
    // see main.cpp). Connected to it on success; Quit ends it.
    bool HostInProcess(int version, int workbooks = 0);
    // Connects to the server process through the control class (starting it if needed):
    // first a stand-in already running (running-object table), else a new control-only
    // process. Queries below use a running one when not connected; they never start one.
    bool Connect();
    bool Connected() const { return !control_.Empty(); }

    // Per-process state, over all Application objects of the server. Counts answer
    // -1 when the control channel fails.
    DWORD ProcessId();             // 0 when not connected
    int Version();                 // the version the process serves as
    int ApplicationCount();        // Application objects ever created in this process
    int WorkbookCount();           // open workbooks
    int SheetCount(int workbook);  // 1-based workbook index in creation order; -1: no such workbook
    // The text the last put into the cell carried, before Excel's reading; "" when empty.
    std::wstring Cell(int workbook, int sheet, const std::wstring& address);
    // What the cell holds after that reading, such as L"number 12", L"text' \"0012\""
    // or L"date 46242 [TT. MMM]" (format in CellContent.h); "" when empty.
    std::wstring StoredCell(int workbook, int sheet, const std::wstring& address);
    bool HasCell(int workbook, int sheet, const std::wstring& address);
    std::wstring WorkbookSource(int workbook);  // template path it was opened from, or "" for Add
    int ActiveWorkbook();                       // index of the active workbook, 0 when none
    int ActiveSheet(int workbook);  // the sheet Worksheet.Select chose last (1 at first); -1: no such workbook
    bool IsVisible();               // Visible was put true (the last put value)
    bool MainWindowShown();         // the XLMAIN window is visible
    bool MainWindowIconic();        // the XLMAIN window is minimised
    bool SaveWorkbook(int workbook, const std::wstring& xlsxPath);
    std::vector<std::wstring> Calls();  // call log lines, format above
    int CallCount();                    // Invokes since ResetCalls, failed ones included
    void ResetCalls();                  // clears the log and the call counter used by fault injection
    // Outstanding references held by clients other than this control channel, as
    // the number of handed-out objects still referenced (all kinds, or one kind
    // such as L"Range"). Objects the server keeps alive by itself (workbooks,
    // sheets, the running instance's entry in the ROT) do not count.
    int LiveObjects();
    int LiveObjects(const std::wstring& kind);
    void FailCall(int n, HRESULT hr);  // the n-th Invoke after ResetCalls fails with hr (n from 1)
    // The n-th Invoke fails with DISP_E_EXCEPTION and this information. With
    // `deferred` the server leaves scode and texts to pfnDeferredFillIn.
    void FailCallWithException(int n, HRESULT scode, const std::wstring& description,
                               const std::wstring& source = L"Microsoft Excel", bool deferred = false);
    // Every Range.Value put whose range holds the cell (of sheet `sheet` of workbook
    // `workbook`, or of every workbook for 0) fails with hr, or, with a description,
    // with DISP_E_EXCEPTION carrying hr as its scode; it strikes again and again
    // (not only once, unlike FailCall) until ClearFaults. Value2 puts are not failed.
    void FailCellWrite(int workbook, int sheet, const std::wstring& address, HRESULT hr,
                       const std::wstring& description = L"");
    // Every non-empty cell of a sheet, row by row, with what it holds: "A1 text \"x\"",
    // "A2 number 12" (as StoredCell). Empty when there is no such sheet.
    std::vector<std::wstring> SheetCells(int workbook, int sheet);
    // A slow Excel: every later Invoke on an Excel object of the process is carried
    // out only after this many milliseconds (0 ends it); the control channel is not slowed.
    void SetCallDelay(int milliseconds);
    // Clears the faults of FailCall, FailCallWithException and FailCellWrite.
    void ClearFaults();
    // Ends the server process (and forgets its state): an instance hosted in process,
    // and every stand-in process reachable through the control class, waiting until
    // each is gone.
    void Quit();
    // Excel going away while a client works: when the n-th Invoke after ResetCalls
    // arrives, the process ends as if killed (no answer, nothing revoked); or the
    // workbook (1-based) is closed as by the user, which disconnects every object
    // handed out for it, so clients' proxies answer RPC_E_DISCONNECTED, and call n
    // itself answers that when it is made on such an object.
    void EndProcessAtCall(int n);
    void CloseWorkbookAtCall(int n, int workbook);
    // For an instance hosted in process: when the n-th Invoke after ResetCalls arrives,
    // runs `action` on the calling thread before the call's delay, such as input the
    // user gives while Excel works. false when no instance is hosted in process.
    bool RunAtCall(int n, std::function<void()> action);
    // A busy Excel: calls to its objects are turned away with `hr` (RPC_E_CALL_REJECTED
    // through the process's message filter; any other failure, such as
    // RPC_E_SERVERCALL_RETRYLATER or 0x800AC472, from Invoke) for `milliseconds`
    // (kUntilCalm: until BeCalm), from now (fromCall 0) or from the arrival of call
    // n after ResetCalls. A turned-away call is logged ("... turned away -> 0x...")
    // and numbered, but not carried out; the control's own calls always pass.
    static constexpr int kUntilCalm = -1;
    void BeBusy(int fromCall, int milliseconds, HRESULT hr);
    void BeCalm();
    // Property puts carried out since ResetCalls (not those turned away or failed).
    int CarriedOutPuts();
    // Milliseconds from the first to the last call turned away since ResetCalls, by
    // the system's tick count.
    int TurnedAwaySpanMs();

private:
    // One call on the control channel (connecting to a running server first): a
    // DISPATCH_PROPERTYGET or DISPATCH_METHOD; its answer, nullopt when it fails.
    std::optional<Variant> Ask(DISPID member, WORD kind, exl::Arguments arguments = {});
    int GetInt(DISPID member, exl::Arguments arguments = {});
    bool GetBool(DISPID member, exl::Arguments arguments = {});
    std::wstring GetText(DISPID member, exl::Arguments arguments = {});
    // What a control member answers about one cell: workbook, sheet and address.
    std::optional<Variant> AskAboutCell(DISPID member, int workbook, int sheet, const std::wstring& address);
    static std::vector<std::wstring> SplitLines(const std::wstring& all);
    void Call(DISPID member, exl::Arguments arguments = {});
    // Connected, or connects to a server already running (never starts one).
    bool ConnectIfRunning();

    // In this order, so that the channel goes first and a hosted instance last.
    std::unique_ptr<StandinHost> hosted_;
    UniqueHandle started_;  // the process StartRunning created
    AutomationRef control_;
};

}  // namespace exl::standin
