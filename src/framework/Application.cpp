#include "framework/Application.h"

#include "framework/UiSeam.h"

namespace exl {

Application::Application() : ui_(&UiSeam::Platform()) {
    Initialise(GetModuleHandleA(nullptr));
}

Application& Application::Instance() {
    static Application application;
    return application;
}

void Application::Initialise(HMODULE module) {
    module_ = module;
    title_ = ModuleTitle(module);
}

bool Application::InitInstance() {
    hostOwnsOle_ = true;
    return true;
}

void Application::LockOle() { ++oleLocks_; }

void Application::UnlockOle() {
    if (oleLocks_ > 0) --oleLocks_;
}

UiSeam* Application::ReplaceUi(UiSeam* seam) {
    UiSeam* previous = ui_;
    ui_ = seam ? seam : &UiSeam::Platform();
    return previous;
}

ServerWaitWatcher* Application::ReplaceWaitWatcher(ServerWaitWatcher* watcher) {
    ServerWaitWatcher* previous = waitWatcher_;
    waitWatcher_ = watcher;
    return previous;
}

const std::function<bool(HRESULT)>* Application::ReplaceRetryQuestion(const std::function<bool(HRESULT)>* question) {
    const std::function<bool(HRESULT)>* previous = retryQuestion_;
    retryQuestion_ = question;
    return previous;
}

std::string ModuleTitle(HMODULE module) {
    char path[MAX_PATH] = {};
    DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
    std::string name(path, length < MAX_PATH ? length : 0);
    std::string::size_type slash = name.find_last_of("\\/");
    if (slash != std::string::npos) name.erase(0, slash + 1);
    std::string::size_type dot = name.find_last_of('.');
    if (dot != std::string::npos) name.erase(dot);
    return name;
}

}  // namespace exl
