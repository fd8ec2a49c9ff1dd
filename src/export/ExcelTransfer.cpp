#include "export/ExcelTransfer.h"

#include "export/ExcelConnection.h"
#include "export/SheetWriter.h"
#include "export/TransferProgress.h"

namespace exl {

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
    try {
        ExcelConnection connection(settings, settings.profilePath, launcher);
        if (connection.Connect() != ExcelConnection::Outcome::Ready) {
            result.outcome = TransferOutcome::EndedEarly;
            return result;
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
