#include "StandinClient.h"

#include <objbase.h>
#include <oleauto.h>

#include <algorithm>

#include "Arguments.h"
#include "Registration.h"
#include "StandinHost.h"
#include "StandinIds.h"
#include "Variants.h"

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

long InvokeLong(IDispatch* control, DISPID member) {
    VARIANT result;
    VariantInit(&result);
    DISPPARAMS none{};
    HRESULT status = control->Invoke(member, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr);
    long value = SUCCEEDED(status) && result.vt == VT_I4 ? result.lVal : 0;
    VariantClear(&result);
    return value;
}

// A control object of a running stand-in: of process `processId`, or of any that
// answers when processId is 0. Looks at every entry of the running-object table,
// as several instances may have registered the control class.
IDispatch* FindControl(DWORD processId) {
    IRunningObjectTable* table = nullptr;
    if (FAILED(GetRunningObjectTable(0, &table))) return nullptr;
    IEnumMoniker* monikers = nullptr;
    IBindCtx* context = nullptr;
    IDispatch* found = nullptr;
    wchar_t clsid[40] = {};
    StringFromGUID2(kClsidControl, clsid, 40);
    if (SUCCEEDED(table->EnumRunning(&monikers)) && SUCCEEDED(CreateBindCtx(0, &context))) {
        IMoniker* moniker = nullptr;
        while (!found && monikers->Next(1, &moniker, nullptr) == S_OK) {
            LPOLESTR name = nullptr;
            IUnknown* object = nullptr;
            if (SUCCEEDED(moniker->GetDisplayName(context, nullptr, &name)) && name && wcsstr(name, clsid) &&
                SUCCEEDED(table->GetObject(moniker, &object))) {
                IDispatch* control = nullptr;
                if (SUCCEEDED(object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&control)))) {
                    long id = InvokeLong(control, control::kProcessId);
                    if (id != 0 && (processId == 0 || static_cast<DWORD>(id) == processId))
                        found = control;
                    else
                        control->Release();
                }
                object->Release();
            }
            CoTaskMemFree(name);
            moniker->Release();
        }
    }
    if (context) context->Release();
    if (monikers) monikers->Release();
    table->Release();
    return found;
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

StandinClient::~StandinClient() {
    ReleaseControl();
    ForgetStarted();
}

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
    ReleaseControl();
    ForgetStarted();
    std::wstring command = L"\"" + ServerPath() + L"\" --running " + std::to_wstring(version) + L" --workbooks " +
                           std::to_wstring(workbooks);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    CloseHandle(process.hThread);
    started_ = process.hProcess;
    // The control enters the table after the Application: finding it means ready.
    for (DWORD waited = 0; waited < kStartTimeoutMs; waited += kPollMs) {
        if (WaitForSingleObject(started_, 0) == WAIT_OBJECT_0) return false;
        control_ = FindControl(process.dwProcessId);
        if (control_) return true;
        Sleep(kPollMs);
    }
    return false;
}

bool StandinClient::HostInProcess(int version, int workbooks) {
    if (!ApplicationClsid(version) || workbooks < 0) return false;
    ReleaseControl();
    hosted_.reset();
    hosted_ = std::make_unique<StandinHost>(version, false);
    if (!hosted_->RunAsActive(workbooks) || !hosted_->PublishControl()) {
        hosted_.reset();
        return false;
    }
    control_ = hosted_->Control();
    control_->AddRef();
    return true;
}

bool StandinClient::Connect() {
    if (Reach()) return true;
    CoCreateInstance(kClsidControl, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch, reinterpret_cast<void**>(&control_));
    return control_ != nullptr;
}

bool StandinClient::Reach() {
    if (!control_) control_ = FindControl(0);
    return control_ != nullptr;
}

void StandinClient::ReleaseControl() {
    if (control_) control_->Release();
    control_ = nullptr;
}

void StandinClient::ForgetStarted() {
    if (started_) CloseHandle(started_);
    started_ = nullptr;
}

bool StandinClient::Invoke(DISPID member, WORD flags, std::vector<VARIANT> args, VARIANT* result) {
    HRESULT status = E_FAIL;
    if (Reach()) {
        // rgvarg holds the arguments last first.
        std::reverse(args.begin(), args.end());
        DISPPARAMS params{args.empty() ? nullptr : args.data(), nullptr, static_cast<UINT>(args.size()), 0};
        status = control_->Invoke(member, IID_NULL, 0, flags, &params, result, nullptr, nullptr);
    }
    for (VARIANT& arg : args) VariantClear(&arg);
    return SUCCEEDED(status);
}

int StandinClient::GetInt(DISPID member, std::vector<VARIANT> args) {
    VARIANT result;
    VariantInit(&result);
    bool ok = Invoke(member, DISPATCH_PROPERTYGET, std::move(args), &result) && result.vt == VT_I4;
    int value = ok ? static_cast<int>(result.lVal) : -1;
    VariantClear(&result);
    return value;
}

bool StandinClient::GetBool(DISPID member, std::vector<VARIANT> args) {
    VARIANT result;
    VariantInit(&result);
    bool value = Invoke(member, DISPATCH_PROPERTYGET, std::move(args), &result) && result.vt == VT_BOOL &&
                 result.boolVal != VARIANT_FALSE;
    VariantClear(&result);
    return value;
}

std::wstring StandinClient::GetText(DISPID member, std::vector<VARIANT> args) {
    VARIANT result;
    VariantInit(&result);
    std::wstring text;
    if (Invoke(member, DISPATCH_PROPERTYGET, std::move(args), &result) && result.vt == VT_BSTR && result.bstrVal)
        text.assign(result.bstrVal, SysStringLen(result.bstrVal));
    VariantClear(&result);
    return text;
}

void StandinClient::Call(DISPID member, std::vector<VARIANT> args) {
    Invoke(member, DISPATCH_METHOD, std::move(args), nullptr);
}

DWORD StandinClient::ProcessId() {
    int id = GetInt(control::kProcessId);
    return id > 0 ? static_cast<DWORD>(id) : 0;
}

int StandinClient::Version() { return GetInt(control::kVersion); }
int StandinClient::ApplicationCount() { return GetInt(control::kApplicationCount); }
int StandinClient::WorkbookCount() { return GetInt(control::kWorkbookCount); }
int StandinClient::SheetCount(int workbook) { return GetInt(control::kSheetCount, {LongVariant(workbook)}); }

std::wstring StandinClient::Cell(int workbook, int sheet, const std::wstring& address) {
    return GetText(control::kCell, {LongVariant(workbook), LongVariant(sheet), TextVariant(address)});
}

std::wstring StandinClient::StoredCell(int workbook, int sheet, const std::wstring& address) {
    return GetText(control::kStoredCell, {LongVariant(workbook), LongVariant(sheet), TextVariant(address)});
}

bool StandinClient::HasCell(int workbook, int sheet, const std::wstring& address) {
    return GetBool(control::kHasCell, {LongVariant(workbook), LongVariant(sheet), TextVariant(address)});
}

std::wstring StandinClient::WorkbookSource(int workbook) {
    return GetText(control::kWorkbookSource, {LongVariant(workbook)});
}

int StandinClient::ActiveWorkbook() { return GetInt(control::kActiveWorkbook); }
int StandinClient::ActiveSheet(int workbook) { return GetInt(control::kActiveSheet, {LongVariant(workbook)}); }
bool StandinClient::IsVisible() { return GetBool(control::kIsVisible); }
bool StandinClient::MainWindowShown() { return GetBool(control::kMainWindowShown); }
bool StandinClient::MainWindowIconic() { return GetBool(control::kMainWindowIconic); }

bool StandinClient::SaveWorkbook(int workbook, const std::wstring& xlsxPath) {
    VARIANT result;
    VariantInit(&result);
    bool saved =
        Invoke(control::kSaveWorkbook, DISPATCH_METHOD, {LongVariant(workbook), TextVariant(xlsxPath)}, &result) &&
        result.vt == VT_BOOL && result.boolVal != VARIANT_FALSE;
    VariantClear(&result);
    return saved;
}

std::vector<std::wstring> StandinClient::SplitLines(const std::wstring& all) {
    std::vector<std::wstring> lines;
    for (size_t start = 0, end; (end = all.find(L'\n', start)) != std::wstring::npos; start = end + 1)
        lines.push_back(all.substr(start, end - start));
    return lines;
}

std::vector<std::wstring> StandinClient::Calls() { return SplitLines(GetText(control::kCallLog)); }

std::vector<std::wstring> StandinClient::SheetCells(int workbook, int sheet) {
    return SplitLines(GetText(control::kSheetCells, {LongVariant(workbook), LongVariant(sheet)}));
}

int StandinClient::CallCount() { return GetInt(control::kCallCount); }
void StandinClient::ResetCalls() { Call(control::kResetCalls); }
int StandinClient::LiveObjects() { return GetInt(control::kLiveObjects); }
int StandinClient::LiveObjects(const std::wstring& kind) { return GetInt(control::kLiveObjects, {TextVariant(kind)}); }

void StandinClient::FailCall(int n, HRESULT hr) { Call(control::kFailCall, {LongVariant(n), LongVariant(hr)}); }

void StandinClient::FailCallWithException(int n, HRESULT scode, const std::wstring& description,
                                          const std::wstring& source, bool deferred) {
    Call(control::kFailCallWithException,
         {LongVariant(n), LongVariant(scode), TextVariant(description), TextVariant(source), BoolVariant(deferred)});
}

void StandinClient::FailCellWrite(int workbook, int sheet, const std::wstring& address, HRESULT hr,
                                  const std::wstring& description) {
    std::vector<VARIANT> args{LongVariant(workbook), LongVariant(sheet), TextVariant(address), LongVariant(hr)};
    if (!description.empty()) args.push_back(TextVariant(description));
    Call(control::kFailCellWrite, std::move(args));
}

void StandinClient::ClearFaults() { Call(control::kClearFaults); }

void StandinClient::SetCallDelay(int milliseconds) { Call(control::kSetCallDelay, {LongVariant(milliseconds)}); }

void StandinClient::EndProcessAtCall(int n) { Call(control::kEndProcessAtCall, {LongVariant(n)}); }

void StandinClient::CloseWorkbookAtCall(int n, int workbook) {
    Call(control::kCloseWorkbookAtCall, {LongVariant(n), LongVariant(workbook)});
}

void StandinClient::BeBusy(int fromCall, int milliseconds, HRESULT hr) {
    Call(control::kBeBusy, {LongVariant(fromCall), LongVariant(milliseconds), LongVariant(hr)});
}

void StandinClient::BeCalm() { Call(control::kBeCalm); }

int StandinClient::CarriedOutPuts() { return GetInt(control::kCarriedOutPuts); }

void StandinClient::Quit() {
    if (hosted_) {
        ReleaseControl();
        hosted_.reset();
    }
    for (int round = 0; round < kMostInstances; ++round) {
        if (!Reach()) break;
        DWORD id = ProcessId();
        if (id == GetCurrentProcessId()) {
            // Another client's in-process instance: not this client's to end.
            ReleaseControl();
            break;
        }
        HANDLE process = id ? OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, id) : nullptr;
        Call(control::kQuit);
        ReleaseControl();
        if (!process) continue;
        // A server that does not end by itself is ended, so the next test gets a fresh one.
        if (WaitForSingleObject(process, kQuitTimeoutMs) != WAIT_OBJECT_0) Terminate(process);
        CloseHandle(process);
    }
    if (started_ && WaitForSingleObject(started_, 0) != WAIT_OBJECT_0) Terminate(started_);
    ForgetStarted();
}

}  // namespace exl::standin
