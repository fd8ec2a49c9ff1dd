#include "export/ExcelTransfer.h"

#include "export/ExcelConnection.h"
#include "export/SheetWriter.h"

namespace exl {

HRESULT TransferResult::Scode() const {
    switch (outcome) {
    case TransferOutcome::AutomationError: return automationError.scode;
    case TransferOutcome::DispatchError: return dispatchError.scode;
    default: return S_OK;
    }
}

TransferResult TransferToExcel(ExportSettings& settings, const std::string& recordFile, ExcelLauncher& launcher) {
    TransferResult result;
    try {
        ExcelConnection connection(settings, settings.profilePath, launcher);
        switch (connection.Connect()) {
        case ExcelConnection::Outcome::Ready: break;
        case ExcelConnection::Outcome::EndedEarly: result.outcome = TransferOutcome::EndedEarly; return result;
        case ExcelConnection::Outcome::NoExcel: result.outcome = TransferOutcome::NoExcel; return result;
        }
        SheetWriter(connection.SheetCollection(), connection.Worksheet(), connection.CellRange())
            .Write(settings.profilePath, recordFile);
        connection.Release();
    } catch (const COleDispatchException& error) {
        result.outcome = TransferOutcome::DispatchError;
        result.dispatchError = error;
    } catch (const COleException& error) {
        result.outcome = TransferOutcome::AutomationError;
        result.automationError = error;
    }
    return result;
}

}  // namespace exl
