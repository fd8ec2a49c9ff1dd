// orvanta-host: loads the plug-in like the CAD host does, sets it up, runs its
// command and reports every request the plug-in made.
//
//   orvanta-host [--dll PATH] [--drawing FILE] [--choose PATH]... [--no-choice]... [--interactive]
//
// --choose and --no-choice queue the answers to the plug-in's file selections in
// order; with none left the host answers "no choice", or with --interactive
// shows a file dialog. --drawing names the drawing (format in Drawing.h) that
// answers the plug-in's information query; without it the host writes no result.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "Drawing.h"
#include "HostSimulator.h"

namespace {

struct Options {
    std::string dllPath;
    bool interactive = false;
    bool valid = true;
};

std::string BesideExecutable(const char* name) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string directory(path);
    std::string::size_type slash = directory.find_last_of("\\/");
    directory.erase(slash == std::string::npos ? 0 : slash + 1);
    return directory + name;
}

Options ParseOptions(int argc, char** argv, orvanta::HostSimulator& host) {
    Options options;
    options.dllPath = BesideExecutable("ExcelKopplung.dll");
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        bool hasValue = i + 1 < argc;
        if (argument == "--dll" && hasValue) {
            options.dllPath = argv[++i];
        } else if (argument == "--drawing" && hasValue) {
            auto drawing = std::make_shared<orvanta::Drawing>();
            std::string error;
            if (drawing->Load(argv[++i], error)) {
                host.SetInfoQueryHandler(orvanta::DrawingAnswer(drawing));
            } else {
                std::fprintf(stderr, "orvanta-host: drawing %s: %s\n", argv[i], error.c_str());
                options.valid = false;
            }
        } else if (argument == "--choose" && hasValue) {
            std::string path = argv[++i];
            CharToOemA(&path[0], &path[0]);
            host.QueueFileSelection(orvanta::FileSelectionAnswer::Choose(path));
        } else if (argument == "--no-choice") {
            host.QueueFileSelection(orvanta::FileSelectionAnswer::NoChoice());
        } else if (argument == "--interactive") {
            options.interactive = true;
        } else {
            std::fprintf(stderr, "orvanta-host: unknown argument %s\n", argument.c_str());
            options.valid = false;
        }
    }
    return options;
}

void Report(const orvanta::HostSimulator& host) {
    for (const orvanta::RecordedRequest& request : host.Requests()) {
        switch (request.code) {
        case exl::kRequestFileSelection:
            std::printf("request 4 (file selection): prompt \"%s\", offered \"%s\", answer %d \"%s\"\n",
                        request.prompt.c_str(), request.pathOffered.c_str(), request.answer,
                        request.pathChosen.c_str());
            break;
        case exl::kRequestHostText:
            std::printf("request 11 (host text): \"%s\"\n", request.text.c_str());
            break;
        case exl::kRequestInfoQuery:
            std::printf("request 51 (information query): mode flags %u, search file %s, result %s\n",
                        request.modeFlags, request.searchSpecPath.c_str(), request.resultPath.c_str());
            break;
        default:
            std::printf("request %d\n", request.code);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    // Reports appear as they happen, also while the command waits on a dialog.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    orvanta::HostSimulator host;
    Options options = ParseOptions(argc, argv, host);
    if (!options.valid) return 2;
    host.SetInteractive(options.interactive);
    // The CAD host initialises OLE on its thread before it runs any command.
    OleInitialize(nullptr);
    int status = 0;
    if (!host.Load(options.dllPath)) {
        std::fprintf(stderr, "orvanta-host: cannot load %s or find %s\n", options.dllPath.c_str(),
                     exl::kEntryPointName);
        status = 1;
    } else {
        std::printf("loaded %s\n", options.dllPath.c_str());
        std::printf("entry type 2 answers %d\n", host.Entry(exl::kEntryQuery, nullptr));
        std::printf("entry type 3 (set-up) answers %d\n", host.SetUp());
        std::printf("entry type 4 (Excel-Kopplung) answers %d\n", host.RunCommand());
        Report(host);
        host.Unload();
    }
    OleUninitialize();
    return status;
}
