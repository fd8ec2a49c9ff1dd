#pragma once
// The export into a workbook file, without Excel: "Version" 0, or the answer Yes when
// no Excel could be started. It runs after the record file is complete.
#include <string>

namespace exl {

enum class FileExportOutcome {
    Saved,  // the file is written and opened; the driver closes with 0-19
    Ended,  // cancelled, or a problem shown; nothing was written
    Stopped,  // Abbrechen while the file was written; nothing was written, nothing shown yet
};

// Checks the template and the profile's tables against the workbook, asks the host
// where to save (request code 4), checks the target and asks before replacing it,
// writes the workbook beside the target and moves it over, and opens it. A long
// writing shows its progress and may be stopped. Every problem is shown before the
// command ends; whatever fails, the target stays as it was and no temporary file is left.
FileExportOutcome ExportToFile(const std::string& profilePath, const std::string& recordFile);

}  // namespace exl
