#include "workbook/file/SaveWorkbook.h"

#include <windows.h>

#include "workbook/file/FileSink.h"
#include "workbook/file/ReplacingFile.h"
#include "workbook/file/SystemErrorText.h"

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
        detail = SystemErrorText(GetLastError());
        return SaveProblem::CannotCreate;
    }
    FileSink sink(file.Handle());
    ZipWriter zip(sink, DosNow());
    const bool written = write(zip, detail) && sink.Flush();
    if (sink.Error() != 0) detail = SystemErrorText(sink.Error());
    if (!written) return SaveProblem::CannotWrite;
    if (!file.Commit()) {
        detail = SystemErrorText(GetLastError());
        return SaveProblem::CannotReplace;
    }
    return SaveProblem::None;
}

}  // namespace exl::workbook
