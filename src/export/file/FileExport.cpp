#include "export/file/FileExport.h"

#include <optional>

#include "export/file/AssociatedProgram.h"
#include "export/file/FileMessages.h"
#include "export/file/FileTarget.h"
#include "export/file/ListWorkbook.h"
#include "export/progress/TransferProgress.h"
#include "framework/CodePage.h"
#include "workbook/file/TargetFile.h"

namespace exl {

namespace {

// True when the workbook may be written there: after the user has agreed to replace
// an existing file. Otherwise the reason is shown (or the user said no).
bool TargetAccepted(const std::string& target, const std::string& templatePath, bool macros) {
    const char* extension = TargetExtension(macros);
    if (!HasExtension(target, extension)) {
        ShowFileMessage(kWrongExtensionKey, {target, extension});
        return false;
    }
    // The template is never changed, whatever the spelling of its path.
    if (!templatePath.empty() && workbook::SameFile(WideFromAnsi(target), WideFromAnsi(templatePath))) {
        ShowFileMessage(kTargetIsTemplateKey, {target});
        return false;
    }
    switch (workbook::ProbeTarget(WideFromAnsi(target))) {
    case workbook::TargetState::Absent: return true;
    case workbook::TargetState::Present: return AskFileQuestion(kReplaceQuestionKey, {target});
    case workbook::TargetState::FolderMissing: ShowFileMessage(kFolderMissingKey, {target}); break;
    case workbook::TargetState::ReadOnly: ShowFileMessage(kTargetReadOnlyKey, {target}); break;
    case workbook::TargetState::InUse: ShowFileMessage(kTargetInUseKey, {target}); break;
    case workbook::TargetState::NotAFile: ShowFileMessage(kCannotWriteKey, {target}); break;
    }
    return false;
}

}  // namespace

FileExportOutcome ExportToFile(const std::string& profilePath, const std::string& recordFile) {
    ListWorkbook list(profilePath, recordFile);
    // The template and the tables are checked first: what does not fit is told
    // before the user is asked where to save.
    if (!list.Prepare()) return FileExportOutcome::Ended;
    const std::optional<std::string> target = AskForTargetFile(profilePath, list.HasMacros());
    if (!target || !TargetAccepted(*target, list.TemplatePath(), list.HasMacros())) return FileExportOutcome::Ended;
    try {
        TransferProgress progress(TransferProgress::Steps::FileRows);
        std::string detail;
        if (!list.Write(*target, progress, detail)) {
            ShowFileMessage(kCannotWriteKey, {*target}, detail);
            return FileExportOutcome::Ended;
        }
    } catch (const StoppedByUser&) {
        return FileExportOutcome::Stopped;
    }
    OpenWithAssociatedProgram(*target);
    return FileExportOutcome::Saved;
}

}  // namespace exl
