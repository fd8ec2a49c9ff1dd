#pragma once
#include <windows.h>

#include <functional>
#include <string>

namespace exl {

class ServerWaitWatcher;
class UiSeam;

// The one application object of the loaded module: its title (captions every
// framework message box), the help file of the current run, the OLE lock count
// that DllCanUnloadNow answers from, the module whose resources the dialogs use,
// and what the running command has installed for its user interface and for the
// waits on a busy automation server.
class Application {
public:
    static Application& Instance();

    // Called once from DllMain (or a test's main) with the module that holds the resources.
    void Initialise(HMODULE module);
    // The library form of the OLE start-up: the host owns COM on its thread, so this
    // only records that fact and never calls CoInitialize.
    bool InitInstance();

    HMODULE ResourceModule() const { return module_; }
    const std::string& Title() const { return title_; }
    const std::string& HelpFile() const { return helpFile_; }
    void SetHelpFile(const std::string& path) { helpFile_ = path; }
    bool HostOwnsOle() const { return hostOwnsOle_; }

    void LockOle();
    // Never drops below zero: an unlock without a lock leaves the count at 0.
    void UnlockOle();
    long OleLockCount() const { return oleLocks_; }
    // What DllCanUnloadNow answers: S_OK when no lock is outstanding, else S_FALSE.
    HRESULT CanUnloadNow() const { return oleLocks_ == 0 ? S_OK : S_FALSE; }

    UiSeam& Ui() const { return *ui_; }
    // Swaps the seam through which message boxes and help go; returns the previous one.
    UiSeam* ReplaceUi(UiSeam* seam);

    // Who shows a wait for a busy server (framework/ServerWait.h) and the question
    // after its silent period (framework/RejectedCalls.h); nullptr when none is set.
    // Each Replace returns the previous one.
    ServerWaitWatcher* WaitWatcher() const { return waitWatcher_; }
    ServerWaitWatcher* ReplaceWaitWatcher(ServerWaitWatcher* watcher);
    const std::function<bool(HRESULT)>* RetryQuestion() const { return retryQuestion_; }
    const std::function<bool(HRESULT)>* ReplaceRetryQuestion(const std::function<bool(HRESULT)>* question);

private:
    Application();

    HMODULE module_ = nullptr;
    std::string title_;
    std::string helpFile_;
    bool hostOwnsOle_ = false;
    long oleLocks_ = 0;
    UiSeam* ui_;
    ServerWaitWatcher* waitWatcher_ = nullptr;
    const std::function<bool(HRESULT)>* retryQuestion_ = nullptr;
};

// The module file name without directory and extension ("ExcelKopplung").
std::string ModuleTitle(HMODULE module);

}  // namespace exl
