#include "HostSimulator.h"

#include <commdlg.h>

#include <cstring>
#include <fstream>
#include <sstream>

namespace orvanta {

using exl::FromSlot;
using exl::HostRequest;
using exl::ToSlot;

HostSimulator::HostSimulator() = default;

HostSimulator::~HostSimulator() { Unload(); }

bool HostSimulator::Load(const std::string& dllPath) {
    Unload();
    module_ = LoadLibraryA(dllPath.c_str());
    if (!module_) return false;
    entry_ = reinterpret_cast<exl::EntryPoint>(reinterpret_cast<void*>(GetProcAddress(module_, exl::kEntryPointName)));
    if (!entry_) Unload();
    return entry_ != nullptr;
}

void HostSimulator::Unload() {
    entry_ = nullptr;
    if (module_) FreeLibrary(module_);
    module_ = nullptr;
}

std::int16_t HostSimulator::Entry(std::int32_t type, exl::EntrySlot* block) {
    return entry_ ? entry_(type, block) : exl::kEntryRejected;
}

std::int32_t HostSimulator::Context() const { return static_cast<std::int32_t>(ToSlot(this)); }

std::int16_t HostSimulator::SetUp() {
    exl::EntrySlot block[4] = {ToSlot(reinterpret_cast<void*>(&HostSimulator::Callback)),
                               static_cast<exl::EntrySlot>(Context()), 0, 0};
    return Entry(exl::kEntrySetUp, block);
}

std::int16_t HostSimulator::RunCommand(const std::string& first, const char* second) {
    exl::EntrySlot block[4] = {ToSlot(first.c_str()), ToSlot(second), 0, 0};
    return Entry(exl::kEntryRunCommand, block);
}

std::vector<RecordedRequest> HostSimulator::RequestsWithCode(std::int32_t code) const {
    std::vector<RecordedRequest> matching;
    for (const RecordedRequest& request : requests_)
        if (request.code == code) matching.push_back(request);
    return matching;
}

std::int16_t __stdcall HostSimulator::Callback(HostRequest* request, std::int32_t context, std::int32_t code) {
    HostSimulator* host = FromSlot<HostSimulator>(static_cast<std::uint32_t>(context));
    RecordedRequest record;
    record.code = code;
    record.context = context;
    std::int16_t answer = host && request ? host->Answer(*request, record) : 0;
    record.answer = answer;
    if (host) host->requests_.push_back(record);
    return answer;
}

std::int16_t HostSimulator::Answer(HostRequest& request, RecordedRequest& record) {
    switch (record.code) {
    case exl::kRequestFileSelection:
        return AnswerFileSelection(request, record);
    case exl::kRequestHostText:
        record.text = FromSlot<const char>(request.slot[0]) ? FromSlot<const char>(request.slot[0]) : "";
        return 0;
    case exl::kRequestInfoQuery:
        AnswerInfoQuery(request, record);
        return 0;
    default:
        return 0;
    }
}

namespace {
bool ShowOpenFileDialog(const std::string& prompt, const std::string& offered, std::string& chosen) {
    char file[MAX_PATH] = {};
    std::string directory = offered;
    std::string pattern = offered;
    std::string::size_type slash = offered.find_last_of("\\/");
    if (slash != std::string::npos) {
        directory = offered.substr(0, slash);
        pattern = offered.substr(slash + 1);
    } else {
        directory.clear();
    }
    std::string filterText = pattern + std::string(1, '\0') + pattern + std::string(2, '\0');
    // A new name typed without extension gets the pattern's (".exl" for "*.exl").
    std::string::size_type dot = pattern.find_last_of('.');
    std::string extension = dot == std::string::npos ? std::string() : pattern.substr(dot + 1);
    if (extension.find_first_of("*?") != std::string::npos) extension.clear();
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof(dialog);
    dialog.lpstrFilter = filterText.c_str();
    dialog.lpstrFile = file;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrInitialDir = directory.empty() ? nullptr : directory.c_str();
    dialog.lpstrTitle = prompt.c_str();
    dialog.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
    dialog.Flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetOpenFileNameA(&dialog)) return false;
    // The host hands paths to the plug-in in the OEM code page.
    CharToOemA(file, file);
    chosen = file;
    return true;
}
}  // namespace

std::int16_t HostSimulator::AnswerFileSelection(HostRequest& request, RecordedRequest& record) {
    const char* prompt = FromSlot<const char>(request.slot[0]);
    char* buffer = FromSlot<char>(request.slot[1]);
    record.prompt = prompt ? prompt : "";
    record.pathOffered = buffer ? std::string(buffer, strnlen(buffer, exl::kHostPathBufferSize)) : "";
    FileSelectionAnswer answer;
    if (!fileAnswers_.empty()) {
        answer = fileAnswers_.front();
        fileAnswers_.pop_front();
    } else if (interactive_) {
        answer.chosen = ShowOpenFileDialog(record.prompt, record.pathOffered, answer.path);
    }
    if (!answer.chosen || !buffer) return 0;
    // The host never writes more than 255 characters and a terminator.
    std::size_t length = answer.path.size() < 255 ? answer.path.size() : 255;
    std::memcpy(buffer, answer.path.data(), length);
    buffer[length] = '\0';
    record.pathChosen = std::string(buffer, length);
    return exl::kFileChosen;
}

void HostSimulator::AnswerInfoQuery(HostRequest& request, RecordedRequest& record) {
    const char* specPath = FromSlot<const char>(request.slot[0]);
    const char* resultPath = FromSlot<const char>(request.slot[1]);
    record.searchSpecPath = specPath ? specPath : "";
    record.resultPath = resultPath ? resultPath : "";
    record.modeFlags = static_cast<std::uint8_t>(request.slot[2] & 0xFF);
    record.searchSpec = ReadWholeFile(record.searchSpecPath);
    if (infoQuery_ && specPath && resultPath) infoQuery_(record.searchSpecPath, record.resultPath, record.modeFlags);
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::string();
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

}  // namespace orvanta
