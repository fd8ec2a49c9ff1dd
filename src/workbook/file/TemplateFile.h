#pragma once
// A workbook file that is to be filled without Excel, read whole and checked: its
// zip, its package structure and its sheets.
#include <string>

#include "workbook/sheet/Package.h"
#include "workbook/zip/ZipReader.h"

namespace exl::workbook {

enum class TemplateProblem {
    None,
    Missing,      // no file at that path
    Unreadable,   // there, but it cannot be read (locked, a folder, no access)
    NotWorkbook,  // not a zip workbook: an .xls, .xlt, .ods, any other file
    Damaged,      // a zip workbook with broken structure or data
    Protected,       // encrypted with a password
    Unsupported,     // an entry packed by another method than stored or deflated
    TooLarge,        // the file beyond kMostTemplateBytes, or a part to be read beyond kMostPartBytes
    OutsidePackage,  // the workbook or one of its sheets lies outside the file
    Encoding,        // a part in another encoding than UTF-8
};

// Larger templates are refused rather than read into memory.
constexpr std::uint64_t kMostTemplateBytes = 256u << 20;

class TemplateFile {
public:
    // Reads and checks the file. detail says what was wrong, for logs and tests.
    TemplateProblem Open(const std::wstring& path, std::string& detail);

    const ZipArchive& Zip() const { return zip_; }
    const WorkbookPackage& Package() const { return package_; }
    // After a refusal: what it concerns, for the message (the part, the method, the
    // size; no part for the file as a whole).
    const PackageFault& Fault() const { return fault_; }

private:
    TemplateProblem OpenZip(std::string& detail);
    TemplateProblem OpenPackage(std::string& detail);

    std::string bytes_;
    ZipArchive zip_;
    WorkbookPackage package_;
    PackageFault fault_;
};

// Tells the failures apart by the file's first bytes: an OLE compound file (an .xls,
// or an encrypted workbook, which Excel stores in one) or anything else.
TemplateProblem ClassifyNonZip(std::string_view bytes);

}  // namespace exl::workbook
