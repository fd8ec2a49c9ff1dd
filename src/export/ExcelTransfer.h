#pragma once
// The export's guarded block around the Excel work: connect, fill the sheets,
// release. The driver shows what it caught; tests read it.
#include <string>

#include "export/ExcelLauncher.h"
#include "settings/ExportSettings.h"
#include "export/progress/WriteProgress.h"
#include "framework/Automation.h"

namespace exl {

enum class TransferOutcome {
    Finished,         // written and released
    EndedEarly,       // an unknown version, or too few sheets; its message is shown
    NoExcel,          // versions 10, 9 and 8 all failed; 0-8 is shown
    AutomationError,  // a COleException left the block: automationError
    DispatchError,    // a COleDispatchException left the block: dispatchError
    Stopped,          // the user pressed Abbrechen; what was written stays
};

struct TransferResult {
    TransferOutcome outcome = TransferOutcome::Finished;
    COleException automationError{S_OK};
    COleDispatchException dispatchError;

    // The caught error's status, 0 when nothing was caught.
    HRESULT Scode() const;
};

// Connects with the settings (version, new-workbook flag, settings.profilePath),
// has the sheet writer fill the workbook from the record file and releases Excel.
// An automation error leaves the connection, which releases its references on the
// way, and is caught here; nothing is shown for it. A call Excel keeps turning away
// is retried; after each silent period catalogue entry 0-16 asks (Wiederholen goes
// on, Abbrechen ends with the COleException of the last rejected status).
// So is the user's stop.
//
// The export's own form shows the progress window (TransferProgress) while it writes
// or waits for a busy Excel; it is gone again when this returns.
TransferResult TransferToExcel(ExportSettings& settings, const std::string& recordFile,
                               ExcelLauncher& launcher = ExcelLauncher::Platform());
// With a progress of the caller's (none, or a window that shows at once).
TransferResult TransferToExcel(ExportSettings& settings, const std::string& recordFile, ExcelLauncher& launcher,
                               WriteProgress& progress);

}  // namespace exl
