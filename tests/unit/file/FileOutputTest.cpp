#include <windows.h>

#include <gtest/gtest.h>

#include "ImportPatch.h"
#include "Scratch.h"
#include "export/file/FileLayout.h"
#include "export/file/FileMessages.h"
#include "export/file/FileTarget.h"
#include "export/file/ListLooks.h"
#include "workbook/file/SaveWorkbook.h"

namespace exl::test {
namespace {

TEST(FileLayout, ACellBelowTheLastRowIsRefusedOnlyWhenItHasAValue) {
    ScratchDirectory scratch;
    const std::string profilePath = scratch.File("exl\\tief.exl");
    WriteFile(profilePath, "[Datei]\r\nTabelle=1\r\n[Tabelle 1]\r\nBlatt=1\r\nStartzeile=32767\r\nAnzahl=1\r\n"
                           "Feld_1=Name\r\nSpalte_1=B\r\n");
    // Record 1,015,810 lands in row 1,048,576, the sheet's last; the next one below it.
    // The record file may leave out records without values.
    struct Case {
        const char* records;
        LayoutProblem problem;
        const char* cell;
    } cases[] = {
        {"[1015810]\r\nName=unten \r\n[Anzahl]\r\nAnzahl=1015811\r\n", LayoutProblem::None, ""},
        {"[1015811]\r\nName=darunter \r\n[Anzahl]\r\nAnzahl=1015811\r\n", LayoutProblem::CellOutsideSheet, "B1048577"},
    };
    const TransferProfile profile(profilePath);
    for (const Case& c : cases) {
        const std::string recordFile = scratch.File("records.tmp");
        WriteFile(recordFile, c.records);
        const IniSnapshot records(recordFile);
        SheetFields fields;
        const LayoutFault fault = LayOutTables(profile, {workbook::SheetKind::Worksheet}, records, 1015811, fields);
        EXPECT_EQ(fault.problem, c.problem) << c.records;
        EXPECT_EQ(fault.cell, c.cell);
        if (c.problem == LayoutProblem::None) continue;
        EXPECT_EQ(fault.table, 1);
        EXPECT_EQ(fault.field, 1);
        EXPECT_EQ(fault.fieldName, "Name");
    }
}

// One field of a table: column, heading row, start row.
FileField Field(int table, std::uint32_t column, std::int16_t headerRow, std::int16_t startRow) {
    FileField field;
    field.table = table;
    field.column = column;
    field.headerRow = headerRow;
    field.startRow = startRow;
    return field;
}

// A sheet's one filter and frozen pane go to its first table with a heading row.
TEST(ListLooks, TheFirstTableWithAHeadingRowIsFilteredFromItsHeadingToItsLastRecord) {
    using workbook::CellArea;
    struct Case {
        const char* name;
        std::vector<FileField> fields;
        std::int32_t records;
        std::vector<std::uint32_t> columns;
        std::optional<CellArea> headed;
    } cases[] = {
        {"fields out of column order", {Field(1, 3, 1, 2), Field(1, 1, 1, 2), Field(1, 5, 1, 2)}, 8, {1, 3, 5},
         CellArea{{1, 1}, {9, 5}}},
        {"the first table without heading row",
         {Field(1, 1, 0, 1), Field(2, 2, 3, 4), Field(2, 4, 3, 4), Field(3, 6, 1, 2)}, 2, {1, 2, 4, 6},
         CellArea{{3, 2}, {5, 4}}},
        {"records above the heading", {Field(1, 2, 5, 2)}, 2, {2}, CellArea{{5, 2}, {5, 2}}},
        {"records beyond the sheet's last row", {Field(1, 1, 1, 32767)}, 2000000, {1}, CellArea{{1, 1}, {1048576, 1}}},
        {"no heading row: widths only", {Field(1, 2, 0, 1), Field(1, 2, 0, 1)}, 5, {2}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<workbook::ListLook> looks = ListLooks({{}, c.fields}, c.records);
        ASSERT_EQ(looks.size(), 2u);
        EXPECT_TRUE(looks[0].columns.empty());
        EXPECT_FALSE(looks[0].headed);
        EXPECT_EQ(looks[1].columns, c.columns);
        ASSERT_EQ(looks[1].headed.has_value(), c.headed.has_value());
        if (!c.headed) continue;
        EXPECT_EQ(workbook::FormatCellArea(*looks[1].headed), workbook::FormatCellArea(*c.headed));
    }
}

TEST(FileTarget, DefaultIsTheProfileWithTheWorkbooksExtension) {
    struct Case {
        const char* profile;
        bool macros;
        const char* target;
    } cases[] = {
        {"C:\\exl\\liste.exl", false, "C:\\exl\\liste.xlsx"},
        {"C:\\exl\\liste.exl", true, "C:\\exl\\liste.xlsm"},
        {"C:\\ordner.neu\\liste", false, "C:\\ordner.neu\\liste.xlsx"},
        {"liste.v2.exl", false, "liste.v2.xlsx"},
    };
    for (const Case& c : cases) EXPECT_EQ(DefaultTargetPath(c.profile, c.macros), c.target) << c.profile;
    EXPECT_TRUE(HasExtension("C:\\a\\Liste.XLSX", ".xlsx"));
    EXPECT_FALSE(HasExtension("C:\\a\\.xlsx", ".xlsx"));
    EXPECT_FALSE(HasExtension("C:\\a.xlsx\\liste", ".xlsx"));
}

TEST(FileMessages, ValuesArePutInAsTheyAre) {
    ScratchDirectory scratch;
    EXPECT_EQ(FileMessageText(kReplaceQuestionKey, {"C:\\100%s.xlsx"}),
              ToAnsi("Die Datei „C:\\100%s.xlsx“ gibt es bereits. Möchten Sie sie ersetzen?"));
    EXPECT_EQ(FileMessageText(kNoSuchSheetKey, {"2"}),
              ToAnsi("Tabelle 2 des Übergabe-Profils gehört auf Blatt %s, das die Mappe nicht hat. "
                     "Es wurde nichts gespeichert."));
}

std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

bool TemporaryFileIn(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\exl*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    return true;
}

TEST(SaveWorkbook, TheTargetChangesOnlyWhenTheWholeFileIsWritten) {
    ScratchDirectory scratch(false);
    const std::string target = scratch.File("mappe.xlsx");
    auto writeThen = [](bool finish) {
        return [finish](workbook::ZipWriter& zip, std::string& problem) {
            zip.AddEntry("a.xml", std::string(500000, 'a'));
            problem = "the source failed";
            return finish && zip.Finish();
        };
    };
    struct Case {
        const char* name;
        std::string target;
        bool finish;
        workbook::SaveProblem problem;
        bool replaced;
    } cases[] = {
        {"failing half-way", target, false, workbook::SaveProblem::CannotWrite, false},
        {"no such folder", scratch.File("fehlt\\mappe.xlsx"), true, workbook::SaveProblem::CannotCreate, false},
        {"complete", target, true, workbook::SaveProblem::None, true},
    };
    for (const Case& c : cases) {
        WriteFile(target, "bisher");
        std::string detail;
        EXPECT_EQ(workbook::SaveWorkbook(Wide(c.target), writeThen(c.finish), detail), c.problem) << c.name;
        EXPECT_EQ(ReadFile(target).substr(0, 2), c.replaced ? "PK" : "bi") << c.name;
        EXPECT_FALSE(TemporaryFileIn(scratch.Path())) << c.name;
    }
}

// The order of the file calls that decide what a power loss leaves, seen through the
// imports of the test program, which holds the save's code.
struct FileCalls {
    static inline std::vector<std::string> order;
    static inline void* flush = nullptr;
    static inline void* move = nullptr;
    static BOOL WINAPI Flush(HANDLE file) {
        order.push_back("flush");
        return reinterpret_cast<BOOL(WINAPI*)(HANDLE)>(flush)(file);
    }
    static BOOL WINAPI Move(LPCWSTR from, LPCWSTR to, DWORD flags) {
        order.push_back("move");
        return reinterpret_cast<BOOL(WINAPI*)(LPCWSTR, LPCWSTR, DWORD)>(move)(from, to, flags);
    }
};

// The new file is on the disk before it takes the target's name: after a power loss
// the target is the old list or the whole new one, never an empty or partial file.
TEST(SaveWorkbook, TheNewFileIsFlushedBeforeItReplacesTheTarget) {
    ScratchDirectory scratch(false);
    const ImportPatch flush(GetModuleHandleA(nullptr), "kernel32.dll", "FlushFileBuffers",
                            reinterpret_cast<void*>(&FileCalls::Flush));
    const ImportPatch move(GetModuleHandleA(nullptr), "kernel32.dll", "MoveFileExW",
                           reinterpret_cast<void*>(&FileCalls::Move));
    ASSERT_TRUE(flush.Installed()) << "the save never flushes";
    ASSERT_TRUE(move.Installed());
    FileCalls::flush = flush.Original();
    FileCalls::move = move.Original();
    FileCalls::order.clear();
    std::string detail;
    ASSERT_EQ(workbook::SaveWorkbook(Wide(scratch.File("mappe.xlsx")),
                                     [](workbook::ZipWriter& zip, std::string&) {
                                         return zip.AddEntry("a.xml", "<a/>") && zip.Finish();
                                     },
                                     detail),
              workbook::SaveProblem::None)
        << detail;
    EXPECT_EQ(FileCalls::order, (std::vector<std::string>{"flush", "move"}));
}

}  // namespace
}  // namespace exl::test
