#include "catalogue/MessageCatalogue.h"

#include "framework/Application.h"
#include "framework/Ini.h"
#include "framework/MessageBoxes.h"
#include "framework/UiSeam.h"

namespace exl {

std::string MessageCatalogue::Text(int section, int key) {
    std::string entryName = Format("%i-%i", section, key);
    return ReadIniString(kFile, Format("%i", section), Format("%i", key), entryName);
}

int MessageCatalogue::HelpContext(const char* key, int defaultContext) {
    return ReadIniInt(kFile, kHelpSection, key, defaultContext);
}

std::string MessageCatalogue::HelpFile() { return ReadIniString(kFile, kHelpSection, "Helpfile", kDefaultHelpFile); }

std::string FillPlaceholders(const std::string& entry, const std::vector<std::string>& values) {
    std::string filled;
    std::size_t next = 0;
    for (std::size_t at = 0; at < entry.size(); ++at) {
        const char following = at + 1 < entry.size() ? entry[at + 1] : '\0';
        if (entry[at] != '%' || (following != 'i' && following != 's' && following != '%')) {
            filled += entry[at];
            continue;
        }
        ++at;
        if (following == '%')
            filled += '%';
        else if (next < values.size())
            filled += values[next++];
    }
    return filled;
}

std::string GroupedNumber(std::int64_t number) {
    // Digits of the magnitude, so the lowest number has a magnitude too.
    const bool negative = number < 0;
    std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(number) : static_cast<std::uint64_t>(number);
    std::string reversed;
    for (int digits = 0; digits == 0 || magnitude != 0; ++digits, magnitude /= 10) {
        if (digits > 0 && digits % 3 == 0) reversed += '.';
        reversed += static_cast<char>('0' + magnitude % 10);
    }
    if (negative) reversed += '-';
    return std::string(reversed.rbegin(), reversed.rend());
}

void SetDialogTexts(HWND dialog, int section, int titleKey, const CatalogueControlText* texts, std::size_t count) {
    SetWindowTextA(dialog, MessageCatalogue::Text(section, titleKey).c_str());
    for (std::size_t i = 0; i < count; ++i)
        SetDlgItemTextA(dialog, texts[i].controlId, MessageCatalogue::Text(section, texts[i].key).c_str());
}

void ShowHelpTopic(HWND dialog, const HelpTopic& topic) {
    int context = MessageCatalogue::HelpContext(topic.key, topic.defaultContext);
    HWND topLevel = GetAncestor(dialog, GA_ROOT);
    Application& app = Application::Instance();
    HCURSOR previous = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    BOOL shown = app.Ui().ShowHelp(topLevel ? topLevel : dialog, app.HelpFile().c_str(), HELP_CONTEXT,
                                   static_cast<ULONG_PTR>(static_cast<unsigned>(context)));
    SetCursor(previous);
    if (!shown) FrameworkMessageBox(kHelpFailedMessage);
}

int AskTwoParagraphQuestion(int section, int firstKey, int secondKey, int captionKey, std::size_t bufferSize) {
    std::string text = MessageCatalogue::Text(section, firstKey) + "\n\n" + MessageCatalogue::Text(section, secondKey);
    // The joined text never outgrows the buffer it is held in.
    if (bufferSize > 0 && text.size() > bufferSize - 1) text.resize(bufferSize - 1);
    return SystemMessageBox(text, MessageCatalogue::Text(section, captionKey), kQuestionFlags);
}

}  // namespace exl
