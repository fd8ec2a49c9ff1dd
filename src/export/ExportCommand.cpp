#include "export/ExportCommand.h"

#include <windows.h>

#include "catalogue/MessageCatalogue.h"
#include "export/AutomationErrorText.h"
#include "export/ExcelTransfer.h"
#include "export/ExportDialog.h"
#include "export/file/FileExport.h"
#include "export/file/FileMessages.h"
#include "export/InformationQuery.h"
#include "framework/Application.h"
#include "framework/MessageBoxes.h"
#include "host/HostGateway.h"
#include "profile/ProfileDialog.h"

namespace exl {

namespace {

constexpr int kEndCaption = 0;
constexpr int kHostTextKey = 2;
constexpr int kAutomationErrorCaption = 11;
constexpr int kDispatchErrorCaption = 12;
constexpr int kClosingKey = 13;
constexpr int kNoRecordKey = 14;
constexpr int kStoppedKey = 17;
constexpr const char* kHostScratchFile = ".\\rizeraru.tmp";

std::string CommandText(int key) { return MessageCatalogue::Text(kMessageSection, key); }

// What ended the Excel work early, after every reference is released: an automation
// error, or the user's Abbrechen.
void ShowTransferEnd(const TransferResult& transfer) {
    if (transfer.outcome == TransferOutcome::Stopped)
        SystemMessageBox(CommandText(kStoppedKey), CommandText(kEndCaption), kClosingMessageFlags);
    if (transfer.outcome == TransferOutcome::DispatchError)
        SystemMessageBox(AutomationErrorText(transfer.dispatchError), CommandText(kDispatchErrorCaption),
                         kNoticeMessageFlags);
    if (transfer.outcome == TransferOutcome::AutomationError)
        SystemMessageBox(AutomationErrorText(transfer.automationError), CommandText(kAutomationErrorCaption),
                         kNoticeMessageFlags);
}

void DeleteCommandFiles(const std::string& recordFile) {
    // The scratch files may or may not exist; deleting a missing one is harmless.
    DeleteFileA(kHostScratchFile);
    DeleteFileA(kEditorScratchFile);
    DeleteFileA(recordFile.c_str());
}

void Finish(const std::string& recordFile, int closingKey) {
    DeleteCommandFiles(recordFile);
    SystemMessageBox(CommandText(closingKey), CommandText(kEndCaption), kClosingMessageFlags);
    Application& app = Application::Instance();
    app.UnlockOle();
    app.CanUnloadNow();
}

// The list into a workbook file. Ended without saving (cancelled, stopped, or a
// problem shown), the command's files go all the same: nothing is left to retry from.
void SaveAsFile(const ExportSettings& settings, const std::string& recordFile) {
    switch (ExportToFile(settings.profilePath, recordFile)) {
    case FileExportOutcome::Saved: Finish(recordFile, kSavedClosingKey); return;
    case FileExportOutcome::Stopped: ShowFileMessage(kSavingStoppedKey); break;
    case FileExportOutcome::Ended: break;
    }
    DeleteCommandFiles(recordFile);
}

}  // namespace

std::int16_t RunExportCommand(const char*, const char*) {
    Application::Instance().SetHelpFile(MessageCatalogue::HelpFile());
    ExportDialog dialog;
    dialog.Load(LoadExportSettings());
    INT_PTR answer = dialog.DoModal();
    SendHostText(CommandText(kHostTextKey));
    // Cancel ends here; so does a dialog that could not be shown, before any file is touched.
    if (answer != IDOK) return 0;

    ExportSettings settings = dialog.Settings();
    SaveExportSettings(settings);
    if (settings.profilePath.empty()) return 0;

    QueryOutcome query = RunInformationQuery(settings);
    if (query.commandEnded) return 0;
    if (query.recordCount == 0) {
        SystemMessageBox(CommandText(kNoRecordKey), CommandText(kEndCaption), kClosingMessageFlags);
        return 0;
    }
    DeleteFileA(query.resultFile.c_str());
    DeleteFileA(query.fieldListFile.c_str());

    if (settings.excelVersion == kFileVersion) {
        SaveAsFile(settings, query.recordFile);
        return 0;
    }
    const TransferResult transfer = TransferToExcel(settings, query.recordFile);
    if (transfer.outcome == TransferOutcome::NoExcel) {
        // "Version" keeps the last version tried; the file is offered for this run only.
        if (AskFileQuestion(kSaveInsteadQuestionKey)) SaveAsFile(settings, query.recordFile);
        return 0;
    }
    if (transfer.outcome == TransferOutcome::EndedEarly) return 0;
    ShowTransferEnd(transfer);
    Finish(query.recordFile, kClosingKey);
    return 0;
}

}  // namespace exl
