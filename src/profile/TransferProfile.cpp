#include "profile/TransferProfile.h"

#include "framework/Ini.h"

namespace exl {

namespace {

// Stored numbers are 16-bit; a wider number keeps its low 16 bits.
std::int16_t To16(int value) { return static_cast<std::int16_t>(static_cast<std::uint16_t>(value)); }

constexpr int kEditorDefaultTableCount = 1;
constexpr const char* kEditorDefaultTableCountText = "1";
constexpr const char* kEditorDefaultHeaderRowText = "1";
constexpr const char* kEditorDefaultStartRowText = "2";
constexpr const char* kEditorDefaultSheetText = "1";

constexpr int kExportDefaultSheet = 1;
constexpr int kExportDefaultHeaderRow = 0;
constexpr int kExportDefaultStartRow = 1;
constexpr int kSheetsDefaultTableCount = 1;

std::int16_t ReadTableCount(const std::string& path, int defaultCount) {
    return To16(ReadIniInt(path, kProfileFileSection, kTableCountKey, defaultCount));
}

}  // namespace

std::string TableSectionName(int table) { return Format(kTableSectionFormat, table); }

std::string FieldKey(const char* format, int field) { return Format(format, field); }

std::int16_t ReadCharacterLimit(const std::string& profilePath, const std::string& section, int field) {
    return CharacterLimitFromText(
        ReadIniString(profilePath, section, FieldKey(kCharacterLimitKeyFormat, field), kNoLimitText));
}

std::int16_t TransferProfile::TableCountForQuery() const {
    return ReadTableCount(path_, 0);
}

std::int16_t TransferProfile::TableCountForSheetCheck() const {
    return ReadTableCount(path_, 0);
}

std::int16_t TransferProfile::TableCountForSheets() const {
    return ReadTableCount(path_, kSheetsDefaultTableCount);
}

std::int16_t TransferProfile::TableCountForEditor() const {
    return ReadTableCount(path_, kEditorDefaultTableCount);
}

std::string TransferProfile::ExcelTemplate() const {
    return ReadIniString(path_, kProfileFileSection, kExcelTemplateKey, "");
}

bool TransferProfile::BlockTransfer() const { return SwitchOn(kBlockTransferKey); }

bool TransferProfile::FormulasAllowed() const { return SwitchOn(kFormulasKey); }

bool TransferProfile::ValuesAsText() const { return SwitchOn(kValuesAsTextKey); }

bool TransferProfile::SwitchOn(const char* key) const {
    return ReadIniInt(path_, kProfileFileSection, key, 0) == kProfileSwitchOn;
}

bool TransferProfile::WriteSwitch(const char* key, bool on) const {
    return WriteIniInt(path_, kProfileFileSection, key, on ? kProfileSwitchOn : 0);
}

std::int16_t TransferProfile::FieldCount(const std::string& section) const {
    return To16(ReadIniInt(path_, section, kFieldCountKey, 0));
}

std::int16_t TransferProfile::Sheet(int table) const {
    return To16(ReadIniInt(path_, TableSectionName(table), kSheetKey, kExportDefaultSheet));
}

std::int16_t TransferProfile::HeaderRow(int table) const {
    return To16(ReadIniInt(path_, TableSectionName(table), kHeaderRowKey, kExportDefaultHeaderRow));
}

std::int16_t TransferProfile::StartRow(int table) const {
    return To16(ReadIniInt(path_, TableSectionName(table), kStartRowKey, kExportDefaultStartRow));
}

std::string TransferProfile::QueryFieldName(int table, int field) const {
    return ReadIniString(path_, TableSectionName(table), FieldKey(kQueryFieldNameKeyFormat, field), "");
}

std::string TransferProfile::FieldName(int table, int field) const {
    return ReadIniString(path_, TableSectionName(table), FieldKey(kFieldNameKeyFormat, field), "");
}

std::string TransferProfile::Column(int table, int field) const {
    return ReadIniString(path_, TableSectionName(table), FieldKey(kColumnKeyFormat, field), "", kColumnReadSize);
}

std::string TransferProfile::ColumnHeading(int table, int field) const {
    return ReadIniString(path_, TableSectionName(table), FieldKey(kColumnHeadingKeyFormat, field), "");
}

std::int16_t TransferProfile::CharacterLimit(int table, int field) const {
    return ReadCharacterLimit(path_, TableSectionName(table), field);
}

std::string TransferProfile::TableCountText() const {
    return ReadIniString(path_, kProfileFileSection, kTableCountKey, kEditorDefaultTableCountText);
}

std::string TransferProfile::HeaderRowText(const std::string& section) const {
    return ReadIniString(path_, section, kHeaderRowKey, kEditorDefaultHeaderRowText);
}

std::string TransferProfile::StartRowText(const std::string& section) const {
    return ReadIniString(path_, section, kStartRowKey, kEditorDefaultStartRowText);
}

std::string TransferProfile::SheetText(const std::string& section) const {
    return ReadIniString(path_, section, kSheetKey, kEditorDefaultSheetText);
}

FieldDefinition TransferProfile::ReadFieldDefinition(const std::string& section, int field) const {
    FieldDefinition definition;
    definition.name = ReadIniString(path_, section, FieldKey(kFieldNameKeyFormat, field), "");
    definition.columnHeading = ReadIniString(path_, section, FieldKey(kColumnHeadingKeyFormat, field), "");
    definition.column = ReadIniString(path_, section, FieldKey(kColumnKeyFormat, field), "");
    definition.limitText = ReadIniString(path_, section, FieldKey(kCharacterLimitKeyFormat, field), kNoLimitText);
    definition.type = To16(ReadIniInt(path_, section, FieldKey(kFieldTypeKeyFormat, field), kFieldTypeText));
    return definition;
}

std::string TransferProfile::FieldText(const std::string& section, const char* keyFormat, int field) const {
    return ReadIniString(path_, section, FieldKey(keyFormat, field), "");
}

bool TransferProfile::WriteTableCountText(const std::string& text) const {
    return WriteIniString(path_, kProfileFileSection, kTableCountKey, text);
}

bool TransferProfile::WriteExcelTemplate(const std::string& path) const {
    return WriteIniString(path_, kProfileFileSection, kExcelTemplateKey, path);
}

bool TransferProfile::WriteHeaderRowText(const std::string& section, const std::string& text) const {
    return WriteIniString(path_, section, kHeaderRowKey, text);
}

bool TransferProfile::WriteStartRowText(const std::string& section, const std::string& text) const {
    return WriteIniString(path_, section, kStartRowKey, text);
}

bool TransferProfile::WriteSheetText(const std::string& section, const std::string& text) const {
    return WriteIniString(path_, section, kSheetKey, text);
}

bool TransferProfile::WriteFieldCount(const std::string& section, int count) const {
    return WriteIniInt(path_, section, kFieldCountKey, count);
}

bool TransferProfile::WriteSeed() const {
    const std::string firstTable = TableSectionName(1);
    bool written = WriteIniInt(path_, kProfileFileSection, kTableCountKey, 3);
    written &= WriteIniInt(path_, firstTable, kSheetKey, 1);
    written &= WriteIniInt(path_, firstTable, kFieldCountKey, 1);
    return written;
}

bool TransferProfile::WriteFieldDefinition(const std::string& section, int field,
                                           const FieldDefinition& definition) const {
    bool written = WriteIniString(path_, section, FieldKey(kFieldNameKeyFormat, field), definition.name);
    written &= WriteIniString(path_, section, FieldKey(kColumnHeadingKeyFormat, field), definition.columnHeading);
    written &= WriteIniString(path_, section, FieldKey(kColumnKeyFormat, field), definition.column);
    written &= WriteIniString(path_, section, FieldKey(kCharacterLimitKeyFormat, field), definition.limitText);
    written &= WriteIniInt(path_, section, FieldKey(kFieldTypeKeyFormat, field), definition.type);
    return written;
}

bool TransferProfile::DeleteFieldRenumbering(const std::string& section, int field) const {
    const int count = FieldCount(section);
    if (field < 1 || field > count) return false;
    bool written = true;
    for (int f = field; f < count; ++f) {
        for (const char* format : kFieldKeyFormats)
            written &= WriteIniString(path_, section, FieldKey(format, f),
                                      ReadIniString(path_, section, FieldKey(format, f + 1), ""));
    }
    for (const char* format : kFieldKeyFormats) written &= DeleteIniKey(path_, section, FieldKey(format, count));
    written &= WriteIniInt(path_, section, kFieldCountKey, count - 1);
    return written;
}

}  // namespace exl
