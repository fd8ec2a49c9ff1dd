// excel-standin.exe: an out-of-process automation server that stands in for
// Microsoft Excel in tests and the demo. It answers the ProgIDs
// "Excel.Application.8" to ".16" (each with a class of its own), the
// version-independent "Excel.Application" and the control class
// "ExcelStandin.Control", all served by one process per instance.
//
// Command line
//   excel-standin.exe /regserver [N]...
//       Registers this program under HKCR for the listed versions, each a whole
//       number from 8 to 16 (all of them when none is listed), "Excel.Application"
//       with the class of the highest listed and a CurVer naming its ProgID, and the
//       control class; unlisted versions are removed.
//   excel-standin.exe /unregserver
//       Removes every version, "Excel.Application" and the control class.
//   excel-standin.exe --serve <N>
//       What a version's LocalServer32 runs: serves that version's class and the
//       control class until told to quit. COM appends "-Embedding", which is ignored.
//   excel-standin.exe --control
//       What the control class's LocalServer32 runs: the control class only.
//   excel-standin.exe --running <N> [--workbooks W]
//       An Excel already running: creates one Application, registers it in the
//       running-object table under the version's class (weakly, as Excel does), opens
//       W new workbooks (default 0) and shows its main window minimised.
//   A busy Excel, with --serve or --running (and in a registration's LocalServer32):
//     --busy <milliseconds | forever> [--busy-from-call <n>] [--busy-with <hresult>]
//       Calls to the Excel objects are turned away for that long from the start of
//       the process, or from the arrival of call n (numbered as the call log numbers
//       them); "forever" lasts until the control's BeCalm. The status is
//       RPC_E_CALL_REJECTED (0x80010001, the default), answered by the process's
//       message filter before the call runs, or any other failure (Excel's are
//       0x8001010A and 0x800AC472), answered by Invoke. The control's BeBusy does the
//       same at any time. A turned-away call is numbered and logged, not carried out.
//   Options may start with "/", "-" or "--" and are taken without regard to case.
//   Exit code 0, 1 when registering or serving fails, 2 for a bad command line (a
//   version outside 8 to 16 among them): then nothing is registered, and a message
//   goes to the standard error handle the caller gave, else to the caller's console.
//
// Served as version 12 or above, a sheet takes addresses up to XFD1048576; as 8 to
// 11 it keeps 65,536 rows and 256 columns (IV65536). Range refuses an address
// beyond them with Excel's error 1004.
//
// The main window has Excel's class "XLMAIN" and starts hidden (minimised with
// --running). Application.Visible shows or hides it and is remembered as put.
// New workbooks get the number of sheets of the DWORD "DefSheets" under
// HKCU\Software\Microsoft\Office\<v>.0\Excel\Options (3 when absent or not 1..255).
//
// Ranges and arrays: Worksheet.Range with two cells is the rectangle they span.
// Range.Value and Value2 take a single value for every cell of the range, or an
// array of VARIANTs of exactly the range's shape (rows x columns, any lower bounds;
// a one-dimensional array is one row), each element into its cell. Excel would
// fill the cells beyond a smaller array with #N/A and drop the elements beyond a
// larger one; the stand-in refuses any other shape with Excel's error 1004
// (0x800A03EC) and writes nothing, so that a shape mistake shows in the log.
//
// Values: a text put into Value or Value2, alone or as an array element, is read
// as a German Excel reads a typed text, into a number, date, time, truth value,
// formula (stored, not computed) or text, with the quote prefix of a leading
// apostrophe; CellContent.h lists what is modelled and what stays text.
//
// Call log: one line per Invoke on an Excel object, in order, numbered from the
// last ResetCalls (the numbers FailCall counts):
//   <Kind>.<Member> <flags>[ <argument>]...[ -> 0x<HRESULT>]
//   Kind     Application, Workbooks, Workbook, Sheets, Worksheet, Range
//   Member   Excel's name for the DISPID, or "#<dispid>" for one not served
//   flags    method, get, put, putref, joined by "|" when several are set
//            (e.g. "method|get"); "none" when no flag is set
//   arguments, positional ones in the caller's order (the reverse of rgvarg),
//            then named ones other than DISPID_PROPERTYPUT as "#<dispid>=<arg>",
//            then a property put's value:
//            VT_BSTR "text"  (\\ \" \n \r \t and \xHH escaped, so a line never breaks)
//            VT_I2 I2:<n>   VT_I4 I4:<n>   VT_BOOL true | false (other values BOOL:<n>)
//            VT_ERROR DISP_E_PARAMNOTFOUND missing, other VT_ERROR ERROR:0x<scode>
//            VT_EMPTY empty   VT_DISPATCH dispatch   VT_BYREF|VT_VARIANT &<arg>
//            VT_ARRAY|VT_VARIANT array <rows>x<columns> (one number for one
//            dimension), followed by " from <lower>,<lower>" when a lower bound is
//            not 1; other element types array:VT<n> ...; a null array "array null";
//            by reference &array ...; the elements themselves are not shown
//            any other type VT<n> (by reference &VT<n>)
//   failure  " -> 0x" and the HRESULT Invoke returned, eight upper-case hex digits;
//            " turned away -> 0x..." for a call turned away while busy. The message
//            filter turns a call away before its arguments are read: that line is
//            "<Kind> turned away -> 0x80010001".
// Examples:
//   Application.Visible put true
//   Worksheet.Range get "B5" "B5"
//   Range.Value put "Anzahl"
//   Sheets.Item get I2:4 -> 0x8002000B
//   Worksheet.Range get "IW1" "IW1" -> 0x80020009
//   Worksheet.Range get "A2" "A5"
//   Range.Value put array 4x1
//   Range.Value2 put &array 4x1 from 0,0
//   Range.Value put "Anzahl" turned away -> 0x8001010A
//   Range turned away -> 0x80010001
#include <windows.h>
#include <objbase.h>
#include <ole2.h>
#include <oleauto.h>
#include <shellapi.h>

#include <cwchar>
#include <optional>
#include <string>
#include <vector>

#include "BusyPlan.h"
#include "Registration.h"
#include "StandinHost.h"
#include "StandinIds.h"
#include "Text.h"

namespace exl::standin {
namespace {

enum class Mode { Register, Unregister, Serve, Control, Running, Invalid };

struct Options {
    Mode mode = Mode::Invalid;
    int version = 0;
    int workbooks = 0;
    std::vector<int> versions;
    // A busy time the process starts with.
    std::optional<DWORD> busyMilliseconds;
    std::optional<int> busyFromCall;
    std::optional<HRESULT> busyStatus;
    std::wstring error;  // why the command line is refused
};

constexpr wchar_t kUsage[] =
    L"usage: excel-standin.exe /regserver [N]... | /unregserver | --serve N | --running N [--workbooks W] | "
    L"--control   (N: an Excel version from 8 to 16); with --serve and --running: --busy <milliseconds | forever> "
    L"[--busy-from-call <n>] [--busy-with <hresult>]";

// "/name", "-name" or "--name", without regard to case as Windows programs take
// their switches ("/RegServer").
bool IsOption(const std::wstring& argument, const wchar_t* name) {
    if (argument.size() < 2 || (argument[0] != L'/' && argument[0] != L'-')) return false;
    size_t dashes = argument.compare(0, 2, L"--") == 0 ? 2 : 1;
    return EqualsNoCase(argument.substr(dashes), name);
}

bool ParseNumber(const std::wstring& text, int& value) {
    if (text.empty() || text.size() > 4 || text.find_first_not_of(L"0123456789") != std::wstring::npos) return false;
    value = std::stoi(text);
    return true;
}

// Up to 9 digits (a little over 11 days), or "forever".
bool ParseMilliseconds(const std::wstring& text, DWORD& milliseconds) {
    if (EqualsNoCase(text, L"forever")) {
        milliseconds = BusyPlan::kUntilCalm;
        return true;
    }
    if (text.empty() || text.size() > 9 || text.find_first_not_of(L"0123456789") != std::wstring::npos) return false;
    milliseconds = static_cast<DWORD>(std::stoul(text));
    return true;
}

// A failure status, as "0x80010001" or in decimal.
bool ParseFailure(const std::wstring& text, HRESULT& status) {
    const bool hex = text.size() > 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X');
    const std::wstring digits = hex ? text.substr(2) : text;
    if (digits.empty() || digits.size() > (hex ? 8u : 10u) ||
        digits.find_first_not_of(hex ? L"0123456789abcdefABCDEF" : L"0123456789") != std::wstring::npos)
        return false;
    const unsigned long long value = std::wcstoull(digits.c_str(), nullptr, hex ? 16 : 10);
    status = static_cast<HRESULT>(static_cast<unsigned long>(value));
    return value <= 0xFFFFFFFFull && FAILED(status);
}

Options Refused(const std::wstring& error) {
    Options refused;
    refused.error = error;
    return refused;
}

// A whole number from 8 to 16, the versions served.
bool ParseVersion(const std::wstring& text, int& version) {
    return ParseNumber(text, version) && ApplicationClsid(version);
}

std::wstring NotAVersion(const std::wstring& text) {
    return L"\"" + text + L"\" is no Excel version served here (a whole number from 8 to 16)";
}

Options ParseOptions(const std::vector<std::wstring>& arguments) {
    Options options;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        const std::wstring value = i + 1 < arguments.size() ? arguments[i + 1] : L"";
        int number = 0;
        if (IsOption(argument, L"regserver")) {
            options.mode = Mode::Register;
        } else if (IsOption(argument, L"unregserver")) {
            options.mode = Mode::Unregister;
        } else if (IsOption(argument, L"serve") || IsOption(argument, L"running")) {
            if (!ParseVersion(value, options.version)) return Refused(argument + L": " + NotAVersion(value));
            options.mode = IsOption(argument, L"serve") ? Mode::Serve : Mode::Running;
            ++i;
        } else if (IsOption(argument, L"workbooks")) {
            if (!ParseNumber(value, options.workbooks))
                return Refused(argument + L": \"" + value + L"\" is no number of workbooks");
            ++i;
        } else if (IsOption(argument, L"busy")) {
            DWORD milliseconds = 0;
            if (!ParseMilliseconds(value, milliseconds))
                return Refused(argument + L": \"" + value + L"\" is no time in milliseconds nor \"forever\"");
            options.busyMilliseconds = milliseconds;
            ++i;
        } else if (IsOption(argument, L"busy-from-call")) {
            if (!ParseNumber(value, number) || number < 1)
                return Refused(argument + L": \"" + value + L"\" is no call number");
            options.busyFromCall = number;
            ++i;
        } else if (IsOption(argument, L"busy-with")) {
            HRESULT status = S_OK;
            if (!ParseFailure(value, status)) return Refused(argument + L": \"" + value + L"\" is no failure status");
            options.busyStatus = status;
            ++i;
        } else if (IsOption(argument, L"control")) {
            options.mode = Mode::Control;
        } else if (IsOption(argument, L"Embedding") || IsOption(argument, L"Automation")) {
            // Added by COM when it starts a local server.
        } else if (options.mode == Mode::Register) {
            if (!ParseVersion(argument, number)) return Refused(L"/regserver: " + NotAVersion(argument));
            options.versions.push_back(number);
        } else {
            return Refused(L"unknown argument \"" + argument + L"\"");
        }
    }
    if (options.mode == Mode::Invalid) return Refused(L"no command given");
    const bool busyRefined = options.busyFromCall || options.busyStatus;
    if (busyRefined && !options.busyMilliseconds) return Refused(L"--busy-from-call and --busy-with need --busy");
    if (options.busyMilliseconds && options.mode != Mode::Serve && options.mode != Mode::Running)
        return Refused(L"--busy is for --serve and --running");
    if (options.mode == Mode::Register && options.versions.empty())
        for (int version = kFirstVersion; version <= kLastVersion; ++version) options.versions.push_back(version);
    return options;
}

bool IsUsable(HANDLE handle) { return handle && handle != INVALID_HANDLE_VALUE; }

// A GUI program has no console of its own: the message goes to the standard error
// handle the caller gave (a pipe, a file, Wine's terminal), else to the console of
// the program that started this one, if it has one.
void TellUser(const std::wstring& message) {
    const std::wstring text = L"excel-standin: " + message + L"\r\n" + kUsage + L"\r\n";
    HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    DWORD written = 0;
    if (IsUsable(error)) {
        int size = WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                       nullptr);
        std::string bytes(static_cast<size_t>(size), '\0');
        WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), &bytes[0], size, nullptr, nullptr);
        WriteFile(error, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        return;
    }
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
    HANDLE console = CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
    if (IsUsable(console)) {
        WriteConsoleW(console, text.c_str(), static_cast<DWORD>(text.size()), &written, nullptr);
        CloseHandle(console);
    }
    FreeConsole();
}

std::wstring ModulePath() {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) return std::wstring(path.data(), length);
        path.resize(path.size() * 2);
    }
}

// Busy from the start, before any client can reach the process.
void StartBusy(const Options& options, BusyPlan& busy) {
    if (!options.busyMilliseconds) return;
    const HRESULT status = options.busyStatus.value_or(RPC_E_CALL_REJECTED);
    if (options.busyFromCall)
        busy.BusyFromCall(*options.busyFromCall, *options.busyMilliseconds, status);
    else
        busy.BusyFor(*options.busyMilliseconds, status);
}

int Serve(const Options& options) {
    StandinHost host(options.mode == Mode::Control ? 0 : options.version, true);
    StartBusy(options, host.State().Busy());
    bool ok = host.RegisterClasses();
    if (ok && options.mode == Mode::Running) ok = host.RunAsActive(options.workbooks);
    ok = ok && host.PublishControl();
    if (!ok) return 1;
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}

}  // namespace
}  // namespace exl::standin

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    using namespace exl::standin;
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::wstring> arguments;
    for (int i = 1; argv && i < count; ++i) arguments.emplace_back(argv[i]);
    LocalFree(argv);
    Options options = ParseOptions(arguments);
    switch (options.mode) {
    case Mode::Register: return RegisterServer(ModulePath(), options.versions) ? 0 : 1;
    case Mode::Unregister: return UnregisterServer() ? 0 : 1;
    case Mode::Invalid: TellUser(options.error); return 2;
    default: break;
    }
    if (FAILED(OleInitialize(nullptr))) return 1;
    int exitCode = Serve(options);
    OleUninitialize();
    return exitCode;
}
