#pragma once
// Excel's object model as far as the plug-in and its tests use it: Application,
// Workbooks, Workbook, Sheets, Worksheet and Range, answering Excel's DISPIDs with
// Excel's meanings. Each object handed out is new; the workbooks behind them live
// in the process state.
#include <memory>
#include <optional>
#include <vector>

#include "DispatchObject.h"

namespace exl::standin {

// Excel's dispatch identifiers.
namespace dispid {
enum : DISPID {
    kValue = 6,
    kName = 110,
    kCount = 118,
    kItem = 170,
    kAdd = 181,
    kRange = 197,
    kSelect = 235,
    kActiveWorkbook = 308,
    kVersion = 392,
    kSheets = 485,
    kWorksheets = 494,
    kVisible = 558,
    kWorkbooks = 572,
    kOpen = 682,
    kValue2 = 1388,
};
}  // namespace dispid

// Excel's constant for Workbooks.Add(xlWBATWorksheet): a workbook of one worksheet.
inline constexpr long kTemplateWorksheet = -4167;
// Workbooks.Open takes the file name and up to fourteen optional arguments (Excel XP).
inline constexpr size_t kOpenArguments = 15;

class ApplicationObject : public DispatchObject {
public:
    explicit ApplicationObject(StandinState& state);

protected:
    const std::vector<Member>& Members() const override;
    void Call(DISPID id, bool put, const Arguments& args, VARIANT* result) override;
};

class WorkbooksObject : public DispatchObject {
public:
    explicit WorkbooksObject(StandinState& state) : DispatchObject(state, L"Workbooks", true) {}

protected:
    const std::vector<Member>& Members() const override;
    void Call(DISPID id, bool put, const Arguments& args, VARIANT* result) override;

private:
    void Add(const Arguments& args, VARIANT* result);
    void Open(const Arguments& args, VARIANT* result);
};

class WorkbookObject : public DispatchObject {
public:
    WorkbookObject(StandinState& state, std::shared_ptr<Workbook> workbook)
        : DispatchObject(state, L"Workbook", true), workbook_(std::move(workbook)) {}

    bool PartOf(const Workbook& workbook) const override { return workbook_.get() == &workbook; }

protected:
    const std::vector<Member>& Members() const override;
    void Call(DISPID id, bool put, const Arguments& args, VARIANT* result) override;

private:
    std::shared_ptr<Workbook> workbook_;
};

class SheetsObject : public DispatchObject {
public:
    SheetsObject(StandinState& state, std::shared_ptr<Workbook> workbook)
        : DispatchObject(state, L"Sheets", true), workbook_(std::move(workbook)) {}

    bool PartOf(const Workbook& workbook) const override { return workbook_.get() == &workbook; }

protected:
    const std::vector<Member>& Members() const override;
    void Call(DISPID id, bool put, const Arguments& args, VARIANT* result) override;

private:
    std::shared_ptr<Workbook> workbook_;
};

class WorksheetObject : public DispatchObject {
public:
    WorksheetObject(StandinState& state, std::shared_ptr<Workbook> workbook, int index)
        : DispatchObject(state, L"Worksheet", true), workbook_(std::move(workbook)), index_(index) {}

    bool PartOf(const Workbook& workbook) const override { return workbook_.get() == &workbook; }

protected:
    const std::vector<Member>& Members() const override;
    void Call(DISPID id, bool put, const Arguments& args, VARIANT* result) override;

private:
    void Range(const Arguments& args, VARIANT* result);

    std::shared_ptr<Workbook> workbook_;
    int index_;  // 1-based position in the workbook
};

class RangeObject : public DispatchObject {
public:
    RangeObject(StandinState& state, std::shared_ptr<Sheet> sheet, const CellRect& cells)
        : DispatchObject(state, L"Range", true), sheet_(std::move(sheet)), cells_(cells) {}

    bool PartOf(const Workbook& workbook) const override;

protected:
    const std::vector<Member>& Members() const override;
    void Call(DISPID id, bool put, const Arguments& args, VARIANT* result) override;

private:
    void Put(const VARIANT& value);
    // Each element of a two-dimensional array of the range's shape into its cell.
    void PutArray(const VARIANT& value);
    // Writes the contents (row by row over the range) all at once; nullopt empties its cell.
    void Store(const std::vector<std::optional<CellContent>>& contents);

    std::shared_ptr<Sheet> sheet_;
    CellRect cells_;
};

// What Workbooks.Open or Add(Template) raises for a file it cannot read.
DispatchError CannotOpen(const std::wstring& path, bool missing);
// A workbook read from a spreadsheet file; throws CannotOpen's error.
std::shared_ptr<Workbook> LoadWorkbook(const std::wstring& path);

}  // namespace exl::standin
