#include "export/file/FileTarget.h"

#include <cstring>

#include "export/file/FileMessages.h"
#include "framework/CodePage.h"
#include "host/HostGateway.h"
#include "catalogue/MessageCatalogue.h"

namespace exl {

namespace {

std::size_t NameStart(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/:");
    return slash == std::string::npos ? 0 : slash + 1;
}

}  // namespace

const char* TargetExtension(bool macros) { return macros ? ".xlsm" : ".xlsx"; }

bool HasExtension(const std::string& path, const char* extension) {
    const std::size_t length = std::strlen(extension);
    return path.size() > length + NameStart(path) && _stricmp(path.c_str() + path.size() - length, extension) == 0;
}

std::string DefaultTargetPath(const std::string& profilePath, bool macros) {
    const std::size_t dot = profilePath.rfind('.');
    const bool hasExtension = dot != std::string::npos && dot >= NameStart(profilePath);
    return (hasExtension ? profilePath.substr(0, dot) : profilePath) + TargetExtension(macros);
}

std::optional<std::string> AskForTargetFile(const std::string& profilePath, bool macros) {
    char path[kHostPathBufferSize] = {};
    // The host speaks the OEM code page. A default that does not fit the buffer is
    // offered by its file name alone.
    std::string offered = ConvertAnsiToOem(DefaultTargetPath(profilePath, macros));
    if (offered.size() >= sizeof path) offered = offered.substr(NameStart(offered));
    if (offered.size() < sizeof path) std::memcpy(path, offered.c_str(), offered.size() + 1);
    const std::string prompt = MessageCatalogue::Text(kMessageSection, kSaveAsPromptKey);
    if (RequestFileSelection(prompt.c_str(), path) != kFileChosen) return std::nullopt;
    path[sizeof path - 1] = '\0';
    return ConvertOemToAnsi(path);
}

}  // namespace exl
