#pragma once
#include <cstdint>
#include <string>

#include "framework/Dialog.h"

namespace exl {

// Edits one field of one table. The caller fills the members, runs the dialog and
// after OK reads the four texts and the type back; the dialog itself reads and
// writes no profile and checks nothing the user types.
class FieldDialog : public Dialog {
public:
    enum { IDD = 2004 };

    explicit FieldDialog(HWND parent = nullptr);

    std::string fieldName;       // edit 2002, "Feld_%i"
    std::string excelColumn;     // edit 2003, "Spalte_%i"
    std::int32_t number = 0;     // edit 2001, shown only: the caller's own field number
    std::string columnHeading;   // edit 2019, "Spaltenkopf_%i"
    std::string characterCount;  // edit 2004, "AnzZeich_%i", kept as text
    // 1 text, 2 automatic position number, 3 automatic quantity. The choice is hidden,
    // so the dialog hands back what it was given. Every caller sets it; 1 only keeps
    // a forgotten one from being garbage.
    std::int16_t type = 1;

protected:
    void DoDataExchange(DataExchange& exchange) override;
    bool OnInitDialog() override;
    bool OnCommand(int controlId, int notification, HWND control) override;
    void OnHelp() override;
};

// The field names the two buttons enter: the automatic position number and quantity.
constexpr const char* kAutoPositionFieldName = "%i";
constexpr const char* kAutoQuantityFieldName = "%n";

}  // namespace exl
