#pragma once
// A cell's text as a sheet part stores it. Characters that XML cannot carry
// (control characters other than tab and line feed, carriage returns, which XML
// would turn into line feeds, lone surrogates, U+FFFE and U+FFFF) are written as
// "_xHHHH_", as the workbook format provides; a text that itself holds "_xHHHH_"
// protects its underscore as "_x005F_", so every text reads back exactly.
#include <string>
#include <string_view>

namespace exl::workbook {

// UTF-16 text to the stored form, in UTF-8 (not yet XML-escaped).
std::string EncodeCellText(std::wstring_view text);
// The stored form (UTF-8, references already replaced) back to the text.
std::wstring DecodeCellText(std::string_view stored);

}  // namespace exl::workbook
