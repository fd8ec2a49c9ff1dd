#pragma once
// The small changes a template's own parts need in the copy, each made on the
// part's XML with every other byte kept.
#include <string>
#include <string_view>

namespace exl::workbook {

// [Content_Types].xml: the workbook part's type becomes the workbook type of the
// same kind when it is a template's (.xltx -> .xlsx, .xltm -> .xlsm), and the
// override of the dropped part (may be "") goes.
bool EditContentTypes(std::string_view xml, std::string_view workbookPart, std::string_view droppedPart,
                      std::string& out, std::string& problem);
// A relationships part without the relationships of the given type ("calcChain").
bool DropRelationships(std::string_view xml, std::string_view type, std::string& out, std::string& problem);
// The workbook part asking for a full calculation on load: <calcPr fullCalcOnLoad="1"/>,
// set on the calcPr there is or added where the format places it.
bool AskFullCalculation(std::string_view xml, std::string& out, std::string& problem);

// The type a template's workbook part has as a workbook ("" for a type that is none).
std::string_view WorkbookTypeOf(std::string_view templateType);

}  // namespace exl::workbook
