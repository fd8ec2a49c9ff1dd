#include "export/ExportCommand.h"

#include <windows.h>

#include <exception>
#include <new>

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
constexpr int kOutOfMemoryKey = 42;
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

// Deletes the command's files when an exception (memory run out) ends the command
// meanwhile: as after any other end, nothing is left to retry from.
class CommandFilesOnFailure {
public:
    explicit CommandFilesOnFailure(const std::string& recordFile)
        : recordFile_(recordFile), exceptions_(std::uncaught_exceptions()) {}
    ~CommandFilesOnFailure() {
        if (std::uncaught_exceptions() > exceptions_) DeleteCommandFiles(recordFile_);
    }
    CommandFilesOnFailure(const CommandFilesOnFailure&) = delete;
    CommandFilesOnFailure& operator=(const CommandFilesOnFailure&) = delete;

private:
    const std::string& recordFile_;
    int exceptions_;
};

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

void RunCommand() {
    Application::Instance().SetHelpFile(MessageCatalogue::HelpFile());
    ExportDialog dialog;
    dialog.Load(LoadExportSettings());
    INT_PTR answer = dialog.DoModal();
    SendHostText(CommandText(kHostTextKey));
    // Cancel ends here; so does a dialog that could not be shown, before any file is touched.
    if (answer != IDOK) return;

    ExportSettings settings = dialog.Settings();
    SaveExportSettings(settings);
    if (settings.profilePath.empty()) return;

    QueryOutcome query = RunInformationQuery(settings);
    if (query.commandEnded) return;
    if (query.recordCount == 0) {
        SystemMessageBox(CommandText(kNoRecordKey), CommandText(kEndCaption), kClosingMessageFlags);
        return;
    }
    const CommandFilesOnFailure files(query.recordFile);
    DeleteFileA(query.resultFile.c_str());
    DeleteFileA(query.fieldListFile.c_str());

    if (settings.excelVersion == kFileVersion) {
        SaveAsFile(settings, query.recordFile);
        return;
    }
    const TransferResult transfer = TransferToExcel(settings, query.recordFile);
    if (transfer.outcome == TransferOutcome::NoExcel) {
        // "Version" keeps the last version tried; the file is offered for this run only.
        if (AskFileQuestion(kSaveInsteadQuestionKey)) SaveAsFile(settings, query.recordFile);
        return;
    }
    if (transfer.outcome == TransferOutcome::EndedEarly) return;
    ShowTransferEnd(transfer);
    Finish(query.recordFile, kClosingKey);
}

}  // namespace

std::int16_t RunExportCommand(const char*, const char*) {
    // Memory running out, anywhere, ends the command with a message of its own: what
    // held the memory has gone with the unwinding, so the message can be shown.
    try {
        RunCommand();
    } catch (const std::bad_alloc&) {
        SystemMessageBox(CommandText(kOutOfMemoryKey), CommandText(kEndCaption), kClosingMessageFlags);
    }
    return 0;
}

}  // namespace exl
