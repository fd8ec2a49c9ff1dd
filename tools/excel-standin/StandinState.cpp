#include "StandinState.h"

#include "DispatchObject.h"

namespace exl::standin {
namespace {

constexpr int kDefaultSheets = 3;
constexpr DWORD kMostSheets = 255;  // Excel's own bound for the option

}  // namespace

std::shared_ptr<Workbook> StandinState::AddNewWorkbook(int sheets) {
    auto workbook = std::make_shared<Workbook>();
    workbook->name = L"Mappe" + std::to_wstring(++newWorkbooks_);
    for (int i = 1; i <= sheets; ++i) {
        workbook->sheets.push_back(std::make_shared<Sheet>());
        workbook->sheets.back()->name = DefaultSheetName(i);
    }
    AddWorkbook(workbook);
    return workbook;
}

void StandinState::AddWorkbook(std::shared_ptr<Workbook> workbook) {
    workbooks_.push_back(workbook);
    active_ = workbook;
}

void StandinState::RemoveWorkbook(long index) {
    if (index >= 1 && static_cast<size_t>(index) <= workbooks_.size()) workbooks_.erase(workbooks_.begin() + (index - 1));
}

std::shared_ptr<Workbook> StandinState::WorkbookAt(long index) const {
    if (index < 1 || static_cast<size_t>(index) > workbooks_.size()) return nullptr;
    return workbooks_[static_cast<size_t>(index) - 1];
}

int StandinState::ActiveIndex() const {
    auto active = active_.lock();
    for (size_t i = 0; i < workbooks_.size(); ++i)
        if (workbooks_[i] == active) return static_cast<int>(i) + 1;
    return 0;
}

int StandinState::DefaultSheetCount() const {
    std::wstring key = L"Software\\Microsoft\\Office\\" + std::to_wstring(version_) + L".0\\Excel\\Options";
    HKEY options = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_QUERY_VALUE, &options) != ERROR_SUCCESS)
        return kDefaultSheets;
    DWORD type = 0, value = 0, size = sizeof value;
    LONG status = RegQueryValueExW(options, L"DefSheets", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(options);
    if (status != ERROR_SUCCESS || type != REG_DWORD || value < 1 || value > kMostSheets) return kDefaultSheets;
    return static_cast<int>(value);
}

void StandinState::SetVisible(bool visible) {
    visible_ = visible;
    if (mainWindow_) ShowWindow(mainWindow_, visible ? SW_SHOW : SW_HIDE);
}

std::optional<DispatchError> StandinState::CellWriteFault(const Sheet& sheet, const CellRect& cells) const {
    for (const auto& fault : calls_.CellWriteFaults()) {
        if (!cells.Contains(fault.cell)) continue;
        for (size_t w = 0; w < workbooks_.size(); ++w) {
            const auto& sheets = workbooks_[w]->sheets;
            bool named = fault.workbook == 0 || fault.workbook == static_cast<long>(w) + 1;
            bool hasSheet = fault.sheet >= 1 && static_cast<size_t>(fault.sheet) <= sheets.size();
            if (named && hasSheet && sheets[static_cast<size_t>(fault.sheet) - 1].get() == &sheet) return fault.error;
        }
    }
    return std::nullopt;
}

DispatchObject* StandinState::ExcelObjectAt(const IUnknown* object) const {
    for (DispatchObject* candidate : objects_)
        if (candidate->Counted() && static_cast<IUnknown*>(static_cast<IDispatch*>(candidate)) == object)
            return candidate;
    return nullptr;
}

int StandinState::LiveObjects(const std::wstring& kind) const {
    int live = 0;
    for (const DispatchObject* object : objects_)
        if (object->Counted() && (kind.empty() || kind == object->Kind()) && object->HeldByClients()) ++live;
    return live;
}

}  // namespace exl::standin
