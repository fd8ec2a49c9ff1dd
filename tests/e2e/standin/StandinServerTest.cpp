// excel-standin.exe through its ProgIDs, as the plug-in reaches Excel: registration
// subsets, the running-object table, Excel's twelve operations with their argument
// shapes, failures, fault injection, reference counting and workbook files.
#include <windows.h>
#include <objbase.h>
#include <ole2.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "Scratch.h"
#include "StandinClient.h"
#include "StandinIds.h"
#include "framework/Automation.h"
#include "framework/Raii.h"
#include "framework/Variant.h"

namespace exl::test {
namespace {

using standin::StandinClient;

// Excel's dispatch identifiers, written out here so that a wrong number in the
// stand-in fails the test.
enum : DISPID {
    kValue = 6,
    kCount = 118,
    kItem = 170,
    kAdd = 181,
    kRange = 197,
    kSelect = 235,
    kActiveWorkbook = 308,
    kSheets = 485,
    kVisible = 558,
    kWorkbooks = 572,
    kOpen = 682,
    kValue2 = 1388,
};
constexpr HRESULT kExcelError = static_cast<HRESULT>(0x800A03EC);

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

HRESULT ClsidOf(const wchar_t* progId, CLSID& clsid) { return CLSIDFromProgID(progId, &clsid); }

// A new object of the class, and the status of the creation.
UniqueCom<IUnknown> CreateObject(const CLSID& clsid, DWORD context, HRESULT& status) {
    IUnknown* created = nullptr;
    status = CoCreateInstance(clsid, nullptr, context, IID_IUnknown, reinterpret_cast<void**>(&created));
    return UniqueCom<IUnknown>(created);
}

// The object's IDispatch, or an empty reference.
AutomationRef DispatchOf(IUnknown& object) {
    IDispatch* dispatch = nullptr;
    object.QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
    return AutomationRef(dispatch);
}

// Starts a new instance the way the plug-in does: class lookup, creation with the
// remote context and without it on E_INVALIDARG, OleRun, IDispatch.
AutomationRef CreateExcel(const wchar_t* progId) {
    CLSID clsid{};
    if (FAILED(ClsidOf(progId, clsid))) return {};
    const DWORD contexts = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER;
    HRESULT status = S_OK;
    UniqueCom<IUnknown> unknown = CreateObject(clsid, contexts | CLSCTX_REMOTE_SERVER, status);
    if (status == E_INVALIDARG) unknown = CreateObject(clsid, contexts, status);
    if (FAILED(status) || !unknown || FAILED(OleRun(unknown.get()))) return {};
    return DispatchOf(*unknown);
}

// Attaches to a running instance as the plug-in does: GetActiveObject, then IDispatch.
AutomationRef ActiveExcel(const CLSID& clsid) {
    IUnknown* active = nullptr;
    if (FAILED(GetActiveObject(clsid, nullptr, &active))) return {};
    const UniqueCom<IUnknown> running(active);
    return DispatchOf(*running);
}

long LongOf(const InvokeAnswer& answer) {
    EXPECT_EQ(answer.status, S_OK);
    EXPECT_EQ(answer.result.Type(), VT_I4);
    return answer.result.Type() == VT_I4 ? answer.result.Get().lVal : -1;
}

std::wstring DescriptionOf(const InvokeAnswer& answer) { return BstrToWide(answer.exception.info.bstrDescription); }
std::wstring SourceOf(const InvokeAnswer& answer) { return BstrToWide(answer.exception.info.bstrSource); }

bool ProcessEnded(DWORD id) {
    const UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, id));
    return !process || WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0;
}

std::wstring OptionsKey(int version) {
    return L"Software\\Microsoft\\Office\\" + std::to_wstring(version) + L".0\\Excel\\Options";
}

void SetDefSheets(int version, DWORD type, const void* data, DWORD size) {
    HKEY created = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, OptionsKey(version).c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                              &created, nullptr),
              ERROR_SUCCESS);
    const UniqueRegKey options(created);
    RegSetValueExW(options.get(), L"DefSheets", 0, type, static_cast<const BYTE*>(data), size);
}

void SetDefSheets(int version, DWORD count) { SetDefSheets(version, REG_DWORD, &count, sizeof count); }

void ClearDefSheets() {
    for (int version : {8, 9, 10}) {
        HKEY opened = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, OptionsKey(version).c_str(), 0, KEY_SET_VALUE, &opened) != ERROR_SUCCESS)
            continue;
        const UniqueRegKey options(opened);
        RegDeleteValueW(options.get(), L"DefSheets");
    }
}

// A SAFEARRAY of VT_BSTR VARIANTs: rows x columns with both lower bounds `lower`,
// or, with oneDimension, the first row alone as one dimension.
SafeArray TextArray(const std::vector<std::vector<std::wstring>>& rows, LONG lower, bool oneDimension) {
    const ULONG columns = static_cast<ULONG>(rows[0].size());
    SAFEARRAYBOUND bounds[2] = {{static_cast<ULONG>(rows.size()), lower}, {columns, lower}};
    SafeArray array(oneDimension ? SafeArrayCreate(VT_VARIANT, 1, &bounds[1]) : SafeArrayCreate(VT_VARIANT, 2, bounds));
    for (LONG row = 0; row < static_cast<LONG>(rows.size()); ++row) {
        for (LONG column = 0; column < static_cast<LONG>(columns); ++column) {
            const Variant text = Variant::Text(rows[row][column]);
            LONG index[2] = {lower + row, lower + column};
            if (oneDimension) index[0] = index[1];
            // The array keeps a copy of the element.
            EXPECT_EQ(SafeArrayPutElement(array.Get(), index, const_cast<VARIANT*>(&text.Get())), S_OK);
        }
    }
    return array;
}

class StandinServer : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
        client_.Quit();  // whatever an earlier, failed test left running
        ClearDefSheets();
        ASSERT_TRUE(StandinClient::Register({8, 9, 10}));
    }

    void TearDown() override {
        client_.Quit();
        ClearDefSheets();
        EXPECT_TRUE(StandinClient::Unregister());
        OleUninitialize();
    }

    // A new Excel of the version, and the control channel to its process.
    AutomationRef Start(int version) {
        AutomationRef excel = CreateExcel((L"Excel.Application." + std::to_wstring(version)).c_str());
        EXPECT_FALSE(excel.Empty());
        EXPECT_TRUE(client_.Connect());
        EXPECT_EQ(client_.Version(), version);
        return excel;
    }

    AutomationRef AddWorkbook(const AutomationRef& excel) {
        const AutomationRef workbooks(GetDispatchProperty(excel, kWorkbooks));
        const Variant missing = Variant::Missing();
        return AutomationRef(CallDispatchMethod(workbooks, kAdd, {&missing}));
    }

    AutomationRef Sheet(const AutomationRef& workbook, short index) {
        const AutomationRef sheets(GetDispatchProperty(workbook, kSheets));
        const Variant item = Variant::Int16(index);
        return AutomationRef(GetDispatchProperty(sheets, kItem, {&item}));
    }

    InvokeAnswer Range(const AutomationRef& sheet, const std::wstring& address) {
        const Variant cell = Variant::Text(address);
        return InvokeOnce(sheet, kRange, DISPATCH_PROPERTYGET, {&cell, &cell});
    }

    // Writes a cell as the sheet writer does: Range, then Value and Value2 puts.
    void WriteCell(const AutomationRef& sheet, const std::wstring& address, const std::wstring& text) {
        InvokeAnswer range = Range(sheet, address);
        ASSERT_EQ(range.status, S_OK) << testing::PrintToString(address);
        const AutomationRef cells(range.result.DetachDispatch());
        const Variant value = Variant::Text(text);
        EXPECT_EQ(InvokeOnce(cells, kValue, DISPATCH_PROPERTYPUT, {}, &value).status, S_OK);
        EXPECT_EQ(InvokeOnce(cells, kValue2, DISPATCH_PROPERTYPUT, {}, &value).status, S_OK);
    }

    StandinClient client_;
};

std::wstring ProgIdOf(int version) { return L"Excel.Application." + std::to_wstring(version); }

// The default value of a key under HKCR; "(none)" when the key is missing.
std::wstring ClassesValue(const std::wstring& key) {
    wchar_t value[1024] = {};
    LONG size = sizeof value;
    if (RegQueryValueW(HKEY_CLASSES_ROOT, key.c_str(), value, &size) != ERROR_SUCCESS) return L"(none)";
    return value;
}

std::wstring ClsidText(const CLSID& clsid) {
    wchar_t text[40] = {};
    StringFromGUID2(clsid, text, 40);
    return text;
}

TEST_F(StandinServer, RegistersExactlyTheChosenVersionsAndCurVerNamesTheHighest) {
    struct Case {
        std::vector<int> versions;
        int highest;  // 0: "Excel.Application" is gone
    } cases[] = {{{9}, 9}, {{8, 10}, 10}, {{16}, 16}, {{16, 10}, 16}, {{11, 12, 13, 14, 15}, 15}, {{}, 0},
                 {{8, 9, 10}, 10}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.versions));
        ASSERT_TRUE(StandinClient::Register(c.versions));
        for (int version = 8; version <= 16; ++version) {
            bool wanted = std::find(c.versions.begin(), c.versions.end(), version) != c.versions.end();
            CLSID clsid{};
            HRESULT status = ClsidOf(ProgIdOf(version).c_str(), clsid);
            EXPECT_EQ(SUCCEEDED(status), wanted) << "version " << version;
            const CLSID& own = *standin::ApplicationClsid(version);
            if (wanted) {
                EXPECT_TRUE(IsEqualCLSID(clsid, own)) << version;
            }
            // The class itself is gone too, so creating by class id fails without starting anything.
            if (!wanted) {
                CreateObject(own, CLSCTX_LOCAL_SERVER, status);
                EXPECT_EQ(status, REGDB_E_CLASSNOTREG) << version;
            }
        }
        EXPECT_EQ(ClassesValue(L"Excel.Application\\CurVer"), c.highest ? ProgIdOf(c.highest) : L"(none)");
        EXPECT_EQ(ClassesValue(L"Excel.Application\\CLSID"),
                  c.highest ? ClsidText(*standin::ApplicationClsid(c.highest)) : L"(none)");
        CLSID control{};
        EXPECT_EQ(ClsidOf(standin::kControlProgId, control), S_OK);
    }
    // Every version has a class of its own.
    for (int version = 8; version <= 16; ++version)
        for (int other = version + 1; other <= 16; ++other)
            EXPECT_FALSE(IsEqualCLSID(*standin::ApplicationClsid(version), *standin::ApplicationClsid(other)));
    EXPECT_FALSE(StandinClient::Register({9, 17}));
    EXPECT_FALSE(StandinClient::Register({7}));
    EXPECT_EQ(ClassesValue(L"Excel.Application\\CurVer"), L"Excel.Application.10") << "a refused list changed it";
    ASSERT_TRUE(StandinClient::WriteCurVer(L"abc"));
    EXPECT_EQ(ClassesValue(L"Excel.Application\\CurVer"), L"abc");
    ASSERT_TRUE(StandinClient::WriteCurVer(std::nullopt));
    EXPECT_EQ(ClassesValue(L"Excel.Application\\CurVer"), L"(none)");
    ASSERT_TRUE(StandinClient::Unregister());
    CLSID clsid{};
    for (int version = 8; version <= 16; ++version) EXPECT_TRUE(FAILED(ClsidOf(ProgIdOf(version).c_str(), clsid)));
    EXPECT_TRUE(FAILED(ClsidOf(L"Excel.Application", clsid)));
    EXPECT_TRUE(FAILED(ClsidOf(standin::kControlProgId, clsid)));
}

// Runs excel-standin.exe with the arguments and answers its exit code; what it
// writes to its standard error goes to `errors`.
DWORD RunServer(const std::wstring& arguments, std::string* errors = nullptr) {
    std::wstring command = L"\"" + StandinClient::ServerPath() + L"\" " + arguments;
    ScratchDirectory scratch(false);
    const std::string errorFile = scratch.File("stderr.txt");
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    UniqueHandle error(
        CreateFileA(errorFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdError = error.get();
    PROCESS_INFORMATION process{};
    const BOOL started =
        CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    error.reset();  // the server has its own; ours would keep the file from being read
    if (!started) return 0xFFFFFFFF;
    const UniqueHandle thread(process.hThread), server(process.hProcess);
    DWORD code = 0xFFFFFFFE;
    if (WaitForSingleObject(server.get(), 30000) == WAIT_OBJECT_0)
        GetExitCodeProcess(server.get(), &code);
    else
        TerminateProcess(server.get(), 0xFFFFFFFD);
    if (errors) *errors = ReadFile(errorFile);
    return code;
}

std::wstring LocalServer(const CLSID& clsid) {
    return ClassesValue(L"CLSID\\" + ClsidText(clsid) + L"\\LocalServer32");
}

TEST_F(StandinServer, CommandLineRegistersAndRefusesBadOptions) {
    ASSERT_TRUE(StandinClient::Unregister());
    ASSERT_EQ(RunServer(L"/regserver 9 10"), 0u);
    CLSID clsid{};
    EXPECT_TRUE(FAILED(ClsidOf(L"Excel.Application.8", clsid)));
    EXPECT_EQ(ClsidOf(L"Excel.Application.9", clsid), S_OK);
    EXPECT_EQ(ClsidOf(L"Excel.Application.10", clsid), S_OK);
    EXPECT_EQ(ClsidOf(standin::kControlProgId, clsid), S_OK);
    std::wstring quoted = L"\"" + StandinClient::ServerPath() + L"\"";
    EXPECT_EQ(LocalServer(standin::kClsidExcel9), quoted + L" --serve 9");
    EXPECT_EQ(LocalServer(standin::kClsidExcel10), quoted + L" --serve 10");
    EXPECT_EQ(LocalServer(standin::kClsidControl), quoted + L" --control");
    EXPECT_EQ(LocalServer(standin::kClsidExcel8), L"(none)");

    EXPECT_EQ(RunServer(L"/unregserver"), 0u);
    for (const wchar_t* progId :
         {L"Excel.Application.8", L"Excel.Application.9", L"Excel.Application.10", standin::kControlProgId})
        EXPECT_TRUE(FAILED(ClsidOf(progId, clsid))) << testing::PrintToString(std::wstring(progId));
    EXPECT_EQ(RunServer(L"-RegServer"), 0u);  // no version named: all of them
    EXPECT_EQ(ClsidOf(L"Excel.Application.8", clsid), S_OK);
    EXPECT_EQ(LocalServer(standin::kClsidExcel16), quoted + L" --serve 16");
    EXPECT_EQ(ClassesValue(L"Excel.Application\\CurVer"), L"Excel.Application.16");
    ASSERT_EQ(RunServer(L"/regserver 9"), 0u);

    struct Case {
        const wchar_t* arguments;
        const char* told;  // part of the message on standard error
    } cases[] = {
        {L"", "no command given"},
        {L"--serve 17", "--serve: \"17\" is no Excel version served here (a whole number from 8 to 16)"},
        {L"--serve 7", "--serve: \"7\" is no Excel version"},
        {L"--serve", "--serve: \"\" is no Excel version"},
        {L"--running 17", "--running: \"17\" is no Excel version"},
        {L"--running 9 --workbooks x", "--workbooks: \"x\" is no number of workbooks"},
        {L"--bogus", "unknown argument \"--bogus\""},
        {L"/regserver 16 17", "/regserver: \"17\" is no Excel version"},
        {L"/regserver 7", "/regserver: \"7\" is no Excel version"},
        {L"/regserver 1x", "/regserver: \"1x\" is no Excel version"},
        {L"--serve 10 --busy soon", "--busy: \"soon\" is no time in milliseconds nor \"forever\""},
        {L"--serve 10 --busy", "--busy: \"\" is no time"},
        {L"--serve 10 --busy 100 --busy-from-call 0", "--busy-from-call: \"0\" is no call number"},
        {L"--serve 10 --busy 100 --busy-with 5", "--busy-with: \"5\" is no failure status"},
        {L"--serve 10 --busy 100 --busy-with 0x1234567890", "--busy-with: \"0x1234567890\" is no failure status"},
        {L"--serve 10 --busy-with 0x80010001", "--busy-from-call and --busy-with need --busy"},
        {L"/regserver 9 --busy 100", "--busy is for --serve and --running"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.arguments)));
        std::string errors;
        EXPECT_EQ(RunServer(c.arguments, &errors), 2u);
        EXPECT_NE(errors.find(std::string("excel-standin: ") + c.told), std::string::npos) << errors;
        EXPECT_NE(errors.find("usage: excel-standin.exe"), std::string::npos);
    }
    // A refused registration changed nothing.
    EXPECT_EQ(ClsidOf(L"Excel.Application.9", clsid), S_OK);
    EXPECT_TRUE(FAILED(ClsidOf(L"Excel.Application.16", clsid)));
    EXPECT_EQ(ClassesValue(L"Excel.Application\\CurVer"), L"Excel.Application.9");
}

TEST_F(StandinServer, ABusyProcessTurnsAwayOnlyTheCallsToItsExcelObjects) {
    AutomationRef excel = Start(10);
    AutomationRef workbook = AddWorkbook(excel);
    AutomationRef sheet = Sheet(workbook, 1);
    struct Case {
        HRESULT status;
        const wchar_t* logged;
    } cases[] = {
        // Refused by the process's message filter before the arguments are read.
        {RPC_E_CALL_REJECTED, L"Worksheet turned away -> 0x80010001"},
        {RPC_E_SERVERCALL_RETRYLATER, L"Worksheet.Range get \"A1\" \"A1\" turned away -> 0x8001010A"},
        {static_cast<HRESULT>(0x800AC472), L"Worksheet.Range get \"A1\" \"A1\" turned away -> 0x800AC472"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        client_.ResetCalls();
        client_.BeBusy(0, StandinClient::kUntilCalm, c.status);
        InvokeAnswer range = Range(sheet, L"A1");
        EXPECT_EQ(range.status, c.status);
        EXPECT_EQ(range.result.Type(), VT_EMPTY);
        // Attaching a client and counting its references are COM's own calls: they pass.
        AutomationRef another = CreateExcel(L"Excel.Application.10");
        ASSERT_FALSE(another.Empty());
        EXPECT_EQ(client_.LiveObjects(L"Application"), 2);
        another.Release();
        EXPECT_EQ(client_.LiveObjects(L"Application"), 1);
        EXPECT_EQ(client_.LiveObjects(L"Range"), 0);
        EXPECT_EQ(client_.Calls(), std::vector<std::wstring>{c.logged});
        EXPECT_EQ(client_.CarriedOutPuts(), 0);

        client_.BeCalm();
        WriteCell(sheet, L"A1", L"eins");
        EXPECT_EQ(client_.CarriedOutPuts(), 2);
        EXPECT_EQ(client_.CallCount(), 4);
    }
}

TEST_F(StandinServer, ARegistrationCanStartEveryProcessBusy) {
    struct Case {
        const wchar_t* options;
        std::vector<HRESULT> firstCalls;  // the statuses of three Visible puts in a row
        DWORD pauseBeforeThird;
    } cases[] = {
        {L"--busy forever --busy-with 0x8001010A",
         {RPC_E_SERVERCALL_RETRYLATER, RPC_E_SERVERCALL_RETRYLATER, RPC_E_SERVERCALL_RETRYLATER}, 0},
        {L"--busy 300 --busy-from-call 2", {S_OK, RPC_E_CALL_REJECTED, S_OK}, 400},
    };
    const std::wstring quoted = L"\"" + StandinClient::ServerPath() + L"\"";
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.options)));
        client_.Quit();
        ASSERT_TRUE(StandinClient::Register({10}, c.options));
        EXPECT_EQ(LocalServer(standin::kClsidExcel10), quoted + L" --serve 10 " + c.options);
        AutomationRef excel = Start(10);
        ASSERT_FALSE(excel.Empty());
        const Variant yes = Variant::Boolean(true);
        std::vector<HRESULT> statuses;
        for (int call = 1; call <= 3; ++call) {
            if (call == 3) Sleep(c.pauseBeforeThird);
            statuses.push_back(InvokeOnce(excel, kVisible, DISPATCH_PROPERTYPUT, {}, &yes).status);
        }
        EXPECT_EQ(statuses, c.firstCalls);
        EXPECT_EQ(client_.CarriedOutPuts(),
                  static_cast<int>(std::count(c.firstCalls.begin(), c.firstCalls.end(), S_OK)));
        client_.BeCalm();
        EXPECT_EQ(InvokeOnce(excel, kVisible, DISPATCH_PROPERTYPUT, {}, &yes).status, S_OK);
        EXPECT_TRUE(client_.IsVisible());
    }
}

TEST_F(StandinServer, ServedAsTodaysExcelASheetReachesXfd1048576AndAsXpIv65536) {
    struct Case {
        int version;
        bool today;
    } cases[] = {{10, false}, {16, true}};
    ASSERT_TRUE(StandinClient::Register({10, 16}));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        AutomationRef excel = Start(c.version);
        AutomationRef workbook = AddWorkbook(excel);
        AutomationRef sheet = Sheet(workbook, 1);
        for (const wchar_t* address : {L"A65537", L"IW1", L"XFD1048576"}) {
            InvokeAnswer range = Range(sheet, address);
            EXPECT_EQ(range.status, c.today ? S_OK : DISP_E_EXCEPTION) << testing::PrintToString(std::wstring(address));
            if (!c.today) {
                EXPECT_EQ(range.exception.info.scode, kExcelError);
            }
        }
        if (c.today) {
            WriteCell(sheet, L"A65537", L"jenseits von 2003");
            EXPECT_EQ(client_.Cell(1, 1, L"A65537"), L"jenseits von 2003");
        }
        for (const wchar_t* address : {L"A1048577", L"XFE1"})
            EXPECT_EQ(Range(sheet, address).exception.info.scode, kExcelError);
        sheet.Release();
        workbook.Release();
        excel.Release();
        client_.Quit();
    }
}

TEST_F(StandinServer, AnswersTheTwelveOperationsWithExcelsMeanings) {
    AutomationRef excel = Start(9);
    EXPECT_EQ(client_.ApplicationCount(), 1);
    // Excel's main window exists but stays hidden until Visible is put.
    HWND window = FindWindowA("XLMAIN", nullptr);
    EXPECT_NE(window, nullptr);
    EXPECT_FALSE(client_.MainWindowShown());
    EXPECT_FALSE(client_.IsVisible());

    const Variant yes = Variant::Boolean(true);
    EXPECT_EQ(InvokeOnce(excel, kVisible, DISPATCH_PROPERTYPUT, {}, &yes).status, S_OK);
    EXPECT_TRUE(client_.IsVisible());
    EXPECT_TRUE(client_.MainWindowShown());

    AutomationRef workbooks(GetDispatchProperty(excel, kWorkbooks));
    EXPECT_EQ(LongOf(InvokeOnce(workbooks, kCount, DISPATCH_PROPERTYGET)), 0);
    InvokeAnswer none = InvokeOnce(excel, kActiveWorkbook, DISPATCH_PROPERTYGET);
    EXPECT_EQ(none.status, S_OK);
    EXPECT_TRUE(none.result.Type() == VT_EMPTY || (none.result.Type() == VT_DISPATCH && !none.result.Get().pdispVal));

    const Variant missing = Variant::Missing();
    AutomationRef workbook(CallDispatchMethod(workbooks, kAdd, {&missing}));
    EXPECT_EQ(LongOf(InvokeOnce(workbooks, kCount, DISPATCH_PROPERTYGET)), 1);
    AutomationRef active(GetDispatchProperty(excel, kActiveWorkbook));
    AutomationRef sheets(GetDispatchProperty(active, kSheets));
    EXPECT_EQ(LongOf(InvokeOnce(sheets, kCount, DISPATCH_PROPERTYGET)), 3);  // no DefSheets: 3
    const Variant two = Variant::Int16(2), three = Variant::Int32(3);
    AutomationRef second(GetDispatchProperty(sheets, kItem, {&two}));
    AutomationRef third(GetDispatchProperty(sheets, kItem, {&three}));
    EXPECT_EQ(client_.ActiveSheet(1), 1);
    EXPECT_EQ(InvokeOnce(second, kSelect, DISPATCH_METHOD).status, S_OK);
    EXPECT_EQ(client_.ActiveSheet(1), 2);
    EXPECT_EQ(client_.ActiveSheet(2), -1);
    WriteCell(second, L"B5", L"\u00c4pfel & \"Birnen\"");
    WriteCell(third, L"IV65536", L"Ecke");
    WriteCell(second, L"C1", L"gel\u00f6scht");
    WriteCell(second, L"C1", L"");  // an empty text empties the cell

    EXPECT_EQ(client_.WorkbookCount(), 1);
    EXPECT_EQ(client_.SheetCount(1), 3);
    EXPECT_EQ(client_.SheetCount(2), -1);
    EXPECT_EQ(client_.Cell(1, 2, L"B5"), L"\u00c4pfel & \"Birnen\"");
    EXPECT_EQ(client_.Cell(1, 3, L"IV65536"), L"Ecke");
    EXPECT_TRUE(client_.HasCell(1, 2, L"B5"));
    EXPECT_FALSE(client_.HasCell(1, 2, L"C1"));
    EXPECT_FALSE(client_.HasCell(1, 1, L"B5"));
    EXPECT_EQ(client_.WorkbookSource(1), L"");
    EXPECT_EQ(client_.ActiveWorkbook(), 1);

    std::vector<std::wstring> expected{
        L"Application.Visible put true",
        L"Application.Workbooks get",
        L"Workbooks.Count get",
        L"Application.ActiveWorkbook get",
        L"Workbooks.Add method missing",
        L"Workbooks.Count get",
        L"Application.ActiveWorkbook get",
        L"Workbook.Sheets get",
        L"Sheets.Count get",
        L"Sheets.Item get I2:2",
        L"Sheets.Item get I4:3",
        L"Worksheet.Select method",
        L"Worksheet.Range get \"B5\" \"B5\"",
        L"Range.Value put \"\u00c4pfel & \\\"Birnen\\\"\"",
        L"Range.Value2 put \"\u00c4pfel & \\\"Birnen\\\"\"",
        L"Worksheet.Range get \"IV65536\" \"IV65536\"",
        L"Range.Value put \"Ecke\"",
        L"Range.Value2 put \"Ecke\"",
        L"Worksheet.Range get \"C1\" \"C1\"",
        L"Range.Value put \"gel\u00f6scht\"",
        L"Range.Value2 put \"gel\u00f6scht\"",
        L"Worksheet.Range get \"C1\" \"C1\"",
        L"Range.Value put \"\"",
        L"Range.Value2 put \"\"",
    };
    EXPECT_EQ(client_.Calls(), expected);
    EXPECT_EQ(client_.CallCount(), static_cast<int>(expected.size()));

    // Workbooks.Open takes the file name and twelve missing arguments.
    const Variant path = Variant::Text(L"Z:\\nirgends\\vorlage.xlsx");
    client_.ResetCalls();
    InvokeAnswer opened = InvokeOnce(workbooks, kOpen, DISPATCH_METHOD,
                                     {&path, &missing, &missing, &missing, &missing, &missing, &missing, &missing,
                                      &missing, &missing, &missing, &missing, &missing});
    EXPECT_EQ(opened.status, DISP_E_EXCEPTION);
    std::wstring line = L"Workbooks.Open method " + StandinClient::Quote(L"Z:\\nirgends\\vorlage.xlsx");
    for (int i = 0; i < 12; ++i) line += L" missing";
    EXPECT_EQ(client_.Calls(), std::vector<std::wstring>{line + L" -> 0x80020009"});

    // Every object the test took counts until it lets go; the workbook stays.
    EXPECT_EQ(client_.LiveObjects(), 7);
    EXPECT_EQ(client_.LiveObjects(L"Worksheet"), 2);
    EXPECT_EQ(client_.LiveObjects(L"Workbook"), 2);
    EXPECT_EQ(client_.LiveObjects(L"Range"), 0);
    third.Release();
    second.Release();
    sheets.Release();
    active.Release();
    workbook.Release();
    workbooks.Release();
    EXPECT_EQ(client_.LiveObjects(L"Application"), 1);
    excel.Release();
    EXPECT_EQ(client_.LiveObjects(), 0);
    EXPECT_EQ(client_.WorkbookCount(), 1);
    EXPECT_EQ(client_.Cell(1, 2, L"B5"), L"\u00c4pfel & \"Birnen\"");
}

TEST_F(StandinServer, NewWorkbooksTakeDefSheetsOfTheServedVersion) {
    SetDefSheets(10, 5);
    SetDefSheets(9, 7);  // another version's option does not count
    AutomationRef excel = Start(10);
    AutomationRef workbooks(GetDispatchProperty(excel, kWorkbooks));
    struct Case {
        DWORD type;
        DWORD value;
        long expected;
    } cases[] = {
        {REG_DWORD, 5, 5}, {REG_DWORD, 1, 1},   {REG_DWORD, 255, 255},
        {REG_DWORD, 0, 3}, {REG_DWORD, 256, 3}, {REG_BINARY, 4, 3},
    };
    const Variant missing = Variant::Missing();
    for (const Case& c : cases) {
        SetDefSheets(10, c.type, &c.value, sizeof c.value);
        const AutomationRef workbook(CallDispatchMethod(workbooks, kAdd, {&missing}));
        AutomationRef sheets(GetDispatchProperty(workbook, kSheets));
        EXPECT_EQ(LongOf(InvokeOnce(sheets, kCount, DISPATCH_PROPERTYGET)), c.expected) << c.value;
    }
    ClearDefSheets();
    const AutomationRef workbook(CallDispatchMethod(workbooks, kAdd));
    EXPECT_EQ(client_.SheetCount(client_.WorkbookCount()), 3);
    // Add(xlWBATWorksheet) makes a workbook of one worksheet.
    const Variant oneWorksheet = Variant::Int32(-4167);
    const AutomationRef single(CallDispatchMethod(workbooks, kAdd, {&oneWorksheet}));
    EXPECT_EQ(client_.SheetCount(client_.WorkbookCount()), 1);
}

TEST_F(StandinServer, FailsLikeExcel) {
    ScratchDirectory scratch(false);
    AutomationRef excel = Start(8);
    AutomationRef workbooks(GetDispatchProperty(excel, kWorkbooks));

    // Templates it cannot open: DISP_E_EXCEPTION with Excel's error 1004, filled directly.
    WriteFile(scratch.File("text.xlsx"), "kein Zip");
    CreateDirectoryA(scratch.File("ordner.xlsx").c_str(), nullptr);
    for (const std::string& path :
         {scratch.File("fehlt.xlsx"), scratch.File("text.xlsx"), scratch.File("ordner.xlsx"), std::string()}) {
        const Variant file = Variant::Text(Wide(path));
        InvokeAnswer opened = InvokeOnce(workbooks, kOpen, DISPATCH_METHOD, {&file});
        EXPECT_EQ(opened.status, DISP_E_EXCEPTION) << path;
        EXPECT_EQ(opened.exception.info.scode, kExcelError) << path;
        EXPECT_EQ(SourceOf(opened), L"Microsoft Excel");
        EXPECT_NE(DescriptionOf(opened).find(Wide(path)), std::wstring::npos) << path;
        EXPECT_EQ(opened.exception.info.pfnDeferredFillIn, nullptr);
        InvokeAnswer added = InvokeOnce(workbooks, kAdd, DISPATCH_METHOD, {&file});
        EXPECT_EQ(added.status, DISP_E_EXCEPTION) << path;
        EXPECT_EQ(added.exception.info.scode, kExcelError) << path;
    }
    EXPECT_EQ(client_.WorkbookCount(), 0);

    AutomationRef workbook(CallDispatchMethod(workbooks, kAdd));
    AutomationRef sheets(GetDispatchProperty(workbook, kSheets));
    // An index beyond the sheets is an HRESULT, without exception information.
    const Variant badIndexes[] = {Variant::Int16(0), Variant::Int16(4), Variant::Int32(-1), Variant::Int32(70000),
                                  Variant::Text(L"Tabelle9")};
    for (const Variant& index : badIndexes) {
        InvokeAnswer item = InvokeOnce(sheets, kItem, DISPATCH_PROPERTYGET, {&index});
        EXPECT_EQ(item.status, DISP_E_BADINDEX);
        EXPECT_EQ(item.exception.info.scode, 0);
    }
    const Variant name = Variant::Text(L"tabelle3");
    const AutomationRef named(GetDispatchProperty(sheets, kItem, {&name}));
    EXPECT_FALSE(named.Empty());

    // Addresses Excel refuses, through the deferred fill-in on the server's side:
    // the client receives the information filled.
    AutomationRef sheet = Sheet(workbook, 1);
    for (const wchar_t* address : {L"IW1", L"A65537", L"", L"5", L"B", L"A0", L"B 5", L"$", L"Tabelle1!A1"}) {
        InvokeAnswer range = Range(sheet, address);
        EXPECT_EQ(range.status, DISP_E_EXCEPTION) << testing::PrintToString(std::wstring(address));
        EXPECT_EQ(range.exception.info.scode, kExcelError);
        EXPECT_EQ(range.exception.info.pfnDeferredFillIn, nullptr);
        EXPECT_FALSE(DescriptionOf(range).empty());
        EXPECT_EQ(SourceOf(range), L"Microsoft Excel");
        EXPECT_EQ(range.result.Type(), VT_EMPTY);
    }
    const Variant inside = Variant::Text(L"A1"), beyond = Variant::Text(L"IW2"), number = Variant::Int32(1);
    EXPECT_EQ(InvokeOnce(sheet, kRange, DISPATCH_PROPERTYGET, {&inside, &beyond}).status, DISP_E_EXCEPTION);
    InvokeAnswer numeric = InvokeOnce(sheet, kRange, DISPATCH_PROPERTYGET, {&number});
    EXPECT_EQ(numeric.exception.info.scode, kExcelError);
    // The last valid cell in each direction works.
    EXPECT_EQ(Range(sheet, L"IV1").status, S_OK);
    EXPECT_EQ(Range(sheet, L"A65536").status, S_OK);
    EXPECT_EQ(client_.LiveObjects(L"Range"), 0);  // failed calls hand out nothing
}

TEST_F(StandinServer, InjectsFaultsByCallNumber) {
    AutomationRef excel = Start(9);
    AutomationRef workbook = AddWorkbook(excel);
    AutomationRef sheet = Sheet(workbook, 1);
    client_.ResetCalls();
    client_.FailCall(2, RPC_E_SERVERFAULT);
    client_.FailCallWithException(3, kExcelError, L"Zugriff verweigert");
    client_.FailCallWithException(4, 0x800A0009, L"Sp\u00e4ter gef\u00fcllt", L"Quelle", true);
    EXPECT_EQ(Range(sheet, L"A1").status, S_OK);
    InvokeAnswer plain = Range(sheet, L"A2");
    EXPECT_EQ(plain.status, RPC_E_SERVERFAULT);
    EXPECT_EQ(plain.exception.info.scode, 0);
    EXPECT_EQ(plain.result.Type(), VT_EMPTY);
    InvokeAnswer direct = Range(sheet, L"A3");
    EXPECT_EQ(direct.status, DISP_E_EXCEPTION);
    EXPECT_EQ(direct.exception.info.scode, kExcelError);
    EXPECT_EQ(DescriptionOf(direct), L"Zugriff verweigert");
    EXPECT_EQ(SourceOf(direct), L"Microsoft Excel");
    InvokeAnswer deferred = Range(sheet, L"A4");
    EXPECT_EQ(deferred.status, DISP_E_EXCEPTION);
    EXPECT_EQ(deferred.exception.info.scode, static_cast<HRESULT>(0x800A0009));
    EXPECT_EQ(DescriptionOf(deferred), L"Sp\u00e4ter gef\u00fcllt");
    EXPECT_EQ(SourceOf(deferred), L"Quelle");
    EXPECT_EQ(Range(sheet, L"A5").status, S_OK);  // each fault strikes once
    std::vector<std::wstring> calls = client_.Calls();
    ASSERT_EQ(calls.size(), 5u);
    EXPECT_EQ(calls[1], L"Worksheet.Range get \"A2\" \"A2\" -> 0x80010105");
    EXPECT_EQ(calls[2], L"Worksheet.Range get \"A3\" \"A3\" -> 0x80020009");
    EXPECT_EQ(client_.CallCount(), 5);
    EXPECT_FALSE(client_.HasCell(1, 1, L"A2"));

    // The numbering restarts with the reset; cleared faults do not strike.
    client_.FailCall(1, E_FAIL);
    client_.ResetCalls();
    EXPECT_EQ(InvokeOnce(sheet, kSelect, DISPATCH_METHOD).status, E_FAIL);
    client_.FailCall(2, E_FAIL);
    client_.ClearFaults();
    EXPECT_EQ(InvokeOnce(sheet, kSelect, DISPATCH_METHOD).status, S_OK);
    EXPECT_EQ(client_.CallCount(), 2);
    EXPECT_EQ(client_.LiveObjects(), 3);  // Application, Workbook, Worksheet
}

TEST_F(StandinServer, TakesArraysOfTheRangesShapeAcrossTheProcessBoundary) {
    AutomationRef excel = Start(10);
    AutomationRef workbook = AddWorkbook(excel);
    AutomationRef sheet = Sheet(workbook, 1);
    WriteCell(sheet, L"A3", L"alt");
    using Rows = std::vector<std::vector<std::wstring>>;
    using Cells = std::vector<std::pair<const wchar_t*, const wchar_t*>>;
    struct Case {
        const wchar_t* cell1;
        const wchar_t* cell2;
        Rows values;
        LONG lower;
        bool oneDimension;
        bool byReference;
        const wchar_t* logged;  // the put's value in the call log
        bool taken;             // else refused with Excel's error 1004, writing nothing
        Cells cells;            // afterwards ("" for an empty cell)
    };
    const Case cases[] = {
        {L"A2", L"A4", {{L"a2"}, {L""}, {L"a4"}}, 1, false, false, L"array 3x1", true,
         {{L"A2", L"a2"}, {L"A3", L""}, {L"A4", L"a4"}}},
        {L"B4", L"B2", {{L"b2"}, {L"b3"}, {L"b4"}}, 0, false, true, L"&array 3x1 from 0,0", true,
         {{L"B2", L"b2"}, {L"B3", L"b3"}, {L"B4", L"b4"}}},
        {L"D2", L"C1", {{L"c1", L"d1"}, {L"c2", L"d2"}}, 1, false, false, L"array 2x2", true,
         {{L"C1", L"c1"}, {L"D1", L"d1"}, {L"C2", L"c2"}, {L"D2", L"d2"}}},
        {L"E1", L"F1", {{L"e1", L"f1"}}, 0, true, false, L"array 2 from 0", true, {{L"E1", L"e1"}, {L"F1", L"f1"}}},
        {L"G1", L"G3", {{L"g1"}, {L"g2"}}, 1, false, false, L"array 2x1", false, {{L"G1", L""}, {L"G3", L""}}},
        {L"G1", L"G2", {{L"g1"}, {L"g2"}, {L"g3"}}, 1, false, false, L"array 3x1", false, {{L"G1", L""}}},
        {L"G1", L"G2", {{L"g1", L"h1"}, {L"g2", L"h2"}}, 1, false, true, L"&array 2x2", false, {{L"G2", L""}}},
        {L"G1", L"H1", {{L"g1", L"h1"}}, 1, true, false, L"array 2", true, {{L"G1", L"g1"}, {L"H1", L"h1"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.cell1) + L":" + c.cell2 + L" " + c.logged));
        client_.ResetCalls();
        const Variant cell1 = Variant::Text(c.cell1), cell2 = Variant::Text(c.cell2);
        const AutomationRef range(GetDispatchProperty(sheet, kRange, {&cell1, &cell2}));
        SafeArray array = TextArray(c.values, c.lower, c.oneDimension);
        SAFEARRAY* referenced = array.Get();
        Variant value;
        if (c.byReference) {
            // A reference does not own the array: the holder above keeps it.
            VARIANT* slot = value.Put();
            slot->vt = VT_BYREF | VT_ARRAY | VT_VARIANT;
            slot->pparray = &referenced;
        } else {
            value = Variant::Array(std::move(array));
        }
        InvokeAnswer put = InvokeOnce(range, kValue, DISPATCH_PROPERTYPUT, {}, &value);
        EXPECT_EQ(put.status, c.taken ? S_OK : DISP_E_EXCEPTION);
        EXPECT_EQ(put.exception.info.scode, c.taken ? S_OK : kExcelError);
        for (const auto& cell : c.cells) EXPECT_EQ(client_.Cell(1, 1, cell.first), cell.second) << cell.first;
        const std::vector<std::wstring> calls = client_.Calls();
        ASSERT_EQ(calls.size(), 2u);
        EXPECT_EQ(calls[0], L"Worksheet.Range get " + StandinClient::Quote(c.cell1) + L" " + StandinClient::Quote(c.cell2));
        EXPECT_EQ(calls[1], L"Range.Value put " + std::wstring(c.logged) + (c.taken ? L"" : L" -> 0x80020009"));
    }
    // A single value goes into every cell of the range.
    const Variant top = Variant::Text(L"J1"), bottom = Variant::Text(L"J3"), j = Variant::Text(L"j");
    const AutomationRef column(GetDispatchProperty(sheet, kRange, {&top, &bottom}));
    EXPECT_EQ(InvokeOnce(column, kValue2, DISPATCH_PROPERTYPUT, {}, &j).status, S_OK);
    for (const wchar_t* cell : {L"J1", L"J2", L"J3"}) EXPECT_EQ(client_.Cell(1, 1, cell), L"j") << cell;
}

TEST_F(StandinServer, FailsEveryValuePutThatWouldWriteAChosenCell) {
    AutomationRef excel = Start(10);
    AutomationRef workbook = AddWorkbook(excel);
    AutomationRef sheet = Sheet(workbook, 1);
    AutomationRef other = Sheet(workbook, 2);
    client_.FailCellWrite(0, 1, L"A3", E_ACCESSDENIED);
    client_.FailCellWrite(1, 1, L"B1", kExcelError, L"Zelle gesperrt");
    auto put = [&](const AutomationRef& on, const wchar_t* cell1, const wchar_t* cell2, DISPID member) {
        const Variant first = Variant::Text(cell1), last = Variant::Text(cell2), x = Variant::Text(L"x");
        const AutomationRef range(GetDispatchProperty(on, kRange, {&first, &last}));
        return InvokeOnce(range, member, DISPATCH_PROPERTYPUT, {}, &x);
    };
    EXPECT_EQ(put(sheet, L"A2", L"A4", kValue).status, E_ACCESSDENIED);
    EXPECT_TRUE(client_.SheetCells(1, 1).empty()) << "a failed put writes nothing";
    EXPECT_EQ(put(sheet, L"A2", L"A2", kValue).status, S_OK);
    EXPECT_EQ(put(sheet, L"A3", L"A3", kValue).status, E_ACCESSDENIED) << "it strikes again";
    EXPECT_EQ(put(sheet, L"A3", L"A3", kValue2).status, S_OK) << "only Value puts fail";
    EXPECT_EQ(put(other, L"A3", L"A3", kValue).status, S_OK) << "only on the chosen sheet";
    InvokeAnswer described = put(sheet, L"A1", L"C1", kValue);
    EXPECT_EQ(described.status, DISP_E_EXCEPTION);
    EXPECT_EQ(described.exception.info.scode, kExcelError);
    EXPECT_EQ(DescriptionOf(described), L"Zelle gesperrt");
    client_.ClearFaults();
    EXPECT_EQ(put(sheet, L"A3", L"B3", kValue).status, S_OK);
    EXPECT_EQ(client_.SheetCells(1, 1),
              (std::vector<std::wstring>{L"A2 text \"x\"", L"A3 text \"x\"", L"B3 text \"x\""}));
    EXPECT_EQ(client_.LiveObjects(L"Range"), 0);
}

TEST_F(StandinServer, SavesWorkbookFilesAndOpensThemAsTemplates) {
    ScratchDirectory scratch(false);
    AutomationRef excel = Start(9);
    AutomationRef workbook = AddWorkbook(excel);
    const std::wstring texts[] = {L"\u00e4\u00f6\u00fc\u00df\u00a7\u00d8", L"<a href=\"x\">&amp;</a>", L"  blanks  ",
                                  L"zwei\r\nZeilen", L"_x0041_"};
    AutomationRef first = Sheet(workbook, 1);
    AutomationRef third = Sheet(workbook, 3);
    for (size_t i = 0; i < std::size(texts); ++i) WriteCell(first, L"A" + std::to_wstring(i + 1), texts[i]);
    WriteCell(third, L"IV65536", L"Ende");
    std::string path = scratch.File("mappe.xlsx");
    ASSERT_TRUE(client_.SaveWorkbook(1, Wide(path)));
    EXPECT_FALSE(client_.SaveWorkbook(2, Wide(scratch.File("zwei.xlsx"))));
    EXPECT_FALSE(client_.SaveWorkbook(1, Wide(scratch.File("fehlt\\mappe.xlsx"))));

    // Opened as a template it gives back every sheet and cell. (The zip and its parts
    // are the workbook library's, which its own tests read with Python and openpyxl.)
    AutomationRef workbooks(GetDispatchProperty(excel, kWorkbooks));
    const Variant file = Variant::Text(Wide(path));
    AutomationRef opened(CallDispatchMethod(workbooks, kOpen, {&file}));
    ASSERT_EQ(client_.WorkbookCount(), 2);
    EXPECT_EQ(client_.WorkbookSource(2), Wide(path));
    EXPECT_EQ(client_.ActiveWorkbook(), 2);
    EXPECT_EQ(client_.SheetCount(2), 3);
    for (size_t i = 0; i < std::size(texts); ++i)
        EXPECT_EQ(client_.Cell(2, 1, L"A" + std::to_wstring(i + 1)), texts[i]) << i;
    EXPECT_EQ(client_.Cell(2, 3, L"IV65536"), L"Ende");
    const AutomationRef fromTemplate(CallDispatchMethod(workbooks, kAdd, {&file}));
    EXPECT_EQ(client_.Cell(3, 1, L"A1"), texts[0]);
    // Writing into the opened copy leaves the first workbook alone.
    WriteCell(Sheet(opened, 1), L"A1", L"neu");
    EXPECT_EQ(client_.Cell(1, 1, L"A1"), texts[0]);
    EXPECT_EQ(client_.Cell(2, 1, L"A1"), L"neu");
}

TEST_F(StandinServer, RunningInstanceIsReachedThroughTheRunningObjectTable) {
    ASSERT_TRUE(client_.StartRunning(10, 2));
    EXPECT_EQ(client_.Version(), 10);
    EXPECT_EQ(client_.WorkbookCount(), 2);
    EXPECT_EQ(client_.ActiveWorkbook(), 2);
    EXPECT_EQ(client_.ApplicationCount(), 1);
    EXPECT_TRUE(client_.MainWindowIconic());
    EXPECT_EQ(client_.LiveObjects(), 0);  // the table's entry is the server's own

    EXPECT_TRUE(ActiveExcel(standin::kClsidExcel9).Empty());
    AutomationRef excel = ActiveExcel(standin::kClsidExcel10);
    ASSERT_FALSE(excel.Empty());
    EXPECT_EQ(client_.LiveObjects(L"Application"), 1);

    // Restoring the window as the plug-in does makes it a normal, shown window.
    HWND window = FindWindowA("XLMAIN", nullptr);
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    EXPECT_FALSE(client_.MainWindowIconic());
    EXPECT_TRUE(client_.MainWindowShown());
    EXPECT_FALSE(client_.IsVisible());  // Visible was never put

    AutomationRef active(GetDispatchProperty(excel, kActiveWorkbook));
    WriteCell(Sheet(active, 1), L"A1", L"aktiv");
    EXPECT_EQ(client_.Cell(2, 1, L"A1"), L"aktiv");
    EXPECT_FALSE(client_.HasCell(1, 1, L"A1"));

    // A new instance by ProgID reaches the same process (multiple use).
    AutomationRef another = CreateExcel(L"Excel.Application.10");
    ASSERT_FALSE(another.Empty());
    EXPECT_EQ(client_.ApplicationCount(), 2);
    EXPECT_EQ(client_.LiveObjects(L"Application"), 2);
    another.Release();
    active.Release();
    excel.Release();
    EXPECT_EQ(client_.LiveObjects(), 0);
    EXPECT_EQ(client_.WorkbookCount(), 2);
}

TEST_F(StandinServer, QuitEndsTheProcessAndTheNextStartIsFresh) {
    AutomationRef excel = Start(9);
    AddWorkbook(excel);
    DWORD first = client_.ProcessId();
    ASSERT_NE(first, 0u);
    excel.Release();
    // A client that never connected still finds and ends the running server.
    StandinClient other;
    other.Quit();
    EXPECT_TRUE(ProcessEnded(first));
    EXPECT_EQ(client_.WorkbookCount(), -1);  // the old channel is dead
    client_.Quit();

    AutomationRef again = Start(9);
    EXPECT_NE(client_.ProcessId(), first);
    EXPECT_EQ(client_.WorkbookCount(), 0);
    EXPECT_EQ(client_.ApplicationCount(), 1);
    EXPECT_EQ(client_.CallCount(), 0);
}

TEST_F(StandinServer, AKilledServerIsForgottenByTheNextStart) {
    ASSERT_TRUE(client_.StartRunning(9, 1));
    DWORD first = client_.ProcessId();
    {
        const UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, first));
        ASSERT_NE(process.get(), nullptr);
        TerminateProcess(process.get(), 3);
        WaitForSingleObject(process.get(), 10000);
    }
    client_.Quit();  // finds nothing alive, and returns

    ASSERT_TRUE(client_.StartRunning(9, 2));
    EXPECT_NE(client_.ProcessId(), first);
    AutomationRef excel = ActiveExcel(standin::kClsidExcel9);
    ASSERT_FALSE(excel.Empty());
    AutomationRef workbooks(GetDispatchProperty(excel, kWorkbooks));
    EXPECT_EQ(LongOf(InvokeOnce(workbooks, kCount, DISPATCH_PROPERTYGET)), 2);
}

TEST_F(StandinServer, HostedInProcessLeavesTheDeferredFillInToTheClient) {
    ASSERT_TRUE(client_.HostInProcess(9, 1));
    EXPECT_EQ(client_.ProcessId(), GetCurrentProcessId());
    EXPECT_EQ(client_.LiveObjects(), 0);
    AutomationRef excel = ActiveExcel(standin::kClsidExcel9);
    ASSERT_FALSE(excel.Empty());
    EXPECT_EQ(client_.LiveObjects(L"Application"), 1);

    AutomationRef workbook(GetDispatchProperty(excel, kActiveWorkbook));
    AutomationRef sheet = Sheet(workbook, 2);
    InvokeAnswer range = Range(sheet, L"A65537");
    EXPECT_EQ(range.status, DISP_E_EXCEPTION);
    ASSERT_NE(range.exception.info.pfnDeferredFillIn, nullptr);
    EXPECT_EQ(range.exception.info.scode, 0);
    EXPECT_EQ(range.exception.info.bstrDescription, nullptr);
    EXPECT_EQ(range.exception.info.pfnDeferredFillIn(&range.exception.info), S_OK);
    EXPECT_EQ(range.exception.info.scode, kExcelError);
    EXPECT_EQ(SourceOf(range), L"Microsoft Excel");
    EXPECT_NE(DescriptionOf(range).find(L"Range"), std::wstring::npos);
    EXPECT_EQ(range.exception.info.pfnDeferredFillIn, nullptr) << "filled in once";

    WriteCell(sheet, L"D4", L"im Prozess");
    EXPECT_EQ(client_.Cell(1, 2, L"D4"), L"im Prozess");
    EXPECT_EQ(client_.CallCount(), 7);
    EXPECT_EQ(client_.LiveObjects(), 3);
    sheet.Release();
    workbook.Release();
    excel.Release();
    EXPECT_EQ(client_.LiveObjects(), 0);
    client_.Quit();
    EXPECT_TRUE(ActiveExcel(standin::kClsidExcel9).Empty());
    EXPECT_EQ(client_.WorkbookCount(), -1);
}

}  // namespace
}  // namespace exl::test
