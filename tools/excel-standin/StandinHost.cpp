#include "StandinHost.h"

#include <objbase.h>
#include <oleauto.h>

#include "ControlObject.h"
#include "ExcelObjects.h"
#include "StandinIds.h"

namespace exl::standin {
namespace {

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        // Closing Excel's window ends Excel: the serving loop ends.
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND CreateMainWindow() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = L"XLMAIN";
    RegisterClassW(&windowClass);  // fails harmlessly when a second host registers it again
    return CreateWindowExW(0, L"XLMAIN", L"Microsoft Excel", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 640,
                           480, nullptr, nullptr, instance, nullptr);
}

}  // namespace

StandinHost::StandinHost(int version, bool remote)
    : state_(std::make_shared<StandinState>(version)), filter_(*state_), window_(CreateMainWindow()) {
    state_->SetRemoteClients(remote);
    // The process has no filter of its own before; in process the thread's filter is
    // the client's and stays.
    if (remote) filterRegistered_ = SUCCEEDED(CoRegisterMessageFilter(&filter_, nullptr));
    state_->SetMainWindow(window_);
    state_->SetRevokeRegistrations([this] { RevokeRegistrations(); });
    control_ = new ControlObject(*state_);
}

StandinHost::~StandinHost() { Stop(); }

IDispatch* StandinHost::Control() const { return static_cast<IDispatch*>(control_); }

bool StandinHost::RegisterClasses() {
    controlFactory_ = std::make_unique<ClassFactory>(
        [this](REFIID iid, void** object) { return control_->QueryInterface(iid, object); });
    applicationFactory_ = std::make_unique<ClassFactory>([this](REFIID iid, void** object) {
        auto* application = new ApplicationObject(*state_);
        HRESULT status = application->QueryInterface(iid, object);
        application->Release();
        return status;
    });
    auto add = [this](const CLSID& clsid, ClassFactory* factory) {
        DWORD cookie = 0;
        if (FAILED(CoRegisterClassObject(clsid, factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie)))
            return false;
        classCookies_.push_back(cookie);
        return true;
    };
    bool ok = add(kClsidControl, controlFactory_.get());
    if (ok && state_->Version() != 0) ok = add(*ApplicationClsid(state_->Version()), applicationFactory_.get());
    return ok;
}

bool StandinHost::RunAsActive(int workbooks) {
    const CLSID* clsid = ApplicationClsid(state_->Version());
    if (!clsid || running_) return false;
    running_ = new ApplicationObject(*state_);
    for (int i = 0; i < workbooks; ++i) state_->AddNewWorkbook(state_->DefaultSheetCount());
    ShowWindow(window_, SW_SHOWMINNOACTIVE);
    DWORD cookie = 0;
    // Weak, as Excel registers itself: the entry does not keep the object alive, and
    // a client's reference stays apart from the table's.
    if (FAILED(RegisterActiveObject(static_cast<IDispatch*>(running_), *clsid, ACTIVEOBJECT_WEAK, &cookie)))
        return false;
    runningCookies_.push_back(cookie);
    // In process the table's marshalling holds references of its own; they are the host's.
    running_->SettleServerReferences();
    return true;
}

bool StandinHost::PublishControl() {
    DWORD cookie = 0;
    if (FAILED(RegisterActiveObject(static_cast<IDispatch*>(control_), kClsidControl, ACTIVEOBJECT_WEAK, &cookie)))
        return false;
    runningCookies_.push_back(cookie);
    return true;
}

void StandinHost::RevokeRegistrations() {
    for (DWORD cookie : runningCookies_) RevokeActiveObject(cookie, nullptr);
    runningCookies_.clear();
    for (DWORD cookie : classCookies_) CoRevokeClassObject(cookie);
    classCookies_.clear();
}

void StandinHost::Stop() {
    RevokeRegistrations();
    if (filterRegistered_) CoRegisterMessageFilter(nullptr, nullptr);
    filterRegistered_ = false;
    state_->SetRevokeRegistrations(nullptr);
    // Clients then see a disconnected server instead of waiting on a dead one.
    DisconnectClients({state_->Objects().begin(), state_->Objects().end()});
    if (running_) running_->Release();
    running_ = nullptr;
    if (control_) control_->Release();
    control_ = nullptr;
    state_->SetMainWindow(nullptr);
    if (window_) DestroyWindow(window_);
    window_ = nullptr;
}

}  // namespace exl::standin
