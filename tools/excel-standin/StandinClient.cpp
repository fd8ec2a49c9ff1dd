#include "StandinClient.h"

#include <objbase.h>
#include <oleauto.h>

#include <cwchar>

#include "Arguments.h"
#include "Registration.h"
#include "StandinHost.h"
#include "StandinIds.h"

namespace exl::standin {
namespace {

// Starting a local server under Wine takes about a second; these bounds only
// stop a broken server from hanging a test run.
constexpr DWORD kStartTimeoutMs = 30000;
constexpr DWORD kPollMs = 50;
constexpr DWORD kQuitTimeoutMs = 15000;
constexpr DWORD kAfterTerminateMs = 6000;
// More instances than a test run can start; bounds the quit loop when an entry
// of the running-object table cannot be ended.
constexpr int kMostInstances = 16;

// The control's answer to a property get or a method call; nullopt when it fails.
std::optional<Variant> AnswerOf(const AutomationRef& control, DISPID member, WORD kind, exl::Arguments arguments) {
    try {
        if (kind == DISPATCH_METHOD) return CallMethod(control, member, arguments);
        return GetProperty(control, member, VT_EMPTY, arguments);
    } catch (const COleException&) {
    } catch (const COleDispatchException&) {
    }
    return std::nullopt;
}

int IntOf(const std::optional<Variant>& answer) {
    return answer && answer->Type() == VT_I4 ? static_cast<int>(answer->Get().lVal) : -1;
}

bool BoolOf(const std::optional<Variant>& answer) {
    return answer && answer->Type() == VT_BOOL && answer->Get().boolVal != VARIANT_FALSE;
}

std::wstring TextOf(const std::optional<Variant>& answer) {
    return answer && answer->Type() == VT_BSTR ? BstrToWide(answer->Get().bstrVal) : std::wstring();
}

// Whether a running-object table entry is the control class's: its name holds the class id.
bool NamesControl(IMoniker& moniker, IBindCtx& context) {
    wchar_t clsid[40] = {};
    StringFromGUID2(kClsidControl, clsid, 40);
    LPOLESTR name = nullptr;
    const bool named = SUCCEEDED(moniker.GetDisplayName(&context, nullptr, &name)) && name && wcsstr(name, clsid);
    CoTaskMemFree(name);
    return named;
}

// The control object behind a table entry when it serves process `processId` (any
// process for 0); an empty reference otherwise.
AutomationRef ControlOf(IRunningObjectTable& table, IMoniker& moniker, DWORD processId) {
    IUnknown* found = nullptr;
    if (FAILED(table.GetObject(&moniker, &found))) return {};
    const UniqueCom<IUnknown> object(found);
    IDispatch* dispatch = nullptr;
    if (FAILED(object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)))) return {};
    AutomationRef control(dispatch);
    const int id = IntOf(AnswerOf(control, control::kProcessId, DISPATCH_PROPERTYGET, {}));
    if (id <= 0 || (processId != 0 && static_cast<DWORD>(id) != processId)) return {};
    return control;
}

// A control object of a running stand-in: of process `processId`, or of any that
// answers when processId is 0. Looks at every entry of the running-object table,
// as several instances may have registered the control class.
AutomationRef FindControl(DWORD processId) {
    IRunningObjectTable* runningTable = nullptr;
    if (FAILED(GetRunningObjectTable(0, &runningTable))) return {};
    const UniqueCom<IRunningObjectTable> table(runningTable);
    IEnumMoniker* entries = nullptr;
    if (FAILED(table->EnumRunning(&entries))) return {};
    const UniqueCom<IEnumMoniker> monikers(entries);
    IBindCtx* bindContext = nullptr;
    if (FAILED(CreateBindCtx(0, &bindContext))) return {};
    const UniqueCom<IBindCtx> context(bindContext);
    IMoniker* next = nullptr;
    while (monikers->Next(1, &next, nullptr) == S_OK) {
        const UniqueCom<IMoniker> moniker(next);
        if (!NamesControl(*moniker, *context)) continue;
        AutomationRef control = ControlOf(*table, *moniker, processId);
        if (!control.Empty()) return control;
    }
    return {};
}

// Ends a server that did not quit. Wine keeps a killed server's class objects
// registered for a few seconds, during which creating the class fails with
// RPC_S_SERVER_UNAVAILABLE; the pause lets the next start find none.
void Terminate(HANDLE process) {
    TerminateProcess(process, 1);
    WaitForSingleObject(process, kQuitTimeoutMs);
    Sleep(kAfterTerminateMs);
}

}  // namespace

StandinClient::StandinClient() = default;

StandinClient::~StandinClient() = default;

bool StandinClient::Register(const std::vector<int>& versions, const std::wstring& serveOptions) {
    return RegisterServer(ServerPath(), versions, serveOptions);
}

bool StandinClient::Unregister() { return UnregisterServer(); }

bool StandinClient::WriteCurVer(const std::optional<std::wstring>& value) { return WriteCurrentVersion(value); }

std::wstring StandinClient::ServerPath() {
    wchar_t path[MAX_PATH] = {};
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L"\\/") + 1) + kServerExeName;
}

std::wstring StandinClient::Quote(const std::wstring& text) { return QuoteText(text); }

bool StandinClient::StartRunning(int version, int workbooks) {
    if (!ApplicationClsid(version) || workbooks < 0) return false;
    control_.Release();
    started_.reset();
    std::wstring command = L"\"" + ServerPath() + L"\" --running " + std::to_wstring(version) + L" --workbooks " +
                           std::to_wstring(workbooks);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    const UniqueHandle thread(process.hThread);
    started_.reset(process.hProcess);
    // The control enters the table after the Application: finding it means ready.
    for (DWORD waited = 0; waited < kStartTimeoutMs; waited += kPollMs) {
        if (WaitForSingleObject(started_.get(), 0) == WAIT_OBJECT_0) return false;
        control_ = FindControl(process.dwProcessId);
        if (Connected()) return true;
        Sleep(kPollMs);
    }
    return false;
}

bool StandinClient::HostInProcess(int version, int workbooks) {
    if (!ApplicationClsid(version) || workbooks < 0) return false;
    control_.Release();
    hosted_.reset();
    hosted_ = std::make_unique<StandinHost>(version, false);
    if (!hosted_->RunAsActive(workbooks) || !hosted_->PublishControl()) {
        hosted_.reset();
        return false;
    }
    IDispatch* control = hosted_->Control();
    control->AddRef();
    control_.Attach(control);
    return true;
}

bool StandinClient::Connect() {
    if (ConnectIfRunning()) return true;
    IDispatch* created = nullptr;
    CoCreateInstance(kClsidControl, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch, reinterpret_cast<void**>(&created));
    control_.Attach(created);
    return Connected();
}

bool StandinClient::ConnectIfRunning() {
    if (!Connected()) control_ = FindControl(0);
    return Connected();
}

std::optional<Variant> StandinClient::Ask(DISPID member, WORD kind, exl::Arguments arguments) {
    if (!ConnectIfRunning()) return std::nullopt;
    return AnswerOf(control_, member, kind, arguments);
}

int StandinClient::GetInt(DISPID member, exl::Arguments arguments) {
    return IntOf(Ask(member, DISPATCH_PROPERTYGET, arguments));
}

bool StandinClient::GetBool(DISPID member, exl::Arguments arguments) {
    return BoolOf(Ask(member, DISPATCH_PROPERTYGET, arguments));
}

std::wstring StandinClient::GetText(DISPID member, exl::Arguments arguments) {
    return TextOf(Ask(member, DISPATCH_PROPERTYGET, arguments));
}

std::optional<Variant> StandinClient::AskAboutCell(DISPID member, int workbook, int sheet,
                                                   const std::wstring& address) {
    const Variant book = Variant::Int32(workbook), page = Variant::Int32(sheet), cell = Variant::Text(address);
    return Ask(member, DISPATCH_PROPERTYGET, {&book, &page, &cell});
}

void StandinClient::Call(DISPID member, exl::Arguments arguments) { Ask(member, DISPATCH_METHOD, arguments); }

DWORD StandinClient::ProcessId() {
    int id = GetInt(control::kProcessId);
    return id > 0 ? static_cast<DWORD>(id) : 0;
}

int StandinClient::Version() { return GetInt(control::kVersion); }
int StandinClient::ApplicationCount() { return GetInt(control::kApplicationCount); }
int StandinClient::WorkbookCount() { return GetInt(control::kWorkbookCount); }

int StandinClient::SheetCount(int workbook) {
    const Variant book = Variant::Int32(workbook);
    return GetInt(control::kSheetCount, {&book});
}

std::wstring StandinClient::Cell(int workbook, int sheet, const std::wstring& address) {
    return TextOf(AskAboutCell(control::kCell, workbook, sheet, address));
}

std::wstring StandinClient::StoredCell(int workbook, int sheet, const std::wstring& address) {
    return TextOf(AskAboutCell(control::kStoredCell, workbook, sheet, address));
}

bool StandinClient::HasCell(int workbook, int sheet, const std::wstring& address) {
    return BoolOf(AskAboutCell(control::kHasCell, workbook, sheet, address));
}

std::wstring StandinClient::WorkbookSource(int workbook) {
    const Variant book = Variant::Int32(workbook);
    return GetText(control::kWorkbookSource, {&book});
}

int StandinClient::ActiveWorkbook() { return GetInt(control::kActiveWorkbook); }

int StandinClient::ActiveSheet(int workbook) {
    const Variant book = Variant::Int32(workbook);
    return GetInt(control::kActiveSheet, {&book});
}

bool StandinClient::IsVisible() { return GetBool(control::kIsVisible); }
bool StandinClient::MainWindowShown() { return GetBool(control::kMainWindowShown); }
bool StandinClient::MainWindowIconic() { return GetBool(control::kMainWindowIconic); }

bool StandinClient::SaveWorkbook(int workbook, const std::wstring& xlsxPath) {
    const Variant book = Variant::Int32(workbook), path = Variant::Text(xlsxPath);
    return BoolOf(Ask(control::kSaveWorkbook, DISPATCH_METHOD, {&book, &path}));
}

std::vector<std::wstring> StandinClient::SplitLines(const std::wstring& all) {
    std::vector<std::wstring> lines;
    for (size_t start = 0, end; (end = all.find(L'\n', start)) != std::wstring::npos; start = end + 1)
        lines.push_back(all.substr(start, end - start));
    return lines;
}

std::vector<std::wstring> StandinClient::Calls() { return SplitLines(GetText(control::kCallLog)); }

std::vector<std::wstring> StandinClient::SheetCells(int workbook, int sheet) {
    const Variant book = Variant::Int32(workbook), page = Variant::Int32(sheet);
    return SplitLines(GetText(control::kSheetCells, {&book, &page}));
}

int StandinClient::CallCount() { return GetInt(control::kCallCount); }
void StandinClient::ResetCalls() { Call(control::kResetCalls); }
int StandinClient::LiveObjects() { return GetInt(control::kLiveObjects); }

int StandinClient::LiveObjects(const std::wstring& kind) {
    const Variant named = Variant::Text(kind);
    return GetInt(control::kLiveObjects, {&named});
}

void StandinClient::FailCall(int n, HRESULT hr) {
    const Variant call = Variant::Int32(n), status = Variant::Int32(hr);
    Call(control::kFailCall, {&call, &status});
}

void StandinClient::FailCallWithException(int n, HRESULT scode, const std::wstring& description,
                                          const std::wstring& source, bool deferred) {
    const Variant call = Variant::Int32(n), status = Variant::Int32(scode), text = Variant::Text(description),
                  from = Variant::Text(source), later = Variant::Boolean(deferred);
    Call(control::kFailCallWithException, {&call, &status, &text, &from, &later});
}

void StandinClient::FailCellWrite(int workbook, int sheet, const std::wstring& address, HRESULT hr,
                                  const std::wstring& description) {
    const Variant book = Variant::Int32(workbook), page = Variant::Int32(sheet), cell = Variant::Text(address),
                  status = Variant::Int32(hr), text = Variant::Text(description);
    if (description.empty())
        Call(control::kFailCellWrite, {&book, &page, &cell, &status});
    else
        Call(control::kFailCellWrite, {&book, &page, &cell, &status, &text});
}

void StandinClient::ClearFaults() { Call(control::kClearFaults); }

void StandinClient::SetCallDelay(int milliseconds) {
    const Variant delay = Variant::Int32(milliseconds);
    Call(control::kSetCallDelay, {&delay});
}

void StandinClient::EndProcessAtCall(int n) {
    const Variant call = Variant::Int32(n);
    Call(control::kEndProcessAtCall, {&call});
}

void StandinClient::CloseWorkbookAtCall(int n, int workbook) {
    const Variant call = Variant::Int32(n), book = Variant::Int32(workbook);
    Call(control::kCloseWorkbookAtCall, {&call, &book});
}

bool StandinClient::RunAtCall(int n, std::function<void()> action) {
    if (!hosted_) return false;
    hosted_->State().Calls().PlanAction(n, std::move(action));
    return true;
}

void StandinClient::BeBusy(int fromCall, int milliseconds, HRESULT hr) {
    const Variant from = Variant::Int32(fromCall), time = Variant::Int32(milliseconds), status = Variant::Int32(hr);
    Call(control::kBeBusy, {&from, &time, &status});
}

void StandinClient::BeCalm() { Call(control::kBeCalm); }

int StandinClient::CarriedOutPuts() { return GetInt(control::kCarriedOutPuts); }
int StandinClient::TurnedAwaySpanMs() { return GetInt(control::kTurnedAwaySpan); }

void StandinClient::Quit() {
    if (hosted_) {
        control_.Release();
        hosted_.reset();
    }
    for (int round = 0; round < kMostInstances; ++round) {
        if (!ConnectIfRunning()) break;
        DWORD id = ProcessId();
        if (id == GetCurrentProcessId()) {
            // Another client's in-process instance: not this client's to end.
            control_.Release();
            break;
        }
        const UniqueHandle process(id ? OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, id) : nullptr);
        Call(control::kQuit);
        control_.Release();
        if (!process) continue;
        // A server that does not end by itself is ended, so the next test gets a fresh one.
        if (WaitForSingleObject(process.get(), kQuitTimeoutMs) != WAIT_OBJECT_0) Terminate(process.get());
    }
    if (started_ && WaitForSingleObject(started_.get(), 0) != WAIT_OBJECT_0) Terminate(started_.get());
    started_.reset();
}

}  // namespace exl::standin
