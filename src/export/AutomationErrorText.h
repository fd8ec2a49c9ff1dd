#pragma once
#include <string>

#include "framework/Automation.h"

namespace exl {

// The texts of the two automation error messages, each held in 1,024 bytes: a
// description too long for that is cut so the text still ends with its closing quote.
constexpr std::size_t kAutomationErrorTextSize = 1024;

std::string AutomationErrorText(const COleException& error);
std::string AutomationErrorText(const COleDispatchException& error);

}  // namespace exl
