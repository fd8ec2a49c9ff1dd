#include "framework/ListView.h"

#include <vector>

namespace exl {

namespace {
// A heading longer than this is measured by its start only.
constexpr int kHeadingChars = 255;
}  // namespace

void ListView::InsertColumn(int column, const std::string& heading) {
    LVCOLUMNA item = {};
    item.mask = LVCF_TEXT | LVCF_SUBITEM;
    item.pszText = const_cast<char*>(heading.c_str());
    item.iSubItem = column;
    SendMessageA(list_, LVM_INSERTCOLUMNA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item));
}

int ListView::InsertRow(int row, const std::string& text) {
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = const_cast<char*>(text.c_str());
    return static_cast<int>(SendMessageA(list_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

void ListView::SetCell(int row, int column, const std::string& text) {
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = const_cast<char*>(text.c_str());
    SendMessageA(list_, LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

std::string ListView::Cell(int row, int column, std::size_t maxChars) const {
    std::vector<char> buffer(maxChars + 1, '\0');
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = buffer.data();
    item.cchTextMax = static_cast<int>(buffer.size());
    SendMessageA(list_, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    // The control cuts the text to the buffer and ends it; the last byte stays 0 anyway.
    buffer.back() = '\0';
    return std::string(buffer.data());
}

bool ListView::SetItemData(int row, LPARAM data) {
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    item.lParam = data;
    return SendMessageA(list_, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item)) != FALSE;
}

LPARAM ListView::ItemData(int row) const {
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!SendMessageA(list_, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return 0;
    return item.lParam;
}

int ListView::RowCount() const { return static_cast<int>(SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0)); }

void ListView::DeleteAllRows() { SendMessageA(list_, LVM_DELETEALLITEMS, 0, 0); }

void ListView::SizeColumnsToFit() {
    HWND header = reinterpret_cast<HWND>(SendMessageA(list_, LVM_GETHEADER, 0, 0));
    const int columns = static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
    // The header keeps three edge widths free on either side of a heading; Wine's
    // heading fit leaves one pixel less and cuts every heading to an ellipsis.
    const int headingMargin = 2 * 3 * GetSystemMetrics(SM_CXEDGE);
    for (int column = 0; column < columns; ++column) {
        SendMessageA(list_, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), MAKELPARAM(LVSCW_AUTOSIZE, 0));
        SendMessageA(list_, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column),
                     MAKELPARAM(LVSCW_AUTOSIZE_USEHEADER, 0));
        char heading[kHeadingChars + 1] = {};
        LVCOLUMNA item = {};
        item.mask = LVCF_TEXT;
        item.pszText = heading;
        item.cchTextMax = sizeof(heading);
        if (!SendMessageA(list_, LVM_GETCOLUMNA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item)))
            continue;
        const int needed = static_cast<int>(SendMessageA(list_, LVM_GETSTRINGWIDTHA, 0,
                                                         reinterpret_cast<LPARAM>(heading))) +
                           headingMargin + 1;
        const int width = static_cast<int>(SendMessageA(list_, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
        if (width < needed)
            SendMessageA(list_, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), MAKELPARAM(needed, 0));
    }
}

void ListView::AddExtendedStyle(DWORD style) {
    SendMessageA(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, style, style);
}

}  // namespace exl
