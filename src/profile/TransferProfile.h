#pragma once
// The transfer profile (.exl): an INI file with the section [Datei] and one section
// per table. Key names, formats and every consumer's reading of them live here, so
// the query step, the sheet check, the sheet filling and the editor meet in the
// same keys. Every read goes key by key through the platform's profile functions,
// with nothing cached, because the editor changes the file while others read it.
#include <cstdint>
#include <string>

#include "profile/ProfileNumber.h"

namespace exl {

// [Datei]
constexpr const char* kProfileFileSection = "Datei";
constexpr const char* kTableCountKey = "Tabelle";
constexpr const char* kExcelTemplateKey = "Excelvorlage";
// Opt-in: 1 writes each stretch of a column through one range and one array.
// Absent or any other number keeps the writing cell by cell, which a template's
// macros reacting to every changed cell rely on.
constexpr const char* kBlockTransferKey = "Blockweise";
// Opt-in: 1 lets a value that Excel would read as a formula reach it as one. By
// default such a value is kept as text, so a drawing cannot bring formulas along.
constexpr const char* kFormulasKey = "Formeln";
// Opt-in: 1 keeps every value that is not a plain whole number as text, exactly as
// the drawing holds it ("0012" stays "0012", "8.8" is no date).
constexpr const char* kValuesAsTextKey = "AlsText";
// Each of these switches is read as a whole number; only this value turns it on.
constexpr int kProfileSwitchOn = 1;

// Table sections: "Tabelle 1", "Tabelle 2", ...
constexpr const char* kTableSectionFormat = "Tabelle %i";
constexpr const char* kSheetKey = "Blatt";
constexpr const char* kFieldCountKey = "Anzahl";
constexpr const char* kHeaderRowKey = "Kopfzeile";
constexpr const char* kStartRowKey = "Startzeile";

// Field keys; the field number fills the "%i". Keys match without regard to case,
// so the query step's "FELD_%i" finds the editor's "Feld_%i".
constexpr const char* kFieldNameKeyFormat = "Feld_%i";
constexpr const char* kQueryFieldNameKeyFormat = "FELD_%i";
constexpr const char* kColumnKeyFormat = "Spalte_%i";
constexpr const char* kColumnHeadingKeyFormat = "Spaltenkopf_%i";
constexpr const char* kCharacterLimitKeyFormat = "AnzZeich_%i";
constexpr const char* kFieldTypeKeyFormat = "Typ_%i";

// The five keys of one field in the order the editor writes and renumbers them.
constexpr const char* kFieldKeyFormats[] = {kFieldNameKeyFormat, kColumnHeadingKeyFormat, kColumnKeyFormat,
                                            kCharacterLimitKeyFormat, kFieldTypeKeyFormat};

// The export reads a column into a 10-byte buffer: at most 9 characters count.
constexpr int kColumnReadSize = 10;
constexpr std::size_t kColumnMaxChars = kColumnReadSize - 1;

// Field types of "Typ_%i".
constexpr std::int16_t kFieldTypeText = 1;
constexpr std::int16_t kFieldTypePosition = 2;
constexpr std::int16_t kFieldTypeQuantity = 3;

// "Tabelle %i" for table t.
std::string TableSectionName(int table);
// A field key such as "Feld_%i" for field f.
std::string FieldKey(const char* format, int field);

// Reads "AnzZeich_%i" of field f as text (absent: "?") and turns it into a limit.
std::int16_t ReadCharacterLimit(const std::string& profilePath, const std::string& section, int field);

// The five texts of one field as the editor and the field definition dialog hold them.
struct FieldDefinition {
    std::string name;           // "Feld_%i"
    std::string columnHeading;  // "Spaltenkopf_%i"
    std::string column;         // "Spalte_%i"
    std::string limitText;      // "AnzZeich_%i"
    std::int16_t type = kFieldTypeText;  // "Typ_%i"
};

// One profile file, named by its full path. Counts, rows and sheet numbers are
// 16-bit signed as the host's profiles always held them: a stored number that does
// not fit is taken modulo 2^16, and callers loop with wider counters so 32767
// cannot wrap. Absent files and keys give each reader's own default.
class TransferProfile {
public:
    explicit TransferProfile(std::string path) : path_(std::move(path)) {}
    const std::string& Path() const { return path_; }

    // [Datei] "Tabelle" with each consumer's default when absent.
    std::int16_t TableCountForQuery() const;       // 0: a profile without tables searches nothing
    std::int16_t TableCountForSheetCheck() const;  // 0
    std::int16_t TableCountForSheets() const;      // 1
    std::int16_t TableCountForEditor() const;      // 1
    // [Datei] "Excelvorlage", absent "".
    std::string ExcelTemplate() const;
    // [Datei] "Blockweise" read as a whole number (absent 0) is 1.
    bool BlockTransfer() const;
    // [Datei] "Formeln" and "AlsText" read as whole numbers (absent 0) are 1.
    bool FormulasAllowed() const;
    bool ValuesAsText() const;
    // Any of these [Datei] switches by its key: on when it reads as kProfileSwitchOn.
    bool SwitchOn(const char* key) const;
    // Writes the switch as "1" or "0".
    bool WriteSwitch(const char* key, bool on) const;

    // Table keys as the export reads them: "Anzahl" 0, "Blatt" 1, "Kopfzeile" 0, "Startzeile" 1.
    std::int16_t FieldCount(int table) const { return FieldCount(TableSectionName(table)); }
    std::int16_t FieldCount(const std::string& section) const;
    std::int16_t Sheet(int table) const;
    std::int16_t HeaderRow(int table) const;
    std::int16_t StartRow(int table) const;

    // Field keys as the export reads them (at most 254 characters, absent "").
    // The query step asks for "FELD_%i", the sheet filling for "Feld_%i".
    std::string QueryFieldName(int table, int field) const;
    std::string FieldName(int table, int field) const;
    std::string Column(int table, int field) const;  // at most 9 characters
    std::string ColumnHeading(int table, int field) const;
    std::int16_t CharacterLimit(int table, int field) const;

    // The editor's view of a table section (absent: "Kopfzeile" "1", "Startzeile" "2",
    // "Blatt" "1"), of [Datei] "Tabelle" as text (absent "1") and of one field
    // (absent: empty texts, limit "?", type 1).
    std::string TableCountText() const;
    std::string HeaderRowText(const std::string& section) const;
    std::string StartRowText(const std::string& section) const;
    std::string SheetText(const std::string& section) const;
    FieldDefinition ReadFieldDefinition(const std::string& section, int field) const;
    // One field key as the editor's field list shows it (absent: empty, also for the limit).
    std::string FieldText(const std::string& section, const char* keyFormat, int field) const;

    // The editor's writes, each value as typed.
    bool WriteTableCountText(const std::string& text) const;
    bool WriteExcelTemplate(const std::string& path) const;
    bool WriteHeaderRowText(const std::string& section, const std::string& text) const;
    bool WriteStartRowText(const std::string& section, const std::string& text) const;
    bool WriteSheetText(const std::string& section, const std::string& text) const;
    bool WriteFieldCount(const std::string& section, int count) const;
    // The seed of a brand-new profile, in this order: [Datei] "Tabelle"=3,
    // [Tabelle 1] "Blatt"=1, [Tabelle 1] "Anzahl"=1; nothing else.
    bool WriteSeed() const;
    // Writes the five keys of field f in the order "Feld_%i", "Spaltenkopf_%i",
    // "Spalte_%i", "AnzZeich_%i", "Typ_%i" (the type as "%i").
    bool WriteFieldDefinition(const std::string& section, int field, const FieldDefinition& definition) const;

    // Deletes field d of the section's m = "Anzahl" fields: the five keys of every
    // field above d move down by one (copied as text; an absent key as an empty
    // value), the keys of field m are removed and "Anzahl" becomes m-1. Does nothing
    // and returns false when d does not name a field 1..m, so no negative count and
    // no key numbered 0 is ever written.
    bool DeleteFieldRenumbering(const std::string& section, int field) const;

private:
    std::string path_;
};

}  // namespace exl
