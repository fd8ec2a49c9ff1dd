// exl-demo: one whole export of a drawing, as a user would run it, with the export
// dialog confirmed by script. It stands in for the CAD host (orvanta-host's
// library) and for Excel (excel-standin), leaves the workbook as an .xlsx file and a
// picture of the export dialog, and prints every cell as Excel holds it, with its type.
//
//   exl-demo --drawing FILE --out DIR [--file XLSX]
//
// With --file the export goes into that workbook file instead of Excel ("Version" 0
// in the settings): the runner answers the plug-in's question where to save with it.
//
// Run it in the host's working directory: string_exl.txt, exl\rizeraru.ini naming
// the profile, and the profile itself are read from there, as the plug-in does.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include "Drawing.h"
#include "HostSimulator.h"
#include "Screenshot.h"
#include "StandinClient.h"
#include "UiDriver.h"
#include "settings/ExportSettings.h"
#include "profile/TransferProfile.h"

namespace {

struct Options {
    std::string drawing;
    std::string out;
    std::string file;  // the workbook file to export into; "" for Excel
};

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string name = argv[i];
        if (name == "--drawing")
            options.drawing = argv[i + 1];
        else if (name == "--out")
            options.out = argv[i + 1];
        else if (name == "--file")
            options.file = argv[i + 1];
        else
            return false;
    }
    return !options.drawing.empty() && !options.out.empty();
}

std::string BesideProgram(const char* name) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string directory(path);
    return directory.substr(0, directory.find_last_of("\\/") + 1) + name;
}

std::string Narrow(const std::wstring& text) {
    int length = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(length > 0 ? length - 1 : 0, '\0');
    if (length > 1) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &utf8[0], length, nullptr, nullptr);
    return utf8;
}

std::wstring Wide(const std::string& ansi) {
    int length = MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, nullptr, 0);
    std::wstring text(length > 0 ? length - 1 : 0, L'\0');
    if (length > 1) MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, &text[0], length);
    return text;
}

// Confirms the export dialog after taking its picture, and answers every message
// box that follows with OK, printing it.
void ConfirmDialog(exl::test::UiDriver& ui, const std::string& picture, const std::atomic<bool>& done) {
    HWND dialog = ui.WaitForWindow("Excel-Kopplung", 60000);
    Sleep(500);
    if (exl::test::SaveWindowImage(dialog, picture))
        std::printf("export dialog as shown: %s\n", picture.c_str());
    ui.Click(dialog, IDOK);
    while (!done) {
        try {
            exl::test::ShownMessageBox box = ui.WaitForMessageBox(200);
            std::printf("message \"%s\": %s\n", Narrow(Wide(box.caption)).c_str(), Narrow(Wide(box.text)).c_str());
            ui.Answer(box, box.buttons.empty() ? IDOK : box.buttons.front());
        } catch (const exl::test::UiTimeout&) {
        }
    }
}

// Prints every table of the profile as the workbook now holds it: each cell with
// what Excel made of the text it was given (its type, its value).
void PrintSummary(exl::standin::StandinClient& excel, int workbook, const std::string& profilePath) {
    exl::TransferProfile profile(profilePath);
    int tables = profile.TableCountForSheets();
    for (int t = 1; t <= tables; ++t) {
        int sheet = profile.Sheet(t);
        int fields = profile.FieldCount(t);
        int headerRow = profile.HeaderRow(t);
        int startRow = profile.StartRow(t);
        std::printf("\nTabelle %d on sheet %d:\n", t, sheet);
        for (int row = headerRow > 0 ? headerRow : startRow; row <= startRow + 1000; ++row) {
            std::string line;
            bool any = false;
            for (int f = 1; f <= fields; ++f) {
                std::wstring address = Wide(profile.Column(t, f)) + std::to_wstring(row);
                std::wstring held = excel.StoredCell(workbook, sheet, address);
                if (held.empty()) continue;
                any = true;
                line += (line.empty() ? "" : " | ") + Narrow(address + L" " + held);
            }
            if (!any && row >= startRow) break;
            std::printf("  %3d  %s\n", row, line.c_str());
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: exl-demo --drawing FILE --out DIR [--file XLSX]\n");
        return 2;
    }
    OleInitialize(nullptr);
    // A machine as most look today: Excel 2016 or later, which registers only
    // "Excel.Application.16" and "Excel.Application" with CurVer naming it.
    exl::standin::StandinClient::Register({16});

    auto drawing = std::make_shared<orvanta::Drawing>();
    std::string error;
    if (!drawing->Load(options.drawing, error)) {
        std::fprintf(stderr, "exl-demo: drawing %s: %s\n", options.drawing.c_str(), error.c_str());
        return 1;
    }
    orvanta::HostSimulator host;
    if (!host.Load(BesideProgram("ExcelKopplung.dll"))) {
        std::fprintf(stderr, "exl-demo: cannot load ExcelKopplung.dll\n");
        return 1;
    }
    host.SetInfoQueryHandler(orvanta::DrawingAnswer(drawing));
    host.SetUp();
    if (!options.file.empty()) {
        // The host speaks the OEM code page.
        std::string oem = options.file;
        CharToOemBuffA(oem.data(), oem.data(), static_cast<DWORD>(oem.size()));
        host.QueueFileSelection(orvanta::FileSelectionAnswer::Choose(oem));
        DeleteFileA(options.file.c_str());
    }

    std::atomic<bool> done{false};
    exl::test::UiDriver ui(GetCurrentThreadId());
    std::string picture = options.out + (options.file.empty() ? "\\export-dialog.bmp" : "\\export-dialog-datei.bmp");
    std::thread script([&] {
        try {
            ConfirmDialog(ui, picture, done);
        } catch (const std::exception& failure) {
            std::fprintf(stderr, "exl-demo: %s\n", failure.what());
        }
    });
    const DWORD started = GetTickCount();
    int result = host.RunCommand();
    const DWORD elapsed = GetTickCount() - started;
    done = true;
    script.join();
    // With the scripted dialog and message boxes: about a second of it is their waiting.
    std::printf("entry type 4 answered %d after %.1f s\n", result, elapsed / 1000.0);
    for (const orvanta::RecordedRequest& request : host.Requests())
        if (request.code == exl::kRequestInfoQuery)
            std::printf("the host searched the drawing with mode flags %u\n", request.modeFlags);

    if (!options.file.empty()) {
        const bool saved = GetFileAttributesA(options.file.c_str()) != INVALID_FILE_ATTRIBUTES;
        std::printf(saved ? "workbook file saved: %s\n" : "exl-demo: no workbook file at %s\n", options.file.c_str());
        host.Unload();
        OleUninitialize();
        return saved ? 0 : 1;
    }
    exl::standin::StandinClient excel;
    int status = 1;
    if (excel.Connect() && excel.WorkbookCount() > 0) {
        int workbook = excel.WorkbookCount();
        std::printf("Excel reached: the stand-in serving as version %d\n", excel.Version());
        std::string xlsx = options.out + "\\stueckliste.xlsx";
        if (excel.SaveWorkbook(workbook, Wide(xlsx))) {
            std::printf("workbook saved: %s\n", xlsx.c_str());
            status = 0;
        }
        PrintSummary(excel, workbook, exl::LoadExportSettings().profilePath);
        excel.Quit();
    } else {
        std::fprintf(stderr, "exl-demo: no workbook was filled\n");
    }
    host.Unload();
    OleUninitialize();
    return status;
}
