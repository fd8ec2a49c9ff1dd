// Writes 1,000 and 10,000 records of 10 fields (plus a heading row) into an Excel
// stand-in that is already running, through the product's Excel transfer exactly as
// the export does, once cell by cell and once with "Blockweise"=1, and prints for
// each the time, the automation calls per cell and the ratio of the two times.
// Cell by cell takes 7 to 13 ms per cell under Wine, so by default it is measured
// on at most 1,000 records and the ratio of larger sizes is taken per cell.
// Blocks are written without the progress window and with it up from the start,
// each `repeat` times in turn; the best times give the window's cost. Cell by cell
// goes without the window, or with it (--cell-window).
// Run under Wine with a display:
//   wine-run bench-sheetwriter.exe [--cell-records N] [--repeat N] [--cell-window] [records...]
#include <windows.h>
#include <ole2.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ExcelExport.h"
#include "catalogue/MessageCatalogue.h"
#include "export/progress/TransferProgress.h"
#include "RecordingUi.h"
#include "Scratch.h"
#include "TimedProgress.h"
#include "StandinClient.h"
#include "framework/Ini.h"

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

double Seconds(LONGLONG ticks) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(ticks) / frequency.QuadPart;
}

struct Measure {
    int records = 0;
    int cells = 0;
    int calls = 0;
    double seconds = 0;
    double inWindow = 0;  // seconds spent in the progress window's reports
    double opening = 0;   // of them, the first report's, which opens the window
    bool ok = false;
    double CallsPerCell() const { return static_cast<double>(calls) / cells; }
    double MsPerCell() const { return seconds * 1000.0 / cells; }
};

// One export of recordCount records, cell by cell or in blocks, into a new workbook,
// with the progress window up from the first cell or without one.
Measure ExportOnce(standin::StandinClient& excel, ScratchDirectory& scratch, int recordCount, bool blocks,
                   bool window, bool print = true) {
    const std::string profile = scratch.File("exl\\bench.exl");
    const std::string records = scratch.File("records.tmp");
    WriteBenchFiles(profile, records, recordCount);
    if (blocks) WriteIniString(profile, "Datei", "Blockweise", "1");
    ExportSettings settings;
    settings.newWorkbook = 1;
    settings.profilePath = profile;
    excel.ResetCalls();
    LARGE_INTEGER start, end;
    TimedProgress shown(TransferProgress::Steps::ExcelCalls);
    WriteProgress& progress = window ? static_cast<WriteProgress&>(shown) : WriteProgress::None();
    QueryPerformanceCounter(&start);
    const TransferResult result = TransferToExcel(settings, records, ExcelLauncher::Platform(), progress);
    QueryPerformanceCounter(&end);
    Measure measure;
    measure.records = recordCount;
    measure.cells = recordCount * kFields + kFields;
    measure.seconds = Seconds(end.QuadPart - start.QuadPart);
    measure.inWindow = shown.Seconds();
    measure.opening = shown.OpeningSeconds();
    measure.calls = excel.CallCount();
    const int workbook = excel.WorkbookCount();
    const std::wstring row = std::to_wstring(recordCount + 1);
    measure.ok = result.outcome == TransferOutcome::Finished && excel.Cell(workbook, 1, L"A2") == L"Wert 1/1" &&
                 excel.Cell(workbook, 1, L"J" + row) == L"Wert " + std::to_wstring(recordCount) + L"/10" &&
                 excel.Cell(workbook, 1, L"J1") == L"Kopf 10" && excel.LiveObjects() == 0;
    // The window must really have been up, or its cost was not measured.
    if (window) measure.ok = measure.ok && FindWindowA(nullptr, MessageCatalogue::Text(4, 1).c_str()) != nullptr;
    if (!print) return measure;
    std::printf("  %-12s %-9s %6d records: %7d cells, %7d calls (%.4f per cell), %9.3f s, %8.4f ms per cell%s\n",
                blocks ? "blocks" : "cell by cell", window ? "window" : "no window", recordCount, measure.cells,
                measure.calls, measure.CallsPerCell(), measure.seconds, measure.MsPerCell(),
                measure.ok ? "" : "  WRONG RESULT");
    if (window)
        std::printf("    of it in the progress window: %.1f ms, %.2f%% of the writing; opening it %.1f ms\n",
                    measure.inWindow * 1000.0, measure.inWindow / measure.seconds * 100.0, measure.opening * 1000.0);
    std::fflush(stdout);
    return measure;
}

struct Options {
    std::vector<int> sizes = {1000, 10000};
    int cellRecords = 1000;
    int repeat = 1;
    bool cellWindow = false;
};

// The best of `repeat` exports in blocks without the window and with it, taken in turn.
int MeasureBlocks(standin::StandinClient& excel, ScratchDirectory& scratch, int records, int repeat,
                  Measure& bestWithout, Measure& bestWith) {
    int failures = 0;
    for (int round = 0; round < repeat; ++round) {
        const Measure without = ExportOnce(excel, scratch, records, true, false);
        const Measure with = ExportOnce(excel, scratch, records, true, true);
        failures += !without.ok + !with.ok;
        if (round == 0 || without.seconds < bestWithout.seconds) bestWithout = without;
        if (round == 0 || with.seconds < bestWith.seconds) bestWith = with;
    }
    std::printf("  the progress window costs %+.2f%% of the writing in blocks (best of %d each)\n",
                (bestWith.seconds / bestWithout.seconds - 1.0) * 100.0, repeat);
    return failures;
}

int Run(const Options& options) {
    const std::vector<int>& sizes = options.sizes;
    const int cellRecords = options.cellRecords;
    ScratchDirectory scratch;
    RecordingUi ui;  // a fall-back message must not block the run
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
        std::printf("bench-sheetwriter: %d fields, a heading row, every value present; cell by cell on at most "
                    "%d records\n", kFields, cellRecords);
        // The first export of a process pays for loading the marshalling code once, and
        // the first window for the platform's window classes and fonts, which a host
        // with windows of its own has loaded long before.
        failures += !ExportOnce(excel, scratch, 10, true, true, false).ok;
        for (int records : sizes) {
            std::printf("%d records x %d fields:\n", records, kFields);
            Measure blocks, blocksWithWindow;
            failures += MeasureBlocks(excel, scratch, records, options.repeat, blocks, blocksWithWindow);
            const Measure cells =
                ExportOnce(excel, scratch, records <= cellRecords ? records : cellRecords, false, options.cellWindow);
            failures += !cells.ok;
            if (cells.records == records)
                std::printf("  ratio: cell by cell takes %.1f times as long as blocks\n", cells.seconds / blocks.seconds);
            else
                std::printf("  ratio per cell (cell by cell measured on %d records): %.1f; %d records cell by cell "
                            "would take about %.0f s\n", cells.records, cells.MsPerCell() / blocks.MsPerCell(), records,
                            cells.MsPerCell() * blocks.cells / 1000.0);
        }
        excel.Quit();
    }
    standin::StandinClient::Unregister();
    return failures == 0 ? 0 : 1;
}

}  // namespace
}  // namespace exl::test

int main(int argc, char** argv) {
    exl::test::Options options;
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--cell-records") == 0 && i + 1 < argc)
            options.cellRecords = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--repeat") == 0 && i + 1 < argc)
            options.repeat = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--cell-window") == 0)
            options.cellWindow = true;
        else
            sizes.push_back(std::atoi(argv[i]));
    }
    if (!sizes.empty()) options.sizes = sizes;
    for (int size : options.sizes) {
        if (size < 1 || options.cellRecords < 1 || options.repeat < 1) {
            std::fprintf(stderr, "usage: bench-sheetwriter [--cell-records N >= 1] [--repeat N >= 1] [--cell-window] "
                                 "[records >= 1 ...]\n");
            return 2;
        }
    }
    if (FAILED(OleInitialize(nullptr))) return 1;
    const int result = exl::test::Run(options);
    OleUninitialize();
    return result;
}
