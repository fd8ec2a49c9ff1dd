#pragma once
#include <string>

#include "framework/Automation.h"

namespace exl {

// Fills the workbook from the record file, table by table, column by column,
// one row per record number. Excel's refusals leave as automation errors.
class SheetWriter {
public:
    SheetWriter(AutomationRef& sheets, AutomationRef& worksheet, AutomationRef& range);
    void Write(const std::string& profilePath, const std::string& recordFile);

private:
    AutomationRef& sheets_;
    AutomationRef& worksheet_;
    AutomationRef& range_;
};

}  // namespace exl
