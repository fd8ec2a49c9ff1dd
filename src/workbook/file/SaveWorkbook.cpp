#include "workbook/file/SaveWorkbook.h"

#include <windows.h>

#include "workbook/file/FileSink.h"
#include "workbook/file/ReplacingFile.h"

namespace exl::workbook {

DosTimestamp DosNow() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    DosTimestamp timestamp;
    timestamp.date = static_cast<std::uint16_t>(((now.wYear - 1980) << 9) | (now.wMonth << 5) | now.wDay);
    timestamp.time = static_cast<std::uint16_t>((now.wHour << 11) | (now.wMinute << 5) | (now.wSecond / 2));
    return timestamp;
}

SaveProblem SaveWorkbook(const std::wstring& target, const WorkbookContent& write, std::string& detail) {
    ReplacingFile file;
    if (!file.Create(target)) {
        detail = "cannot create a file in the folder, error " + std::to_string(GetLastError());
        return SaveProblem::CannotCreate;
    }
    FileSink sink(file.Handle());
    ZipWriter zip(sink, DosNow());
    if (!write(zip, detail)) return SaveProblem::CannotWrite;
    if (!sink.Flush()) {
        detail = "cannot write, error " + std::to_string(GetLastError());
        return SaveProblem::CannotWrite;
    }
    if (!file.Commit()) {
        detail = "cannot replace the target, error " + std::to_string(GetLastError());
        return SaveProblem::CannotReplace;
    }
    return SaveProblem::None;
}

}  // namespace exl::workbook
