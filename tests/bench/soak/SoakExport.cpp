// Runs the whole export command many times in one host process, through the real
// DLL, the host simulator and one running excel-standin, and checks that nothing
// piles up: the host process's handles, GDI and USER objects, windows and private
// bytes stay flat after the first runs (printed every 50 runs), and every reference
// the plug-in took is released after every run.
// Run under Wine with a display:  wine-run soak-export.exe [runs]   (./run soak)
#include <windows.h>
#include <ole2.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "ExcelOptions.h"
#include "HostSimulator.h"
#include "ProcessCounters.h"
#include "Scratch.h"
#include "StandinClient.h"
#include "UiScript.h"

namespace exl::test {
namespace {

constexpr int kDefaultRuns = 200;
constexpr int kReportEvery = 50;
// The runs after which the counters are taken as the base: the first runs load
// common controls, fonts and COM proxies once.
constexpr int kSettlingRuns = 10;
// What "flat" allows between the base and any later report.
constexpr long kHandleSlack = 8;
constexpr long kObjectSlack = 4;
constexpr double kPrivateSlackMegabytes = 2.0;

const std::string kClosingText = ToAnsi("Die Übergabe nach Excel ist abgeschlossen.");

void WriteInputs(const ScratchDirectory& scratch) {
    const std::string profile = scratch.File("exl\\soak.exl");
    WriteFile(profile,
              "[Datei]\r\nTabelle=2\r\n"
              "[Tabelle 1]\r\nBlatt=1\r\nKopfzeile=1\r\nStartzeile=2\r\nAnzahl=2\r\n"
              "Feld_1=Pos\r\nSpalte_1=A\r\nSpaltenkopf_1=Pos\r\nFeld_2=Benennung\r\nSpalte_2=B\r\n"
              "Spaltenkopf_2=Benennung\r\nAnzZeich_2=12\r\n"
              "[Tabelle 2]\r\nBlatt=2\r\nAnzahl=1\r\nFeld_1=Werkstoff\r\nSpalte_1=C\r\n");
    WriteFile(scratch.File("exl\\rizeraru.ini"),
              "[Excel]\r\nVorlage=" + profile + "\r\nVersion=10\r\nneue Mappe=1\r\n");
}

bool Grew(const ProcessCounters& base, const ProcessCounters& now) {
    constexpr double kMegabyte = 1024.0 * 1024.0;
    return static_cast<long>(now.handles) - static_cast<long>(base.handles) > kHandleSlack ||
           static_cast<long>(now.gdiObjects) - static_cast<long>(base.gdiObjects) > kObjectSlack ||
           static_cast<long>(now.userObjects) - static_cast<long>(base.userObjects) > kObjectSlack ||
           static_cast<long>(now.windows) - static_cast<long>(base.windows) > kObjectSlack ||
           (static_cast<double>(now.privateBytes) - static_cast<double>(base.privateBytes)) / kMegabyte >
               kPrivateSlackMegabytes;
}

int Soak(int runs) {
    ScratchDirectory scratch;
    ForgetExcelOptions();
    WriteInputs(scratch);
    orvanta::HostSimulator host;
    if (!host.Load(BinDir() + "\\ExcelKopplung.dll") || host.SetUp() != 1) {
        std::fprintf(stderr, "loading the plug-in failed\n");
        return 1;
    }
    host.SetInfoQueryHandler([](const std::string&, const std::string& resultPath, std::uint8_t) {
        WriteFile(resultPath, ToOem("1\r\nSchraube M6 lang\r\nStahl\r\n2\r\nMutter\r\nMessing\r\n3\r\n\r\nAlu\r\n"));
    });
    standin::StandinClient excel;
    if (!standin::StandinClient::Register({10}) || !excel.StartRunning(10, 0)) {
        std::fprintf(stderr, "starting excel-standin failed\n");
        return 1;
    }
    const int liveAtStart = excel.LiveObjects();
    int failures = 0;
    ProcessCounters base;
    const auto start = std::chrono::steady_clock::now();
    for (int run = 1; run <= runs; ++run) {
        int result = -1;
        std::vector<ShownMessageBox> boxes =
            RunConfirming("Excel-Kopplung", [&host] { return static_cast<int>(host.RunCommand()); }, result);
        host.ClearRequests();
        const int live = excel.LiveObjects();
        if (result != 0 || boxes.size() != 1 || boxes[0].text != kClosingText || live != liveAtStart) {
            std::printf("run %d: result %d, %zu message boxes, live objects %d (at start %d)\n", run, result,
                        boxes.size(), live, liveAtStart);
            ++failures;
        }
        if (run == kSettlingRuns) base = ProcessCounters::Now();
        if (run % kReportEvery == 0 || run == kSettlingRuns) {
            const ProcessCounters now = ProcessCounters::Now();
            const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            const bool grew = run > kSettlingRuns && Grew(base, now);
            std::printf("after %3d runs (%6.1f s): %s, stand-in live objects %d%s\n", run, seconds,
                        now.Describe().c_str(), live, grew ? "  GREW" : "");
            std::fflush(stdout);
            if (grew) ++failures;
        }
    }
    excel.Quit();
    standin::StandinClient::Unregister();
    host.Unload();
    std::printf("%d runs, %d failures\n", runs, failures);
    return failures == 0 ? 0 : 1;
}

}  // namespace
}  // namespace exl::test

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : exl::test::kDefaultRuns;
    if (OleInitialize(nullptr) != S_OK) return 1;
    const int status = exl::test::Soak(runs > 0 ? runs : exl::test::kDefaultRuns);
    OleUninitialize();
    return status;
}
