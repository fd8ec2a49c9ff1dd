#pragma once
// Excel's per-user options that the stand-in and the profile editor read.

namespace exl::test {

// Removes Excel's options keys of versions 8, 9 and 10 ("DefSheets" among them), so
// a new workbook has Excel's three sheets whatever an earlier, interrupted run left
// in the prefix's registry.
void ForgetExcelOptions();

}  // namespace exl::test
