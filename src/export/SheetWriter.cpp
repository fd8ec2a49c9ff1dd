#include "export/SheetWriter.h"

#include "export/ExcelMembers.h"
#include "export/RecordFile.h"
#include "framework/CodePage.h"
#include "framework/Ini.h"
#include "framework/IniSnapshot.h"

namespace exl {

namespace {

// Record n's section is its number in decimal.
constexpr const char* kRecordSectionFormat = "%i";

std::int32_t ReadRecordCount(const std::string& recordFile) {
    return ReadIniInt(recordFile, kRecordCountSection, kRecordCountKey, 0);
}

// The host's value of a field in record n, in the OEM code page. The reader drops
// the blank that ends every value line, as the platform's does.
std::string ReadRecordValue(const IniSnapshot& records, std::int32_t record, const std::string& field) {
    return records.Get(Format(kRecordSectionFormat, record), field, "");
}

}  // namespace

std::string CellAddress(const std::string& column, std::int64_t row) {
    std::string address = column + Format("%lld", static_cast<long long>(row));
    if (address.size() > kCellAddressMaxChars) throw COleException(kCellAddressTooLong);
    return address;
}

SheetWriter::SheetWriter(AutomationRef& sheets, AutomationRef& worksheet, AutomationRef& range)
    : sheets_(sheets), worksheet_(worksheet), range_(range) {}

void SheetWriter::Write(const std::string& profilePath, const std::string& recordFile) {
    const TransferProfile profile(profilePath);
    // The record file is read once: the platform's reader walks the whole file for
    // every value, which grows with the square of the number of records.
    const IniSnapshot records(recordFile);
    const std::int16_t tables = profile.TableCountForSheets();
    for (int table = 1; table <= tables; ++table) WriteTable(profile, table, recordFile, records);
}

void SheetWriter::WriteTable(const TransferProfile& profile, int table, const std::string& recordFile,
                             const IniSnapshot& records) {
    const Variant sheet = Variant::Int16(profile.Sheet(table));
    worksheet_.Attach(RequireObject(GetDispatchProperty(sheets_, excel::kItem, {&sheet})));
    CallMethod(worksheet_, excel::kSelect);

    const std::int16_t fields = profile.FieldCount(table);
    const std::int16_t headerRow = profile.HeaderRow(table);
    const std::int16_t startRow = profile.StartRow(table);
    const std::int32_t recordCount = ReadRecordCount(recordFile);
    for (int field = 1; field <= fields; ++field)
        WriteField(profile, table, field, headerRow, startRow, recordCount, records);
}

void SheetWriter::WriteField(const TransferProfile& profile, int table, int field, std::int16_t headerRow,
                             std::int16_t startRow, std::int32_t recordCount, const IniSnapshot& records) {
    const std::string name = profile.FieldName(table, field);
    const std::string column = profile.Column(table, field);
    const std::string heading = profile.ColumnHeading(table, field);
    const std::int16_t limit = profile.CharacterLimit(table, field);

    // Written even when empty: that empties the cell.
    if (headerRow > 0) WriteCell(column, headerRow, heading);

    // 64-bit, so neither the counter nor the row can wrap.
    for (std::int64_t record = 1; record <= recordCount; ++record) {
        const std::string value = ReadRecordValue(records, static_cast<std::int32_t>(record), name);
        // A missing value leaves a gap, so one object's values stay on one row.
        if (value.empty()) continue;
        std::string text = ConvertOemToAnsi(value);
        if (limit > 0 && text.size() > static_cast<std::size_t>(limit)) text.resize(static_cast<std::size_t>(limit));
        WriteCell(column, startRow + record - 1, text);
    }
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
