#pragma once
// What the export into a workbook file shows and asks: catalogue entries of
// section 0, several naming a file or a table, which "%s" in the text stands for.
#include <string>
#include <vector>

namespace exl {

enum FileMessageKey : int {
    kSaveAsPromptKey = 18,
    kSavedClosingKey = 19,
    kSaveInsteadQuestionKey = 20,
    kReplaceQuestionKey = 21,
    kTemplateNotWorkbookKey = 22,
    kTemplateMissingKey = 23,
    kTemplateUnusableKey = 24,
    kFolderMissingKey = 25,
    kTargetReadOnlyKey = 26,
    kTargetInUseKey = 27,
    kTargetIsTemplateKey = 28,
    kNoSuchSheetKey = 29,
    kNotAWorksheetKey = 30,
    kCellOutsideSheetKey = 31,
    kCannotWriteKey = 32,
    kWrongExtensionKey = 33,
    kSavingStoppedKey = 34,
    kForeignTableKey = 35,
    kHiddenMergedCellKey = 36,
    kTemplatePackingKey = 37,
    kTemplatePartTooLargeKey = 38,
    kTemplateTooLargeKey = 39,
    kTemplateOutsideKey = 40,
    kTemplateEncodingKey = 41,
};

// The entry's text with each "%s" replaced by the next value. The values are put in
// as they are, never read as formats, so a path with "%" shows as it is.
std::string FileMessageText(int key, const std::vector<std::string>& values = {});
// In the system message box: caption 0-0, OK, exclamation icon, set foreground. A
// detail (what the system said went wrong) follows the entry's text as a paragraph
// of its own.
void ShowFileMessage(int key, const std::vector<std::string>& values = {}, const std::string& detail = {});
// Yes/No under caption 0-0 with the question icon, set foreground. True for Yes.
bool AskFileQuestion(int key, const std::vector<std::string>& values = {});

}  // namespace exl
