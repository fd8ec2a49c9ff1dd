#include "profile/DefineProfileAction.h"

#include <cstdio>

#include "catalogue/MessageCatalogue.h"
#include "framework/Dialog.h"
#include "framework/Ini.h"
#include "framework/Raii.h"
#include "host/HostGateway.h"
#include "profile/ProfileDialog.h"
#include "profile/TransferProfile.h"

namespace exl {

namespace {

constexpr int kCatalogueSection = 1;
constexpr int kCaptionKey = 1;
constexpr int kPromptKey = 14;
constexpr int kNoProfileFirstKey = 15;
constexpr int kNoProfileSecondKey = 16;
constexpr int kCannotOpenFirstKey = 17;
constexpr int kCannotOpenSecondKey = 18;
// Both questions are joined in 256 bytes.
constexpr std::size_t kQuestionBufferSize = 256;
// This step offers the fixed pattern, not the host INI's.
constexpr const char* kProfilePattern = ".\\exl\\*.exl";

bool AskQuestion(int firstKey, int secondKey) {
    return AskTwoParagraphQuestion(kCatalogueSection, firstKey, secondKey, kCaptionKey, kQuestionBufferSize) != IDNO;
}

// Whether the file can be opened for reading and writing in text mode: false when it
// does not exist or cannot be written. The file is closed again at once.
bool CanOpenForUpdate(const std::string& path) { return OpenFile(path.c_str(), "r+t") != nullptr; }

// Asks the host for a profile. On a choice, the path as the host returned it (no code
// page conversion here) goes into the edit and profilePath, and a file that cannot be
// opened is seeded as a new profile. Otherwise profilePath stays empty.
void ChooseProfile(HWND edit, std::string& profilePath) {
    const std::string prompt = MessageCatalogue::Text(kCatalogueSection, kPromptKey);
    char path[kHostPathBufferSize] = {};
    std::snprintf(path, sizeof(path), "%s", kProfilePattern);
    if (RequestFileSelection(prompt.c_str(), path) != kFileChosen) return;
    profilePath = path;
    SetWindowTextA(edit, path);
    if (!CanOpenForUpdate(profilePath)) TransferProfile(profilePath).WriteSeed();
}

}  // namespace

void RunDefineProfileAction(HWND exportDialog, int profileEditId, std::string& profilePath) {
    HWND edit = GetDlgItem(exportDialog, profileEditId);
    profilePath = WindowText(edit, kIniValueMaxChars);
    if (profilePath.empty()) {
        if (!AskQuestion(kNoProfileFirstKey, kNoProfileSecondKey)) return;
        ChooseProfile(edit, profilePath);
    } else if (!CanOpenForUpdate(profilePath)) {
        // Yes goes on to the editor; the file is not created here.
        if (!AskQuestion(kCannotOpenFirstKey, kCannotOpenSecondKey)) return;
    }
    ProfileDialog editor;
    editor.profilePath = profilePath;
    editor.DoModal();
}

}  // namespace exl
