#pragma once
// The list as a workbook file: the profile's tables laid onto a new workbook or onto
// the profile's template, checked, and then written to a target. The export into a
// file runs it between asking the user; the benchmark runs it alone.
#include <cstdint>
#include <string>
#include <vector>

#include "export/file/FileLayout.h"
#include "export/progress/WriteProgress.h"
#include "framework/IniSnapshot.h"
#include "workbook/sheet/SheetTables.h"
#include "workbook/file/TemplateFile.h"

namespace exl {

class ListWorkbook {
public:
    ListWorkbook(std::string profilePath, const std::string& recordFile);

    // Reads and checks the template ([Datei] "Excelvorlage"; none: a new workbook),
    // lays the tables onto its sheets and fits them to its merged cells and Excel
    // tables. false when something does not fit; its message (0-9, or from 0-22 on)
    // has been shown.
    bool Prepare();
    // After Prepare: whether the workbook holds macros (it then needs ".xlsm").
    bool HasMacros() const;
    const std::string& TemplatePath() const { return templatePath_; }
    // Writes the workbook beside the target and moves it over the target, reporting
    // every row made. false when that failed, with what went wrong in `detail` (see
    // SaveWorkbook); the target is as it was and nothing is shown. The progress may
    // raise StoppedByUser, which leaves the target as it was too.
    bool Write(const std::string& target, WriteProgress& progress, std::string& detail) const;

private:
    bool UseTemplate();
    bool FitsTemplate();

    std::string profilePath_;
    std::string templatePath_;
    IniSnapshot records_;
    std::int32_t recordCount_ = 0;
    workbook::TemplateFile template_;
    SheetFields fields_;
    std::vector<workbook::TableGrowth> growths_;
};

}  // namespace exl
