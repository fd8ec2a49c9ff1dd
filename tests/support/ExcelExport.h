#pragma once
// A record file as the query step leaves it, for tests of the Excel work (the
// product's TransferToExcel). Header-only: only test programs that link exl_app include it.
#include <string>
#include <utility>
#include <vector>

#include "Scratch.h"
#include "export/ExcelTransfer.h"

namespace exl::test {

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
