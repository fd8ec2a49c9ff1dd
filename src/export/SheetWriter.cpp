#include "export/SheetWriter.h"

#include <algorithm>
#include <climits>
#include <new>

#include "export/ExcelMembers.h"
#include "export/records/RecordFile.h"
#include "framework/CodePage.h"
#include "framework/Ini.h"
#include "framework/IniSnapshot.h"
#include "framework/RejectedCalls.h"

namespace exl {

namespace {

// Record n's section is its number in decimal.
constexpr const char* kRecordSectionFormat = "%i";

// The host's value of a field in record n, in the OEM code page. The reader drops
// the blank that ends every value line, as the platform's does.
std::string ReadRecordValue(const IniSnapshot& records, std::int32_t record, const std::string& field) {
    return records.Get(Format(kRecordSectionFormat, record), field, "");
}

// A run of texts as Excel takes it for a range of run.size() rows and one column:
// two dimensions (rows, then columns), both 1-based, of VARIANTs each holding the
// VT_BSTR of its ANSI text. Throws std::bad_alloc when out of memory.
SafeArray TextColumn(const std::vector<std::string>& texts) {
    if (texts.size() > static_cast<std::size_t>(LONG_MAX)) throw std::bad_alloc();
    SAFEARRAYBOUND bounds[2] = {{static_cast<ULONG>(texts.size()), 1}, {1, 1}};
    SafeArray column(SafeArrayCreate(VT_VARIANT, 2, bounds));
    if (!column.Get()) throw std::bad_alloc();
    for (std::size_t at = 0; at < texts.size(); ++at) {
        LONG index[2] = {static_cast<LONG>(at) + 1, 1};
        const Variant text = Variant::Text(texts[at]);
        // The array keeps a copy of the text; the variant frees its own.
        if (FAILED(SafeArrayPutElement(column.Get(), index, const_cast<VARIANT*>(&text.Get()))))
            throw std::bad_alloc();
    }
    return column;
}

}  // namespace

std::string CellAddress(const std::string& column, std::int64_t row) {
    std::string address = column + Format("%lld", static_cast<long long>(row));
    if (address.size() > kCellAddressMaxChars) throw COleException(kCellAddressTooLong);
    return address;
}

SheetWriter::SheetWriter(AutomationRef& sheets, AutomationRef& worksheet, AutomationRef& range,
                         WriteProgress& progress)
    : sheets_(sheets), worksheet_(worksheet), range_(range), progress_(progress) {}

void SheetWriter::Write(const std::string& profilePath, const std::string& recordFile) {
    const TransferProfile profile(profilePath);
    blocks_ = profile.BlockTransfer();
    textRules_ = {profile.FormulasAllowed(), profile.ValuesAsText()};
    // The record file is read once: the platform's reader walks the whole file for
    // every value, which grows with the square of the number of records.
    const IniSnapshot records(recordFile);
    const std::int16_t tables = profile.TableCountForSheets();
    at_ = WritePosition();
    slotsBeforeField_ = 0;
    at_.tables = tables;
    at_.slotsTotal = SlotsTotal(profile, ReadRecordCount(records));
    for (int table = 1; table <= tables; ++table) {
        at_.table = table;
        WriteTable(profile, table, records);
    }
}

std::int64_t SheetWriter::SlotsTotal(const TransferProfile& profile, std::int32_t recordCount) {
    std::int64_t fields = 0;
    const std::int16_t tables = profile.TableCountForSheets();
    for (int table = 1; table <= tables; ++table) fields += std::max<std::int16_t>(profile.FieldCount(table), 0);
    return fields * std::max<std::int32_t>(recordCount, 0);
}

void SheetWriter::Written(std::int64_t row) {
    Reached(std::clamp<std::int64_t>(row - startRow_ + 1, 0, at_.records));
}

void SheetWriter::Reached(std::int64_t record) {
    at_.record = record;
    at_.slotsDone = slotsBeforeField_ + record;
    progress_.Advance(at_);
}

void SheetWriter::WriteTable(const TransferProfile& profile, int table, const IniSnapshot& records) {
    const Variant sheet = Variant::Int16(profile.Sheet(table));
    worksheet_.Attach(RequireObject(GetDispatchProperty(sheets_, excel::kItem, {&sheet})));
    CallMethod(worksheet_, excel::kSelect);

    const std::int16_t fields = profile.FieldCount(table);
    const std::int16_t headerRow = profile.HeaderRow(table);
    const std::int16_t startRow = profile.StartRow(table);
    const std::int32_t recordCount = ReadRecordCount(records);
    startRow_ = startRow;
    at_.fields = fields;
    at_.records = recordCount;
    for (int field = 1; field <= fields; ++field) {
        at_.field = field;
        WriteField(profile, table, field, headerRow, startRow, recordCount, records);
        slotsBeforeField_ += recordCount;
    }
}

void SheetWriter::WriteField(const TransferProfile& profile, int table, int field, std::int16_t headerRow,
                             std::int16_t startRow, std::int32_t recordCount, const IniSnapshot& records) {
    const std::string name = profile.FieldName(table, field);
    // A field without a name has no values, so without a heading row it writes
    // nothing: its other keys need not be read (a profile may declare thousands).
    if (name.empty() && headerRow <= 0) return;
    const std::string column = profile.Column(table, field);
    const std::string heading = profile.ColumnHeading(table, field);
    const std::int16_t limit = profile.CharacterLimit(table, field);

    // Written even when empty: that empties the cell.
    if (headerRow > 0) {
        WriteCell(column, headerRow, heading);
        Reached(0);
    }

    std::vector<std::string> run;
    std::int64_t runStart = 0;
    // 64-bit, so neither the counter nor the row can wrap.
    for (std::int64_t record = 1; record <= recordCount; ++record) {
        const std::string value = ReadRecordValue(records, static_cast<std::int32_t>(record), name);
        const std::int64_t row = startRow + record - 1;
        // A missing value leaves a gap, so one object's values stay on one row.
        if (value.empty()) {
            WriteRun(column, runStart, run);
            continue;
        }
        std::string text = ConvertOemToAnsi(value);
        if (limit > 0 && text.size() > static_cast<std::size_t>(limit)) text.resize(static_cast<std::size_t>(limit));
        // The apostrophe comes after the cut, so it never counts against the limit.
        text = TextForExcel(std::move(text), textRules_);
        if (!blocks_) {
            WriteCell(column, row, text);
            Written(row);
            continue;
        }
        if (run.empty()) runStart = row;
        run.push_back(std::move(text));
        if (run.size() == kMostValuesPerBlock) WriteRun(column, runStart, run);
    }
    WriteRun(column, runStart, run);
}

void SheetWriter::WriteRun(const std::string& column, std::int64_t firstRow, std::vector<std::string>& run) {
    const std::int64_t lastRow = firstRow + static_cast<std::int64_t>(run.size()) - 1;
    if (run.size() > 1 && WriteBlock(column, firstRow, run)) {
        run.clear();
        Written(lastRow);
        return;
    }
    // A single value, or a block Excel refused: the cells one by one, which meet
    // the same refusal at the same cell as an export without blocks.
    for (std::size_t at = 0; at < run.size(); ++at) {
        const std::int64_t row = firstRow + static_cast<std::int64_t>(at);
        WriteCell(column, row, run[at]);
        Written(row);
    }
    run.clear();
}

bool SheetWriter::WriteBlock(const std::string& column, std::int64_t firstRow, const std::vector<std::string>& run) {
    try {
        // An address too long for the text refuses the block too; the cells then
        // reach that refusal at the first cell whose address does not fit.
        const Variant cell1 = Variant::Text(CellAddress(column, firstRow));
        const Variant cell2 = Variant::Text(CellAddress(column, firstRow + static_cast<std::int64_t>(run.size()) - 1));
        range_.Attach(RequireObject(GetDispatchProperty(worksheet_, excel::kRange, {&cell1, &cell2})));
        const Variant values = Variant::Array(TextColumn(run));
        PutProperty(range_, excel::kValue, values);
        PutProperty(range_, excel::kValue2, values);
        return true;
    } catch (const COleDispatchException&) {
    } catch (const COleException& error) {
        // A call Excel kept turning away until the user gave up ends the export:
        // written cell by cell it would only be turned away, and asked about, again.
        if (IsRejectedCall(error.scode)) throw;
    }
    return false;
}

void SheetWriter::WriteCell(const std::string& column, std::int64_t row, const std::string& text) {
    const std::string address = CellAddress(column, row);
    const Variant cell1 = Variant::Text(address);
    const Variant cell2 = Variant::Text(address);
    range_.Attach(RequireObject(GetDispatchProperty(worksheet_, excel::kRange, {&cell1, &cell2})));
    const Variant value = Variant::Text(text);
    PutProperty(range_, excel::kValue, value);
    PutProperty(range_, excel::kValue2, value);
}

}  // namespace exl
