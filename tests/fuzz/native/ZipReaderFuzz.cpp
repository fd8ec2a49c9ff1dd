// libFuzzer target: the workbook library's readers of templates, from the zip up.
// Whatever the bytes, nothing reads outside them; an archive that opens copies
// into one that opens again with the same packed bytes; a template that reads as a
// workbook fills into a file that reads as a workbook again.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "workbook/zip/ByteSink.h"
#include "workbook/sheet/CellReader.h"
#include "workbook/sheet/WorkbookWriting.h"
#include "workbook/zip/ZipReader.h"
#include "workbook/zip/ZipWriter.h"

namespace {

using namespace exl::workbook;

void Finding(const char* what) {
    std::fprintf(stderr, "finding [zip-reader] %s\n", what);
    std::abort();
}

class TwoRows : public RowSource {
public:
    bool NextRow(SheetRow& row) override {
        if (next_ > 2) return false;
        row.number = next_ * 3;
        row.cells = {{1, CellKind::Text, "a<&>"}, {next_ + 1, CellKind::Number, "12"}};
        ++next_;
        return true;
    }
    std::optional<CellArea> Area() const override { return CellArea{{3, 1}, {6, 3}}; }

private:
    std::uint32_t next_ = 1;
};

void CheckCopy(const ZipArchive& zip) {
    StringSink sink;
    ZipWriter writer(sink);
    for (const ZipEntryInfo& entry : zip.Entries())
        if (!writer.CopyEntry(entry, zip.PackedData(entry))) Finding("an entry that opened does not copy");
    if (!writer.Finish()) Finding("a copy does not finish");
    ZipArchive copy;
    std::string detail;
    if (copy.Open(sink.Bytes(), detail) != ZipProblem::None) Finding("a copy does not open");
    if (copy.Entries().size() != zip.Entries().size()) Finding("a copy lost entries");
    for (std::size_t i = 0; i < zip.Entries().size(); ++i)
        if (copy.PackedData(copy.Entries()[i]) != zip.PackedData(zip.Entries()[i])) Finding("a copy changed bytes");
}

void CheckFilledTemplate(const ZipArchive& zip, const WorkbookPackage& package) {
    std::vector<RowSource*> rows(package.sheets.size(), nullptr);
    TwoRows two;
    for (std::size_t i = 0; i < package.sheets.size(); ++i)
        if (package.sheets[i].kind == SheetKind::Worksheet) {
            rows[i] = &two;
            break;
        }
    StringSink sink;
    ZipWriter writer(sink);
    std::string problem;
    if (!WriteTemplateCopy(zip, package, rows, writer, problem)) return;  // a part that cannot be patched
    ZipArchive filled;
    WorkbookPackage again;
    std::vector<ReadSheet> sheets;
    if (filled.Open(sink.Bytes(), problem) != ZipProblem::None) Finding("a filled template is no zip");
    if (ReadPackage(filled, again, problem) != PackageProblem::None) Finding("a filled template is no workbook");
    if (again.sheets.size() != package.sheets.size()) Finding("a filled template lost sheets");
    if (!again.calcChainPart.empty()) Finding("a filled template keeps its calculation chain");
    if (!ReadWorkbookCells(filled, again, sheets, problem)) Finding("a filled template's cells cannot be read");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    ZipArchive zip;
    std::string detail;
    const ZipProblem problem = zip.Open(bytes, detail);
    if ((problem == ZipProblem::Unsupported || problem == ZipProblem::TooLarge) && zip.Refused().name.empty())
        Finding("a refusal that names no entry");
    if (problem != ZipProblem::None) return 0;
    for (const ZipEntryInfo& entry : zip.Entries()) {
        std::string content;
        if (zip.Read(entry, content) && content.size() != entry.size) Finding("content of another size than stated");
    }
    CheckCopy(zip);
    WorkbookPackage package;
    PackageFault fault;
    const PackageProblem packageProblem = ReadPackage(zip, package, detail, fault);
    if (packageProblem == PackageProblem::Encoding && (fault.part.empty() || fault.encoding.empty()))
        Finding("a refusal for an encoding that names no part or encoding");
    if (packageProblem != PackageProblem::None) return 0;
    CheckWorksheets(zip, package, detail, fault);
    std::vector<ReadSheet> sheets;
    ReadWorkbookCells(zip, package, sheets, detail);
    CheckFilledTemplate(zip, package);
    return 0;
}
