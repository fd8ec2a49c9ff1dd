#include "ProfileTestSupport.h"

#include "Scratch.h"
#include "framework/Ini.h"
#include "host/ModuleState.h"

namespace exl::test {

ScopedHost::ScopedHost()
    : previousCallback_(TheModuleState().hostCallback), previousContext_(TheModuleState().hostContext) {
    TheModuleState().hostCallback = orvanta::HostSimulator::CallbackFunction();
    TheModuleState().hostContext = sim.Context();
}

ScopedHost::~ScopedHost() {
    TheModuleState().hostCallback = previousCallback_;
    TheModuleState().hostContext = previousContext_;
}

namespace {
// The platform lists names and sections as strings that each end in 0, the whole
// list in a second 0.
std::vector<std::string> SplitDoubleNullList(const std::vector<char>& buffer, DWORD length) {
    std::vector<std::string> items;
    std::size_t at = 0;
    while (at < length && buffer[at] != '\0') {
        std::string item(&buffer[at]);
        at += item.size() + 1;
        items.push_back(item);
    }
    return items;
}
}  // namespace

std::vector<IniSection> IniContents(const std::string& path) {
    std::vector<IniSection> contents;
    std::vector<char> names(1 << 16, '\0');
    DWORD length = GetPrivateProfileSectionNamesA(names.data(), static_cast<DWORD>(names.size()), path.c_str());
    for (const std::string& name : SplitDoubleNullList(names, length)) {
        std::vector<char> lines(1 << 16, '\0');
        DWORD used = GetPrivateProfileSectionA(name.c_str(), lines.data(), static_cast<DWORD>(lines.size()),
                                               path.c_str());
        contents.emplace_back(name, SplitDoubleNullList(lines, used));
    }
    return contents;
}

std::string IniValue(const std::string& path, const std::string& section, const std::string& key) {
    return ReadIniString(path, section, key, kAbsent);
}

void WaitUntil(const std::function<bool()>& condition, const std::string& what, int timeoutMs) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > static_cast<DWORD>(timeoutMs)) throw UiTimeout("still waiting: " + what);
        Sleep(20);
    }
}

std::string ProfileEditorTitle() { return ToAnsi("Übergabeprofil definieren"); }
std::string FieldDialogTitle() { return "Felddefinitionen"; }

}  // namespace exl::test
