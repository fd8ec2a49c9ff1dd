// Builds the record file from a host result file of 10 fields per object, for
// 12,500 to 200,000 objects, and prints the time of each size, so the growth can
// be read off: the work must grow linearly with the result file. Two figures per
// size: the record building alone (field list read once, result cut into records),
// and the whole query step (query files, host request answered by copying the
// prepared result file, record file). For contrast it also times the field-name
// lookups done key by key through the platform's profile function, as the record
// loop would do them without the snapshot.
// Run under Wine:  wine-run bench-records.exe [largest object count]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "RecordingUi.h"
#include "Scratch.h"
#include "export/InformationQuery.h"
#include "export/records/RecordFile.h"
#include "framework/Ini.h"
#include "framework/Raii.h"
#include "host/ModuleState.h"

namespace exl::test {
namespace {

constexpr int kFields = 10;

class Stopwatch {
public:
    Stopwatch() {
        QueryPerformanceFrequency(&frequency_);
        QueryPerformanceCounter(&start_);
    }
    double Seconds() const {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        return static_cast<double>(now.QuadPart - start_.QuadPart) / static_cast<double>(frequency_.QuadPart);
    }

private:
    LARGE_INTEGER frequency_;
    LARGE_INTEGER start_;
};

const char* const kFieldNames[kFields] = {"%i", "%n", "Benennung", "Sachnummer", "Werkstoff",
                                           "Lieferant", "Gewicht", "Oberfl\xE4" "che", "Norm", "Bemerkung"};

// A result file as the host writes it, in the OEM code page, CR LF.
void WriteResultFile(const std::string& path, int objects) {
    UniqueFile file = OpenFile(path.c_str(), "w");
    std::setvbuf(file.get(), nullptr, _IOFBF, 1 << 16);
    for (int object = 1; object <= objects; ++object) {
        std::fprintf(file.get(), "%i\n%i\nFl\x81gelmutter M%i\n%i-%03i\nStahl verzinkt\nW\x81rth\n%i,%i kg\n\n"
                                 "DIN %i\nPos. %i \x9D %i\n",
                     object, 1 + object % 7, 4 + object % 20, 100 + object / 1000, object % 1000, object % 9,
                     object % 10, 900 + object % 50, object, object % 30);
    }
}

void WriteFieldList(const std::string& path) {
    UniqueFile file = OpenFile(path.c_str(), "w");
    std::fprintf(file.get(), "[%s]\n", kFieldListSection);
    for (int f = 0; f < kFields; ++f) std::fprintf(file.get(), "%i=%s\n", f + 1, kFieldNames[f]);
    std::fprintf(file.get(), "%s=%i\n", kFieldTotalKey, kFields);
}

void WriteProfile(const std::string& path) {
    std::string text = "[Datei]\r\nTabelle=1\r\n[Tabelle 1]\r\nAnzahl=" + std::to_string(kFields) + "\r\n";
    for (int f = 0; f < kFields; ++f) text += "Feld_" + std::to_string(f + 1) + "=" + kFieldNames[f] + "\r\n";
    WriteFile(path, text);
}

// The record building alone; returns the record count.
std::int32_t BuildRecords(const std::string& result, const std::string& fieldList, const std::string& records) {
    UniqueFile in = OpenFile(result.c_str(), kResultOpenMode);
    UniqueFile out = OpenFile(records.c_str(), "w");
    if (!in || !out) return -1;
    std::setvbuf(out.get(), nullptr, _IOFBF, 1 << 16);
    std::int32_t count = WriteRecords(in.get(), out.get(), ReadFieldListNames(fieldList, kFields));
    WriteRecordCount(out.get(), count);
    return count;
}

// The host of the whole-step run: copies the prepared result file (its path is
// the context) into place.
std::int16_t __stdcall CopyingHost(HostRequest* request, std::int32_t context, std::int32_t code) {
    const std::string* prepared = FromSlot<const std::string>(static_cast<std::uint32_t>(context));
    if (code == kRequestInfoQuery) CopyFileA(prepared->c_str(), FromSlot<const char>(request->slot[1]), FALSE);
    return 0;
}

int Run(int largest) {
    ScratchDirectory scratch;
    RecordingUi ui;  // a failure message must not block the run
    const std::string fieldList = scratch.File("felder.tmp");
    const std::string records = scratch.File("records.tmp");
    const std::string profile = scratch.File("exl\\bench.exl");
    WriteFieldList(fieldList);
    WriteProfile(profile);

    ModuleState& state = TheModuleState();
    const ModuleState saved = state;
    std::string preparedResult;
    state.hostCallback = &CopyingHost;
    state.hostContext = static_cast<std::int32_t>(ToSlot(&preparedResult));
    ExportSettings settings;
    settings.profilePath = profile;

    std::printf("bench-records: record file from a result of N objects x %d fields\n", kFields);
    std::printf("%10s %12s %14s %12s %14s %12s\n", "objects", "lines", "build [s]", "ns/line", "whole step [s]",
                "ns/line");
    int failures = 0;
    double previous = 0.0;
    for (int objects = largest / 16; objects <= largest; objects *= 2) {
        const std::string result = scratch.File("result-" + std::to_string(objects) + ".tmp");
        WriteResultFile(result, objects);
        const double lines = static_cast<double>(objects) * kFields;

        // Best of three runs: the machine is shared, the least disturbed run counts.
        double buildSeconds = 1e9;
        double wholeSeconds = 1e9;
        std::int32_t count = 0;
        QueryOutcome outcome;
        preparedResult = result;
        for (int run = 0; run < 3; ++run) {
            Stopwatch build;
            count = BuildRecords(result, fieldList, records);
            buildSeconds = std::min(buildSeconds, build.Seconds());

            Stopwatch whole;
            outcome = RunInformationQuery(settings);
            wholeSeconds = std::min(wholeSeconds, whole.Seconds());
            DeleteFileA(outcome.recordFile.c_str());
            DeleteFileA(outcome.resultFile.c_str());
            DeleteFileA(outcome.fieldListFile.c_str());
        }

        if (count != objects || outcome.commandEnded || outcome.recordCount != objects || !ui.boxes.empty()) {
            std::printf("  wrong result: %d and %d records for %d objects, %zu messages\n", count,
                        outcome.recordCount, objects, ui.boxes.size());
            ++failures;
        }
        std::printf("%10d %12.0f %14.3f %12.0f %14.3f %12.0f", objects, lines, buildSeconds,
                    buildSeconds * 1e9 / lines, wholeSeconds, wholeSeconds * 1e9 / lines);
        if (previous > 0.0) std::printf("   x%.2f for twice the objects", buildSeconds / previous);
        std::printf("\n");
        previous = buildSeconds;
        DeleteFileA(result.c_str());
    }
    state.hostCallback = saved.hostCallback;
    state.hostContext = saved.hostContext;

    // The field names looked up through the platform for every value, as a key-by-key loop would.
    const int lookups = 20000;
    Stopwatch platform;
    std::size_t characters = 0;
    for (int i = 0; i < lookups; ++i)
        characters += ReadIniString(fieldList, kFieldListSection, std::to_string(1 + i % kFields), "").size();
    const double perLookup = platform.Seconds() / lookups;
    std::printf("platform lookup of one field name: %.1f us (%zu characters read); for 100,000 x %d values "
                "that alone would be %.1f s\n",
                perLookup * 1e6, characters, kFields, perLookup * 100000.0 * kFields);
    return failures == 0 ? 0 : 1;
}

}  // namespace
}  // namespace exl::test

int main(int argc, char** argv) {
    int largest = argc > 1 ? std::atoi(argv[1]) : 200000;
    if (largest < 16) largest = 16;
    return exl::test::Run(largest);
}
