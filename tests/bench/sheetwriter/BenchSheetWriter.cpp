// Writes 1,000 records of 10 fields (plus a heading row) into an Excel stand-in that
// is already running, through the connection and the sheet writer exactly as the
// export does, and prints the time and the automation calls per cell.
// Run under Wine with a display:  wine-run bench-sheetwriter.exe [records] [runs]
#include <windows.h>
#include <ole2.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "ExcelExport.h"
#include "RecordingUi.h"
#include "Scratch.h"
#include "StandinClient.h"
#include "framework/Ini.h"
#include "framework/IniSnapshot.h"

namespace exl::test {
namespace {

constexpr int kFields = 10;

void WriteBenchFiles(const std::string& profile, const std::string& records, int recordCount) {
    std::string text = "[Datei]\r\nTabelle=1\r\n[Tabelle 1]\r\nBlatt=1\r\nKopfzeile=1\r\nStartzeile=2\r\nAnzahl=" +
                       std::to_string(kFields) + "\r\n";
    for (int f = 1; f <= kFields; ++f) {
        const std::string n = std::to_string(f);
        text += "Feld_" + n + "=Feld" + n + "\r\nSpalte_" + n + "=" + std::string(1, static_cast<char>('A' + f - 1)) +
                "\r\nSpaltenkopf_" + n + "=Kopf " + n + "\r\nAnzZeich_" + n + "=20\r\n";
    }
    WriteFile(profile, text);
    std::vector<TestRecord> all(static_cast<std::size_t>(recordCount));
    for (int r = 0; r < recordCount; ++r)
        for (int f = 1; f <= kFields; ++f)
            all[r].push_back({"Feld" + std::to_string(f), "Wert " + std::to_string(r + 1) + "/" + std::to_string(f)});
    WriteRecordFile(records, all);
}

int Run(int recordCount, int runs) {
    ScratchDirectory scratch;
    RecordingUi ui;  // a fall-back message must not block the run
    const std::string profile = scratch.File("exl\\bench.exl");
    const std::string records = scratch.File("records.tmp");
    WriteBenchFiles(profile, records, recordCount);

    if (!standin::StandinClient::Register({10})) {
        std::fprintf(stderr, "registering excel-standin failed\n");
        return 1;
    }
    int failures = 0;
    {
        standin::StandinClient excel;
        if (!excel.StartRunning(10, 0)) {
            std::fprintf(stderr, "starting excel-standin failed\n");
            standin::StandinClient::Unregister();
            return 1;
        }
        const int cells = recordCount * kFields + kFields;
        LARGE_INTEGER frequency, start, end;
        QueryPerformanceFrequency(&frequency);
        std::printf("bench-sheetwriter: %d records x %d fields = %d cells (with the heading row)\n", recordCount,
                    kFields, cells);
        for (int run = 1; run <= runs; ++run) {
            ExportSettings settings;
            settings.newWorkbook = 1;
            settings.profilePath = profile;
            excel.ResetCalls();
            QueryPerformanceCounter(&start);
            const TransferResult result = TransferToExcel(settings, records);
            QueryPerformanceCounter(&end);
            const double seconds = static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart;
            const int calls = excel.CallCount();
            int cellCalls = 0;  // the Range fetches and the puts into ranges
            for (const std::wstring& line : excel.Calls())
                if (line.rfind(L"Worksheet.Range ", 0) == 0 || line.rfind(L"Range.", 0) == 0) ++cellCalls;
            const std::wstring last = excel.Cell(run, 1, L"J" + std::to_wstring(recordCount + 1));
            const std::wstring expected = L"Wert " + std::to_wstring(recordCount) + L"/10";
            if (result.outcome != TransferOutcome::Finished || last != expected || excel.LiveObjects() != 0) {
                std::fprintf(stderr, "run %d did not write the workbook correctly\n", run);
                ++failures;
            }
            std::printf("run %d: %.3f s total, %.3f ms per cell; %d Invokes in all, %.2f per cell "
                        "(%d on cells: %.2f per cell), plus one proxy release per cell\n",
                        run, seconds, seconds * 1000.0 / cells, calls, static_cast<double>(calls) / cells,
                        cellCalls, static_cast<double>(cellCalls) / cells);
        }
        // The share of the record file, read once as the writer reads it, without Excel.
        QueryPerformanceCounter(&start);
        std::size_t characters = 0;
        const IniSnapshot snapshot(records);
        for (int f = 1; f <= kFields; ++f)
            for (int r = 1; r <= recordCount; ++r)
                characters += snapshot.Get(std::to_string(r), "Feld" + std::to_string(f), "").size();
        QueryPerformanceCounter(&end);
        std::printf("reading the %d values alone: %.3f s (%zu characters)\n", recordCount * kFields,
                    static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart, characters);
        excel.Quit();
    }
    standin::StandinClient::Unregister();
    return failures == 0 ? 0 : 1;
}

}  // namespace
}  // namespace exl::test

int main(int argc, char** argv) {
    const int records = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 3;
    if (records < 1 || runs < 1) {
        std::fprintf(stderr, "usage: bench-sheetwriter [records >= 1] [runs >= 1]\n");
        return 2;
    }
    if (FAILED(OleInitialize(nullptr))) return 1;
    const int result = exl::test::Run(records, runs);
    OleUninitialize();
    return result;
}
