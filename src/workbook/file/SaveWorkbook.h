#pragma once
// Saving a workbook file at a path: written into a temporary file beside the
// target and moved over it when complete. Whatever fails, the target stays as it
// was and no temporary file is left.
#include <functional>
#include <string>

#include "workbook/zip/ZipWriter.h"

namespace exl::workbook {

enum class SaveProblem {
    None,
    CannotCreate,   // the folder takes no new file
    CannotWrite,    // writing failed (disk full, a limit of the format, a faulty source)
    CannotReplace,  // the target could not be replaced
};

// `write` fills the zip and finishes it; false with a problem when it cannot.
using WorkbookContent = std::function<bool(ZipWriter& zip, std::string& problem)>;
// detail: what went wrong, for the user's message: the system's text of the Windows
// error where a Windows call failed, else the writer's problem.
SaveProblem SaveWorkbook(const std::wstring& target, const WorkbookContent& write, std::string& detail);

// The local time as zip stores it.
DosTimestamp DosNow();

}  // namespace exl::workbook
