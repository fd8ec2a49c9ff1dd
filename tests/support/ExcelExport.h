#pragma once
// The export driver's guarded block around the Excel work, as tests of the
// connection and the writer run it, and a record file as the query step leaves it.
// Header-only: only test programs that link exl_app include it.
#include <string>
#include <utility>
#include <vector>

#include "Scratch.h"
#include "export/ExcelConnection.h"
#include "export/SheetWriter.h"

namespace exl::test {

enum class ExportEnding { Finished, EndedEarly, AutomationError, DispatchError };

struct ExportResult {
    ExportEnding ending = ExportEnding::Finished;
    HRESULT scode = 0;
    std::string description;
};

// Connect, write, release; an automation error leaves the block (the connection
// releasing its references on the way) and is caught as the driver catches it.
inline ExportResult RunExcelExport(ExportSettings& settings, const std::string& profilePath,
                                   const std::string& recordFile,
                                   ExcelLauncher& launcher = ExcelLauncher::Platform()) {
    ExportResult result;
    try {
        ExcelConnection connection(settings, profilePath, launcher);
        if (connection.Connect() != ExcelConnection::Outcome::Ready) {
            result.ending = ExportEnding::EndedEarly;
            return result;
        }
        SheetWriter(connection.SheetCollection(), connection.Worksheet(), connection.CellRange())
            .Write(profilePath, recordFile);
        connection.Release();
    } catch (const COleDispatchException& error) {
        result.ending = ExportEnding::DispatchError;
        result.scode = error.scode;
        result.description = error.description;
    } catch (const COleException& error) {
        result.ending = ExportEnding::AutomationError;
        result.scode = error.scode;
    }
    return result;
}

// One record: (field name, value in UTF-8) pairs; an empty record number gap is
// made by leaving a field out.
using TestRecord = std::vector<std::pair<std::string, std::string>>;

// "[n]" with "name=value " lines (values in the OEM code page, each ending in the
// blank the query step leaves), then "[Anzahl]" with the count.
inline void WriteRecordFile(const std::string& path, const std::vector<TestRecord>& records) {
    std::string text;
    for (std::size_t n = 0; n < records.size(); ++n) {
        text += "[" + std::to_string(n + 1) + "]\r\n";
        for (const auto& field : records[n]) text += field.first + "=" + ToOem(field.second) + " \r\n";
    }
    text += "[Anzahl]\r\nAnzahl=" + std::to_string(records.size()) + "\r\n";
    WriteFile(path, text);
}

}  // namespace exl::test
