// Formulas moved as Excel moves a copied one.
#include <gtest/gtest.h>

#include "workbook/sheet/FormulaShift.h"

namespace exl::workbook::test {
namespace {

TEST(FormulaShift, MovesRelativeReferencesOnly) {
    struct Case {
        const char* formula;
        int rows;
        int columns;
        const char* expected;
    } cases[] = {
        {"B2*2", 3, 0, "B5*2"},
        {"$B$2+B$2+$B2+B2", 3, 1, "$B$2+C$2+$B5+C5"},
        {"SUM(A2:B3)/COUNT($A$2:A3)", 2, 0, "SUM(A4:B5)/COUNT($A$2:A5)"},
        {"SUM(C:C)+SUM($D:E)+SUM(2:3)+SUM($4:5)", 1, 1, "SUM(D:D)+SUM($D:F)+SUM(3:4)+SUM($4:6)"},
        {"'Blatt 2'!A1&Liste!$A1&\"A1\"", 1, 0, "'Blatt 2'!A2&Liste!$A2&\"A1\""},
        {"LOG10(A1)+Tab1[Menge]+SUBTOTAL(109,Tabelle1[[#Totals],[A1]])", 1, 0,
         "LOG10(A2)+Tab1[Menge]+SUBTOTAL(109,Tabelle1[[#Totals],[A1]])"},
        {"IF(ISNA(A1),#N/A,1.5E+3*A1+Netto)", 2, 0, "IF(ISNA(A3),#N/A,1.5E+3*A3+Netto)"},
        {"\"say \"\"B2\"\"\"&B2", 1, 0, "\"say \"\"B2\"\"\"&B3"},
        {"ABCD1+XFE1+A0+A1", 1, 0, "ABCD1+XFE1+A0+A2"},  // names, not cells
        {"A1048576+A1:A1048576+XFD1", 1, 1, "#REF!+#REF!+#REF!"},
        {"[1]Blatt!B2", 1, 0, "[1]Blatt!B3"},
    };
    for (const Case& c : cases) EXPECT_EQ(ShiftFormula(c.formula, c.rows, c.columns), c.expected) << c.formula;
}

}  // namespace
}  // namespace exl::workbook::test
