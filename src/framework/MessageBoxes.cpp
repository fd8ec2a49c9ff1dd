#include "framework/MessageBoxes.h"

#include "framework/Application.h"
#include "framework/UiSeam.h"

namespace exl {

int FrameworkMessageBox(const std::string& text) {
    Application& app = Application::Instance();
    return app.Ui().ShowMessageBox(GetActiveWindow(), text.c_str(), app.Title().c_str(),
                                   MB_OK | MB_ICONEXCLAMATION);
}

int SystemMessageBox(const std::string& text, const std::string& caption, UINT flags) {
    return Application::Instance().Ui().ShowMessageBox(nullptr, text.c_str(), caption.c_str(), flags);
}

}  // namespace exl
