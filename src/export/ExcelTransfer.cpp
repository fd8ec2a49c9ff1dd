#include "export/ExcelTransfer.h"

#include "catalogue/MessageCatalogue.h"
#include "export/ExcelConnection.h"
#include "export/SheetWriter.h"
#include "export/progress/TransferProgress.h"
#include "framework/MessageBoxes.h"
#include "framework/RejectedCalls.h"

namespace exl {

namespace {

constexpr int kBusyExcelMessage = 16;
constexpr int kBusyExcelCaption = 0;

// Excel turns calls away while the user types in a cell or while it shows a dialog
// of its own; after a silent period of that the user is told what to do.
bool AskToRetryWhenExcelTakesData(HRESULT) {
    return SystemMessageBox(MessageCatalogue::Text(kMessageSection, kBusyExcelMessage),
                            MessageCatalogue::Text(kMessageSection, kBusyExcelCaption),
                            kRetryQuestionFlags) == IDRETRY;
}

}  // namespace

HRESULT TransferResult::Scode() const {
    switch (outcome) {
    case TransferOutcome::AutomationError: return automationError.scode;
    case TransferOutcome::DispatchError: return dispatchError.scode;
    default: return S_OK;
    }
}

TransferResult TransferToExcel(ExportSettings& settings, const std::string& recordFile, ExcelLauncher& launcher) {
    TransferProgress progress;
    return TransferToExcel(settings, recordFile, launcher, progress);
}

TransferResult TransferToExcel(ExportSettings& settings, const std::string& recordFile, ExcelLauncher& launcher,
                               WriteProgress& progress) {
    TransferResult result;
    const ScopedRejectedCallQuestion question(AskToRetryWhenExcelTakesData);
    try {
        ExcelConnection connection(settings, settings.profilePath, launcher);
        switch (connection.Connect()) {
        case ExcelConnection::Outcome::Ready: break;
        case ExcelConnection::Outcome::EndedEarly: result.outcome = TransferOutcome::EndedEarly; return result;
        case ExcelConnection::Outcome::NoExcel: result.outcome = TransferOutcome::NoExcel; return result;
        }
        SheetWriter(connection.SheetCollection(), connection.Worksheet(), connection.CellRange(), progress)
            .Write(settings.profilePath, recordFile);
        connection.Release();
    } catch (const COleDispatchException& error) {
        result.outcome = TransferOutcome::DispatchError;
        result.dispatchError = error;
    } catch (const COleException& error) {
        result.outcome = TransferOutcome::AutomationError;
        result.automationError = error;
    } catch (const StoppedByUser&) {
        result.outcome = TransferOutcome::Stopped;
    }
    return result;
}

}  // namespace exl
