#include "export/file/FileMessages.h"

#include "catalogue/MessageCatalogue.h"
#include "framework/MessageBoxes.h"

namespace exl {

namespace {

constexpr int kCaptionKey = 0;
constexpr const char* kPlaceholder = "%s";

}  // namespace

std::string FileMessageText(int key, const std::vector<std::string>& values) {
    std::string text = MessageCatalogue::Text(kMessageSection, key);
    std::size_t at = 0;
    for (const std::string& value : values) {
        at = text.find(kPlaceholder, at);
        if (at == std::string::npos) break;
        text.replace(at, 2, value);
        at += value.size();
    }
    return text;
}

void ShowFileMessage(int key, const std::vector<std::string>& values, const std::string& detail) {
    const std::string text = FileMessageText(key, values) + (detail.empty() ? "" : "\n\n" + detail);
    SystemMessageBox(text, MessageCatalogue::Text(kMessageSection, kCaptionKey), kClosingMessageFlags);
}

bool AskFileQuestion(int key, const std::vector<std::string>& values) {
    return SystemMessageBox(FileMessageText(key, values), MessageCatalogue::Text(kMessageSection, kCaptionKey),
                            kQuestionFlags | MB_SETFOREGROUND) == IDYES;
}

}  // namespace exl
