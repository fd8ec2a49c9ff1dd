#include "ExcelObjects.h"

#include <oleauto.h>

#include <algorithm>
#include <optional>

#include "Text.h"
#include "Xlsx.h"

namespace exl::standin {
namespace {

constexpr WORD kGet = DispatchObject::kGet;
constexpr WORD kPut = DispatchObject::kPut;
constexpr WORD kMethod = DispatchObject::kMethod;

// A whole-range put writes every cell; beyond this it is refused rather than
// filling the process (Excel's sheets hold 16.7 million cells).
constexpr long long kMostCellsPerPut = 1 << 20;

// Excel's texts for its run-time error 1004 in the German edition.
std::wstring RangeFailed() { return L"Die Methode 'Range' f\u00fcr das Objekt '_Worksheet' ist fehlgeschlagen."; }

std::wstring FileName(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/:");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// What a put stores for a value: a text is read as if typed (CellContent.h), a
// number, date or truth value is taken as it is, and an empty text, Empty or Null
// empties the cell (nullopt). Objects, error values and nested arrays are refused.
std::optional<CellContent> CellOf(const VARIANT& value) {
    VARTYPE type = value.vt & ~VT_BYREF;
    if (value.vt & VT_ARRAY || type == VT_DISPATCH || type == VT_UNKNOWN || type == VT_ERROR)
        throw DispatchError::Code(DISP_E_TYPEMISMATCH);
    if (type == VT_VARIANT && value.vt & VT_BYREF)
        return value.pvarVal ? CellOf(*value.pvarVal) : std::nullopt;
    if (type == VT_EMPTY || type == VT_NULL) return std::nullopt;
    if (type == VT_BSTR) return ReadTyped(Arguments::Text(value));
    std::optional<CellContent> cell;
    if (type == VT_BOOL)
        cell = BooleanCell(Arguments::Bool(value));
    else
        cell = NumberCell(Arguments::Number(value), type == VT_DATE ? number_format::kDate : number_format::kGeneral);
    cell->entered = Arguments::Text(value);
    return cell;
}

// What Range.Value (or, with value2, Value2) gives for a cell: Value2 knows no dates.
// A formula gives itself, as the stand-in does not compute.
void ReturnCell(const CellContent& cell, bool value2, VARIANT* result) {
    if (!result) return;
    switch (cell.kind) {
    case CellKind::Text:
    case CellKind::Formula: ReturnText(cell.text, result); break;
    case CellKind::Boolean: ReturnBool(cell.number != 0, result); break;
    default:
        result->vt = cell.kind == CellKind::Number || value2 ? VT_R8 : VT_DATE;
        result->dblVal = cell.number;
        break;
    }
}

// Rows and columns of an array as a put sees them: a one-dimensional array is one
// row, as Excel takes it.
struct ArrayShape {
    long rows = 0, columns = 0;
    LONG firstRow = 0, firstColumn = 0;
};

std::optional<ArrayShape> ShapeOf(SAFEARRAY* array) {
    UINT dimensions = SafeArrayGetDim(array);
    if (dimensions != 1 && dimensions != 2) return std::nullopt;
    ArrayShape shape;
    LONG last = 0;
    UINT columnDimension = dimensions;
    if (dimensions == 2) {
        SafeArrayGetLBound(array, 1, &shape.firstRow);
        SafeArrayGetUBound(array, 1, &last);
        shape.rows = last - shape.firstRow + 1;
    } else {
        shape.rows = 1;
    }
    SafeArrayGetLBound(array, columnDimension, &shape.firstColumn);
    SafeArrayGetUBound(array, columnDimension, &last);
    shape.columns = last - shape.firstColumn + 1;
    return shape;
}

DispatchError ShapeMismatch() {
    return DispatchError::Exception(kExcelError, L"Die Gr\u00f6\u00dfe des Datenfelds passt nicht zum Bereich.");
}

DispatchError TooManyCells() { return DispatchError::Exception(kExcelError, L"Der Bereich ist zu gro\u00df."); }

template <class T, class... A>
void Return(VARIANT* result, A&&... arguments) {
    ReturnObject(new T(std::forward<A>(arguments)...), result);
}

}  // namespace

DispatchError CannotOpen(const std::wstring& path, bool missing) {
    return DispatchError::Exception(
        kExcelError,
        missing ? L"Die Datei '" + path + L"' wurde nicht gefunden. Pr\u00fcfen Sie Namen und Speicherort der Datei."
                : L"Die Datei '" + path +
                      L"' kann nicht ge\u00f6ffnet werden: sie ist besch\u00e4digt "
                      L"oder keine lesbare Arbeitsmappe.");
}

std::shared_ptr<Workbook> LoadWorkbook(const std::wstring& path) {
    auto workbook = std::make_shared<Workbook>();
    bool missing = false;
    std::wstring reason;
    if (path.empty() || !LoadXlsx(path, *workbook, missing, reason)) throw CannotOpen(path, missing || path.empty());
    workbook->source = path;
    workbook->name = FileName(path);
    return workbook;
}

ApplicationObject::ApplicationObject(StandinState& state) : DispatchObject(state, L"Application", true) {
    state.CountApplication();
}

const std::vector<DispatchObject::Member>& ApplicationObject::Members() const {
    static const std::vector<Member> members{{dispid::kActiveWorkbook, L"ActiveWorkbook", kGet},
                                             {dispid::kWorkbooks, L"Workbooks", kGet},
                                             {dispid::kVisible, L"Visible", kGet | kPut},
                                             {dispid::kName, L"Name", kGet},
                                             {dispid::kVersion, L"Version", kGet}};
    return members;
}

void ApplicationObject::Call(DISPID id, bool put, const Arguments& args, VARIANT* result) {
    args.Expect(0, 0);
    switch (id) {
    case dispid::kActiveWorkbook:
        if (auto active = state_.ActiveWorkbook()) {
            Return<WorkbookObject>(result, state_, active);
        } else if (result) {
            // Excel answers Nothing while no workbook is open.
            result->vt = VT_DISPATCH;
            result->pdispVal = nullptr;
        }
        break;
    case dispid::kWorkbooks: Return<WorkbooksObject>(result, state_); break;
    case dispid::kVisible:
        if (put)
            state_.SetVisible(Arguments::Bool(*args.PutValue()));
        else
            ReturnBool(state_.Visible(), result);
        break;
    case dispid::kName: ReturnText(L"Microsoft Excel", result); break;
    case dispid::kVersion: ReturnText(std::to_wstring(state_.Version()) + L".0", result); break;
    }
}

const std::vector<DispatchObject::Member>& WorkbooksObject::Members() const {
    static const std::vector<Member> members{{dispid::kCount, L"Count", kGet},
                                             {dispid::kAdd, L"Add", kMethod},
                                             {dispid::kOpen, L"Open", kMethod},
                                             {dispid::kItem, L"Item", kGet}};
    return members;
}

void WorkbooksObject::Call(DISPID id, bool, const Arguments& args, VARIANT* result) {
    switch (id) {
    case dispid::kCount:
        args.Expect(0, 0);
        ReturnLong(static_cast<long>(state_.Workbooks().size()), result);
        break;
    case dispid::kAdd: Add(args, result); break;
    case dispid::kOpen: Open(args, result); break;
    case dispid::kItem: {
        args.Expect(1, 1);
        auto workbook = state_.WorkbookAt(Arguments::Long(*args.At(0)));
        if (!workbook) throw DispatchError::Code(DISP_E_BADINDEX);
        Return<WorkbookObject>(result, state_, workbook);
        break;
    }
    }
}

void WorkbooksObject::Add(const Arguments& args, VARIANT* result) {
    args.Expect(0, 1);
    const VARIANT* templateArgument = args.At(0);
    std::shared_ptr<Workbook> workbook;
    if (!templateArgument) {
        workbook = state_.AddNewWorkbook(state_.DefaultSheetCount());
    } else if (templateArgument->vt == VT_BSTR || templateArgument->vt == (VT_BYREF | VT_BSTR)) {
        workbook = LoadWorkbook(Arguments::Text(*templateArgument));
        state_.AddWorkbook(workbook);
    } else if (Arguments::Long(*templateArgument) == kTemplateWorksheet) {
        workbook = state_.AddNewWorkbook(1);
    } else {
        throw DispatchError::Exception(kExcelError,
                                       L"Die Methode 'Add' f\u00fcr das Objekt 'Workbooks' ist fehlgeschlagen.");
    }
    Return<WorkbookObject>(result, state_, workbook);
}

void WorkbooksObject::Open(const Arguments& args, VARIANT* result) {
    args.Expect(1, kOpenArguments);
    auto workbook = LoadWorkbook(Arguments::Text(*args.At(0)));
    state_.AddWorkbook(workbook);
    Return<WorkbookObject>(result, state_, workbook);
}

const std::vector<DispatchObject::Member>& WorkbookObject::Members() const {
    static const std::vector<Member> members{
        {dispid::kSheets, L"Sheets", kGet}, {dispid::kWorksheets, L"Worksheets", kGet}, {dispid::kName, L"Name", kGet}};
    return members;
}

void WorkbookObject::Call(DISPID id, bool, const Arguments& args, VARIANT* result) {
    args.Expect(0, 0);
    if (id == dispid::kName)
        ReturnText(workbook_->name, result);
    else
        Return<SheetsObject>(result, state_, workbook_);
}

const std::vector<DispatchObject::Member>& SheetsObject::Members() const {
    static const std::vector<Member> members{{dispid::kCount, L"Count", kGet}, {dispid::kItem, L"Item", kGet}};
    return members;
}

void SheetsObject::Call(DISPID id, bool, const Arguments& args, VARIANT* result) {
    if (id == dispid::kCount) {
        args.Expect(0, 0);
        ReturnLong(static_cast<long>(workbook_->sheets.size()), result);
        return;
    }
    args.Expect(1, 1);
    const VARIANT& index = *args.At(0);
    long position = 0;
    if (index.vt == VT_BSTR || index.vt == (VT_BYREF | VT_BSTR)) {
        // Excel also takes a sheet's name.
        std::wstring name = Arguments::Text(index);
        for (size_t i = 0; i < workbook_->sheets.size() && !position; ++i)
            if (EqualsNoCase(workbook_->sheets[i]->name, name)) position = static_cast<long>(i) + 1;
    } else {
        position = Arguments::Long(index);
    }
    if (position < 1 || static_cast<size_t>(position) > workbook_->sheets.size())
        throw DispatchError::Code(DISP_E_BADINDEX);
    Return<WorksheetObject>(result, state_, workbook_, static_cast<int>(position));
}

const std::vector<DispatchObject::Member>& WorksheetObject::Members() const {
    static const std::vector<Member> members{
        {dispid::kSelect, L"Select", kMethod}, {dispid::kRange, L"Range", kGet}, {dispid::kName, L"Name", kGet}};
    return members;
}

void WorksheetObject::Call(DISPID id, bool, const Arguments& args, VARIANT* result) {
    switch (id) {
    case dispid::kSelect:
        args.Expect(0, 1);  // Replace
        workbook_->activeSheet = index_;
        break;
    case dispid::kRange: Range(args, result); break;
    case dispid::kName:
        args.Expect(0, 0);
        ReturnText(workbook_->sheets[static_cast<size_t>(index_) - 1]->name, result);
        break;
    }
}

void WorksheetObject::Range(const Arguments& args, VARIANT* result) {
    args.Expect(1, 2);
    // Excel reports a bad address as its error 1004; the texts come through the
    // deferred fill-in so that clients' deferred path is exercised.
    auto invalid = [] { return DispatchError::Exception(kExcelError, RangeFailed(), kExcelSource, true); };
    auto address = [&](size_t i) {
        const VARIANT* argument = args.At(i);
        if (argument->vt != VT_BSTR && argument->vt != (VT_BYREF | VT_BSTR)) throw invalid();
        auto rect = ParseRect(Arguments::Text(*argument), state_.Limits());
        if (!rect) throw invalid();
        return *rect;
    };
    CellRect cells = address(0);
    if (args.At(1)) {
        CellRect second = address(1);
        cells.first = {std::min(cells.first.row, second.first.row), std::min(cells.first.column, second.first.column)};
        cells.last = {std::max(cells.last.row, second.last.row), std::max(cells.last.column, second.last.column)};
    }
    Return<RangeObject>(result, state_, workbook_->sheets[static_cast<size_t>(index_) - 1], cells);
}

bool RangeObject::PartOf(const Workbook& workbook) const {
    return std::find(workbook.sheets.begin(), workbook.sheets.end(), sheet_) != workbook.sheets.end();
}

const std::vector<DispatchObject::Member>& RangeObject::Members() const {
    static const std::vector<Member> members{{dispid::kValue, L"Value", kGet | kPut},
                                             {dispid::kValue2, L"Value2", kGet | kPut}};
    return members;
}

void RangeObject::Call(DISPID id, bool put, const Arguments& args, VARIANT* result) {
    // Value takes an optional RangeValueDataType; Value2 takes none.
    args.Expect(0, id == dispid::kValue ? 1 : 0);
    if (put) {
        if (id == dispid::kValue)
            if (auto fault = state_.CellWriteFault(*sheet_, cells_)) throw *fault;
        Put(*args.PutValue());
        return;
    }
    // A read gives the first cell: enough for tests, which read single cells.
    auto found = sheet_->cells.find(cells_.first);
    if (found != sheet_->cells.end()) ReturnCell(found->second, id == dispid::kValue2, result);
}

void RangeObject::Put(const VARIANT& value) {
    if (value.vt & VT_ARRAY) {
        PutArray(value);
        return;
    }
    // A single value goes into every cell of the range.
    const std::optional<CellContent> cell = CellOf(value);
    if (!cell) {
        for (auto at = sheet_->cells.begin(); at != sheet_->cells.end();)
            at = cells_.Contains(at->first) ? sheet_->cells.erase(at) : std::next(at);
        return;
    }
    if (cells_.CellCount() > kMostCellsPerPut) throw TooManyCells();
    for (int row = cells_.first.row; row <= cells_.last.row; ++row)
        for (int column = cells_.first.column; column <= cells_.last.column; ++column)
            sheet_->cells[{row, column}] = *cell;
}

// Excel fills a range from an array element by element, whatever the bounds (0 or
// 1 based). An array smaller than the range would leave #N/A in the cells it does
// not reach and a larger one would lose its extra elements: the stand-in refuses
// both, with Excel's error 1004, so a shape mistake shows as a failed call instead
// of as cells that look plausible. Only arrays of VARIANTs are taken, as the
// plug-in sends them; nothing is written unless every element is taken.
void RangeObject::PutArray(const VARIANT& value) {
    SAFEARRAY* array = value.vt & VT_BYREF ? (value.pparray ? *value.pparray : nullptr) : value.parray;
    if (!array || (value.vt & VT_TYPEMASK) != VT_VARIANT) throw DispatchError::Code(DISP_E_TYPEMISMATCH);
    auto shape = ShapeOf(array);
    long rows = cells_.last.row - cells_.first.row + 1;
    long columns = cells_.last.column - cells_.first.column + 1;
    if (!shape || shape->rows != rows || shape->columns != columns)
        throw ShapeMismatch();
    if (cells_.CellCount() > kMostCellsPerPut) throw TooManyCells();
    bool twoDimensions = SafeArrayGetDim(array) == 2;
    std::vector<std::optional<CellContent>> contents;
    contents.reserve(static_cast<size_t>(cells_.CellCount()));
    for (long row = 0; row < rows; ++row) {
        for (long column = 0; column < columns; ++column) {
            LONG index[2] = {shape->firstRow + row, shape->firstColumn + column};
            if (!twoDimensions) index[0] = index[1];
            VARIANT element;
            VariantInit(&element);
            if (FAILED(SafeArrayGetElement(array, index, &element))) throw DispatchError::Code(DISP_E_BADINDEX);
            try {
                contents.push_back(CellOf(element));
            } catch (...) {
                VariantClear(&element);
                throw;
            }
            VariantClear(&element);
        }
    }
    Store(contents);
}

void RangeObject::Store(const std::vector<std::optional<CellContent>>& contents) {
    size_t at = 0;
    for (int row = cells_.first.row; row <= cells_.last.row; ++row) {
        for (int column = cells_.first.column; column <= cells_.last.column; ++column, ++at) {
            if (!contents[at])
                sheet_->cells.erase({row, column});
            else
                sheet_->cells[{row, column}] = *contents[at];
        }
    }
}

}  // namespace exl::standin
