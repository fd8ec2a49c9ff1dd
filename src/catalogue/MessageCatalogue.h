#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace exl {

// The texts the plug-in shows live in ".\string_exl.txt" beside it. Every use
// looks its entry up afresh; a missing file, section or key gives the entry's
// own name ("1-14"), and at most 254 characters of a text count.
class MessageCatalogue {
public:
    static constexpr const char* kFile = ".\\string_exl.txt";
    static constexpr const char* kHelpSection = "Orvanta";
    static constexpr const char* kDefaultHelpFile = ".\\orva.hlp";

    static std::string Text(int section, int key);
    // The help context number under a key of section "Orvanta": the default when
    // absent, 0 when the value does not begin with a number.
    static int HelpContext(const char* key, int defaultContext);
    static std::string HelpFile();
};

// Section 0: the command's own messages and captions, the file export's among them.
constexpr int kMessageSection = 0;

// An entry with placeholders filled in: each "%i" or "%s" in turn takes the next of
// the values (texts already), "%%" stands for "%". A placeholder beyond the values
// stays empty, values beyond the placeholders are dropped, any other "%" stays. The
// catalogue is a text a user may edit, so it never goes to printf as a format.
std::string FillPlaceholders(const std::string& entry, const std::vector<std::string>& values);

// A whole number with German digit grouping: 3000 gives "3.000", -1234567 "-1.234.567".
std::string GroupedNumber(std::int64_t number);

// Help keys of the three dialogs and their defaults.
struct HelpTopic {
    const char* key;
    int defaultContext;
};
constexpr HelpTopic kExportDialogHelp = {"HELP_ID1", 131206};
constexpr HelpTopic kProfileEditorHelp = {"HELP_ID2", 131207};
constexpr HelpTopic kFieldDialogHelp = {"HELP_ID3", 131206};

constexpr const char* kHelpFailedMessage = "Die Hilfe konnte nicht aufgerufen werden.";

// A control and the key of its text in a dialog's catalogue section.
struct CatalogueControlText {
    int controlId;
    int key;
};
// Sets the dialog's title from entry section-titleKey, then each control's text from
// its entry of the same section, in the order given.
void SetDialogTexts(HWND dialog, int section, int titleKey, const CatalogueControlText* texts, std::size_t count);
template <std::size_t N>
void SetDialogTexts(HWND dialog, int section, int titleKey, const CatalogueControlText (&texts)[N]) {
    SetDialogTexts(dialog, section, titleKey, texts, N);
}

// F1 in a dialog: the topic's context through WinHelp (HELP_CONTEXT) on the dialog's
// top-level window with the application's help file, under the wait cursor; a
// failing call shows the framework's message.
void ShowHelpTopic(HWND dialog, const HelpTopic& topic);

// A question of two paragraphs ("%s\n\n%s") under a caption, Yes/No with the question
// icon, joined in a buffer of bufferSize bytes: longer texts are cut to fit.
// Returns IDYES or IDNO.
int AskTwoParagraphQuestion(int section, int firstKey, int secondKey, int captionKey, std::size_t bufferSize);

}  // namespace exl
