// Writes the list into a workbook file as the export into a file does (ListWorkbook:
// the record file read once, the tables laid onto the sheets and checked, the
// workbook streamed into a file beside the target and moved over it), with the
// progress window but without the dialogs, and prints for each case the time, the
// file's size, the peak memory and the window's share of the time.
//
// Each case runs in a process of its own, so its peak memory is the writer's alone:
// this program makes the profile, the record file and the template, then starts
// itself with --write, which writes and reports. Run under Wine:
//   wine-run bench-fileexport.exe [RECORDSxFIELDS[t] ...]    ("t": into the template)
// Without arguments: 25000x10 50000x10 100000x10 100000x10t 1000000x2.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "framework/Raii.h"
#include "Scratch.h"
#include "TimedProgress.h"
#include "export/file/ListWorkbook.h"
#include "export/progress/ProgressDialog.h"
#include "workbook/file/SaveWorkbook.h"
#include "workbook/sheet/WorkbookWriting.h"

namespace exl::test {
namespace {

constexpr int kTemplateSheets = 10;
constexpr int kTemplateRows = 1000;

struct Case {
    int records = 0;
    int fields = 0;
    bool intoTemplate = false;
};

bool ParseCase(const std::string& text, Case& c) {
    const std::size_t x = text.find('x');
    if (x == std::string::npos) return false;
    c.records = std::atoi(text.substr(0, x).c_str());
    c.fields = std::atoi(text.substr(x + 1).c_str());
    c.intoTemplate = text.back() == 't';
    return c.records > 0 && c.fields > 0 && c.fields <= 26;
}

std::string ColumnOf(int field) { return std::string(1, static_cast<char>('A' + field - 1)); }

// A profile of one table on sheet 1: headings in row 1, every field in a column of its own.
void WriteProfile(const std::string& path, int fields, const std::string& templatePath) {
    std::string text = "[Datei]\r\nTabelle=1\r\nExcelvorlage=" + templatePath +
                       "\r\n[Tabelle 1]\r\nBlatt=1\r\nKopfzeile=1\r\nStartzeile=2\r\nAnzahl=" + std::to_string(fields) +
                       "\r\n";
    for (int f = 1; f <= fields; ++f) {
        const std::string n = std::to_string(f);
        text += "Feld_" + n + "=Feld" + n + "\r\nSpalte_" + n + "=" + ColumnOf(f) + "\r\nSpaltenkopf_" + n +
                "=Kopf " + n + "\r\nAnzZeich_" + n + "=20\r\n";
    }
    WriteFile(path, text);
}

// As the query step writes it: the first field a number, the others texts.
void WriteRecords(const std::string& path, int records, int fields) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return;
    for (int r = 1; r <= records; ++r) {
        std::fprintf(file, "[%d]\r\nFeld1=%d \r\n", r, r);
        for (int f = 2; f <= fields; ++f) std::fprintf(file, "Feld%d=Wert %d/%d \r\n", f, r, f);
    }
    std::fprintf(file, "[Anzahl]\r\nAnzahl=%d\r\n", records);
    std::fclose(file);
}

// Ten sheets of 1,000 rows, made by the workbook library.
class TemplateRows : public workbook::RowSource {
public:
    bool NextRow(workbook::SheetRow& row) override {
        if (next_ > kTemplateRows) return false;
        row.number = next_;
        row.cells = {{1, workbook::CellKind::Text, "Vorlage " + std::to_string(next_)},
                     {12, workbook::CellKind::Number, std::to_string(next_)}};
        ++next_;
        return true;
    }

private:
    std::uint32_t next_ = 1;
};

bool WriteTemplate(const std::string& path) {
    std::vector<std::string> names;
    std::vector<TemplateRows> sources(kTemplateSheets);
    std::vector<workbook::RowSource*> rows;
    for (int sheet = 1; sheet <= kTemplateSheets; ++sheet) {
        names.push_back("Blatt" + std::to_string(sheet));
        rows.push_back(&sources[static_cast<std::size_t>(sheet) - 1]);
    }
    std::string detail;
    return workbook::SaveWorkbook(std::wstring(path.begin(), path.end()),
                                  [&](workbook::ZipWriter& zip, std::string& why) {
                                      return workbook::WriteNewWorkbook(names, rows, zip, why);
                                  },
                                  detail) == workbook::SaveProblem::None;
}

std::uint64_t FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The child: writes the workbook with the progress window up from the first row, and
// leaves "seconds peakWorkingSet peakPrivate secondsInWindow secondsOpeningIt" in the report file.
int WriteAndReport(const std::string& profile, const std::string& records, const std::string& target,
                   const std::string& report) {
    // The first window of a process loads the platform's window classes and fonts,
    // which a host with windows of its own has loaded long before.
    ProgressDialog().Open();
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    ListWorkbook list(profile, records);
    TimedProgress shown(TransferProgress::Steps::FileRows);
    std::string detail;
    const bool written = list.Prepare() && list.Write(target, shown, detail);
    QueryPerformanceCounter(&end);
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    const double seconds = static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
    WriteFile(report, std::to_string(seconds) + " " + std::to_string(memory.PeakWorkingSetSize) + " " +
                          std::to_string(memory.PeakPagefileUsage) + " " + std::to_string(shown.Seconds()) + " " +
                          std::to_string(shown.OpeningSeconds()) + "\n");
    return written ? 0 : 1;
}

bool RunChild(const std::string& arguments) {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string command = "\"" + std::string(self) + "\" --write " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    const exl::UniqueHandle thread(process.hThread);
    const exl::UniqueHandle child(process.hProcess);
    WaitForSingleObject(child.get(), INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(child.get(), &code);
    return code == 0;
}

void Measure(const Case& c, ScratchDirectory& scratch) {
    const std::string profile = scratch.File("exl\\bench.exl");
    const std::string records = scratch.File("records.tmp");
    const std::string templatePath = c.intoTemplate ? scratch.File("vorlage.xlsx") : "";
    const std::string target = scratch.File("liste.xlsx");
    const std::string report = scratch.File("report.txt");
    if (c.intoTemplate && !WriteTemplate(templatePath)) {
        std::printf("cannot make the template\n");
        return;
    }
    WriteProfile(profile, c.fields, templatePath);
    WriteRecords(records, c.records, c.fields);
    DeleteFileA(target.c_str());
    const bool written = RunChild("\"" + profile + "\" \"" + records + "\" \"" + target + "\" \"" + report + "\"");
    double seconds = 0, peakWorkingSet = 0, peakPrivate = 0, inWindow = 0, opening = 0;
    std::sscanf(ReadFile(report).c_str(), "%lf %lf %lf %lf %lf", &seconds, &peakWorkingSet, &peakPrivate, &inWindow,
                &opening);
    const double megabyte = 1024.0 * 1024.0;
    std::printf("%9d x %2d %-13s %s %7.2f s  %8.1f MB file  peak %6.1f MB working set, %6.1f MB private  %6.2f us/record\n",
                c.records, c.fields, c.intoTemplate ? "into template" : "new file", written ? "ok    " : "FAILED",
                seconds, static_cast<double>(FileSize(target)) / megabyte, peakWorkingSet / megabyte,
                peakPrivate / megabyte, seconds * 1e6 / c.records);
    const double share = seconds > 0 ? 100.0 / seconds : 0.0;
    std::printf("%26s of it in the progress window: %.1f ms, %.2f%%; opening it %.1f ms, the rows' reports %.2f%%\n",
                "", inWindow * 1000.0, inWindow * share, opening * 1000.0, (inWindow - opening) * share);
}

}  // namespace
}  // namespace exl::test

int main(int argc, char** argv) {
    using namespace exl::test;
    if (argc == 6 && std::string(argv[1]) == "--write") return WriteAndReport(argv[2], argv[3], argv[4], argv[5]);
    std::vector<Case> cases;
    for (int i = 1; i < argc; ++i) {
        Case c;
        if (!ParseCase(argv[i], c)) {
            std::fprintf(stderr, "usage: bench-fileexport [RECORDSxFIELDS[t] ...]\n");
            return 2;
        }
        cases.push_back(c);
    }
    if (cases.empty()) cases = {{25000, 10, false}, {50000, 10, false}, {100000, 10, false}, {100000, 10, true},
                                {1000000, 2, false}};
    ScratchDirectory scratch;
    std::printf("records x fields  into          result    time     file size    peak memory of the writing process\n");
    for (const Case& c : cases) Measure(c, scratch);
    return 0;
}
