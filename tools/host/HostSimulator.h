#pragma once
// The Orvanta host's side of the plug-in interface, for tests, the demo and anyone
// trying profiles without the CAD program: loads the plug-in, sets it up, runs its
// command and answers its requests, recording each one.
#include <windows.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "host/HostInterface.h"

namespace orvanta {

struct RecordedRequest {
    std::int32_t code = 0;
    std::int32_t context = 0;
    std::string prompt;       // code 4
    std::string pathOffered;  // code 4: the buffer's contents on entry
    std::string pathChosen;   // code 4: what the host wrote back (empty for no choice)
    std::int16_t answer = 0;
    std::string text;            // code 11
    std::string searchSpecPath;  // code 51
    std::string resultPath;      // code 51
    std::string searchSpec;      // code 51: the search file as the host read it
    std::uint8_t modeFlags = 0;  // code 51
};

// One scripted answer to a file selection: a path (OEM code page), or no choice.
struct FileSelectionAnswer {
    bool chosen = false;
    std::string path;
    static FileSelectionAnswer Choose(const std::string& path) { return {true, path}; }
    static FileSelectionAnswer NoChoice() { return {false, {}}; }
};

class HostSimulator {
public:
    // Answers a search: reads the search file, writes the result file.
    using InfoQueryHandler =
        std::function<void(const std::string& searchSpecPath, const std::string& resultPath, std::uint8_t flags)>;

    HostSimulator();
    ~HostSimulator();
    HostSimulator(const HostSimulator&) = delete;
    HostSimulator& operator=(const HostSimulator&) = delete;

    // Loads the plug-in and finds its entry by the exact export name.
    bool Load(const std::string& dllPath);
    void Unload();
    bool Loaded() const { return entry_ != nullptr; }
    HMODULE Module() const { return module_; }

    std::int16_t Entry(std::int32_t type, exl::EntrySlot* block);
    // Type 3 with this host's callback; the context identifies the simulator.
    std::int16_t SetUp();
    // Type 4: runs the command to its end.
    std::int16_t RunCommand(const std::string& first = "Excel-Kopplung", const char* second = nullptr);

    void QueueFileSelection(const FileSelectionAnswer& answer) { fileAnswers_.push_back(answer); }
    // With no queued answer: show a real file dialog when interactive, else no choice.
    void SetInteractive(bool interactive) { interactive_ = interactive; }
    void SetInfoQueryHandler(InfoQueryHandler handler) { infoQuery_ = std::move(handler); }

    const std::vector<RecordedRequest>& Requests() const { return requests_; }
    std::vector<RecordedRequest> RequestsWithCode(std::int32_t code) const;
    void ClearRequests() { requests_.clear(); }

    std::int32_t Context() const;
    // The host callback this simulator hands over; the context names the simulator.
    static exl::HostCallback CallbackFunction() { return &HostSimulator::Callback; }

private:
    static std::int16_t __stdcall Callback(exl::HostRequest* request, std::int32_t context, std::int32_t code);
    std::int16_t Answer(exl::HostRequest& request, RecordedRequest& record);
    std::int16_t AnswerFileSelection(exl::HostRequest& request, RecordedRequest& record);
    void AnswerInfoQuery(exl::HostRequest& request, RecordedRequest& record);

    HMODULE module_ = nullptr;
    exl::EntryPoint entry_ = nullptr;
    std::deque<FileSelectionAnswer> fileAnswers_;
    bool interactive_ = false;
    InfoQueryHandler infoQuery_;
    std::vector<RecordedRequest> requests_;
};

// The whole content of a text file, or empty when it cannot be read.
std::string ReadWholeFile(const std::string& path);

}  // namespace orvanta
