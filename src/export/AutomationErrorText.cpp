#include "export/AutomationErrorText.h"

#include "framework/Ini.h"

namespace exl {

std::string AutomationErrorText(const COleException& error) {
    return Format("COleException. SCODE: %08lx.", static_cast<unsigned long>(error.scode));
}

std::string AutomationErrorText(const COleDispatchException& error) {
    std::string text = Format("COleDispatchException. SCODE: %08lx, Description: \"",
                              static_cast<unsigned long>(error.scode));
    const std::string ending = "\".";
    std::size_t room = kAutomationErrorTextSize - 1 - text.size() - ending.size();
    text += error.description.substr(0, room);
    return text + ending;
}

}  // namespace exl
