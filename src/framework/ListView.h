#pragma once
#include <windows.h>

#include <commctrl.h>

#include <string>

namespace exl {

// A thin holder of a list-view control in report view: columns, rows, cells and
// item data by index. It owns nothing; the dialog owns the window.
class ListView {
public:
    ListView() = default;
    explicit ListView(HWND list) : list_(list) {}

    void Attach(HWND list) { list_ = list; }
    HWND Hwnd() const { return list_; }

    void InsertColumn(int column, const std::string& heading);
    // Inserts a row with the text of its first cell. Returns the index the row got,
    // which in a sorted list need not be `row`; -1 on failure.
    int InsertRow(int row, const std::string& text);
    void SetCell(int row, int column, const std::string& text);
    // At most maxChars characters of a cell's text.
    std::string Cell(int row, int column, std::size_t maxChars) const;
    bool SetItemData(int row, LPARAM data);
    // The row's item data, 0 for a row that does not exist.
    LPARAM ItemData(int row) const;
    int RowCount() const;
    bool HasRow(int row) const { return row >= 0 && row < RowCount(); }
    void DeleteAllRows();

    // Every column as wide as its contents, then as wide as its heading (the
    // second sizing is the one that stays, as the platform defines it), and never
    // so narrow that the heading is cut.
    void SizeColumnsToFit();
    void AddExtendedStyle(DWORD style);

private:
    HWND list_ = nullptr;
};

}  // namespace exl
