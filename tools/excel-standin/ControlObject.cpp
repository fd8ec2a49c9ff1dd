#include "ControlObject.h"

#include <algorithm>

#include "StandinIds.h"
#include "Xlsx.h"

namespace exl::standin {
namespace {

constexpr WORD kGet = DispatchObject::kGet;
constexpr WORD kMethod = DispatchObject::kMethod;

std::wstring OptionalText(const Arguments& args, size_t i, const std::wstring& fallback) {
    return args.At(i) ? Arguments::Text(*args.At(i)) : fallback;
}

}  // namespace

const std::vector<DispatchObject::Member>& ControlObject::Members() const {
    using namespace control;
    static const std::vector<Member> members{
        {kProcessId, L"ProcessId", kGet},
        {kVersion, L"Version", kGet},
        {kApplicationCount, L"ApplicationCount", kGet},
        {kWorkbookCount, L"WorkbookCount", kGet},
        {kSheetCount, L"SheetCount", kGet},
        {kCell, L"Cell", kGet},
        {kHasCell, L"HasCell", kGet},
        {kWorkbookSource, L"WorkbookSource", kGet},
        {kActiveWorkbook, L"ActiveWorkbook", kGet},
        {kIsVisible, L"IsVisible", kGet},
        {kMainWindowShown, L"MainWindowShown", kGet},
        {kMainWindowIconic, L"MainWindowIconic", kGet},
        {kSaveWorkbook, L"SaveWorkbook", kMethod},
        {kCallCount, L"CallCount", kGet},
        {kCallLog, L"CallLog", kGet},
        {kResetCalls, L"ResetCalls", kMethod},
        {kLiveObjects, L"LiveObjects", kGet},
        {kFailCall, L"FailCall", kMethod},
        {kFailCallWithException, L"FailCallWithException", kMethod},
        {kClearFaults, L"ClearFaults", kMethod},
        {kQuit, L"Quit", kMethod},
        {kActiveSheet, L"ActiveSheet", kGet},
        {kEndProcessAtCall, L"EndProcessAtCall", kMethod},
        {kCloseWorkbookAtCall, L"CloseWorkbookAtCall", kMethod},
        {kFailCellWrite, L"FailCellWrite", kMethod},
        {kBeBusy, L"BeBusy", kMethod},
        {kBeCalm, L"BeCalm", kMethod},
        {kCarriedOutPuts, L"CarriedOutPuts", kGet},
        {kTurnedAwaySpan, L"TurnedAwaySpan", kGet},
        {kSheetCells, L"SheetCells", kGet},
        {kStoredCell, L"StoredCell", kGet},
        {kSetCallDelay, L"SetCallDelay", kMethod},
    };
    return members;
}

std::shared_ptr<Workbook> ControlObject::WorkbookArgument(const Arguments& args) const {
    auto workbook = state_.WorkbookAt(Arguments::Long(*args.At(0)));
    if (!workbook) throw DispatchError::Code(DISP_E_BADINDEX);
    return workbook;
}

const CellContent* ControlObject::CellArgument(const Arguments& args) const {
    args.Expect(3, 3);
    auto workbook = WorkbookArgument(args);
    long sheet = Arguments::Long(*args.At(1));
    auto cell = ParseCell(Arguments::Text(*args.At(2)), state_.Limits());
    if (sheet < 1 || static_cast<size_t>(sheet) > workbook->sheets.size() || !cell)
        throw DispatchError::Code(DISP_E_BADINDEX);
    const auto& cells = workbook->sheets[static_cast<size_t>(sheet) - 1]->cells;
    auto found = cells.find(*cell);
    return found == cells.end() ? nullptr : &found->second;
}

void ControlObject::Call(DISPID id, bool, const Arguments& args, VARIANT* result) {
    using namespace control;
    if (CallBusyMember(id, args, result)) return;
    bool command = id == kSaveWorkbook || id == kResetCalls || id == kFailCall || id == kFailCallWithException ||
                  id == kClearFaults || id == kQuit || id == kEndProcessAtCall || id == kCloseWorkbookAtCall ||
                  id == kFailCellWrite || id == kSetCallDelay;
    if (command)
        CarryOutCommand(id, args, result);
    else
        AnswerQuery(id, args, result);
}

bool ControlObject::CallBusyMember(DISPID id, const Arguments& args, VARIANT* result) {
    using namespace control;
    switch (id) {
    case kBeBusy: {
        args.Expect(3, 3);
        const long fromCall = Arguments::Long(*args.At(0));
        const long milliseconds = Arguments::Long(*args.At(1));
        const HRESULT status = Arguments::Long(*args.At(2));
        if (fromCall < 0 || milliseconds < -1 || SUCCEEDED(status)) throw DispatchError::Code(E_INVALIDARG);
        const DWORD time = milliseconds < 0 ? BusyPlan::kUntilCalm : static_cast<DWORD>(milliseconds);
        if (fromCall == 0)
            state_.Busy().BusyFor(time, status);
        else
            state_.Busy().BusyFromCall(static_cast<int>(fromCall), time, status);
        return true;
    }
    case kBeCalm: state_.Busy().Calm(); return true;
    case kCarriedOutPuts: ReturnLong(state_.Calls().CarriedOutPuts(), result); return true;
    case kTurnedAwaySpan: ReturnLong(static_cast<long>(state_.Calls().TurnedAwaySpanMs()), result); return true;
    default: return false;
    }
}

void ControlObject::AnswerQuery(DISPID id, const Arguments& args, VARIANT* result) {
    using namespace control;
    switch (id) {
    case kProcessId: ReturnLong(static_cast<long>(GetCurrentProcessId()), result); break;
    case kVersion: ReturnLong(state_.Version(), result); break;
    case kApplicationCount: ReturnLong(state_.ApplicationCount(), result); break;
    case kWorkbookCount: ReturnLong(static_cast<long>(state_.Workbooks().size()), result); break;
    case kSheetCount:
        args.Expect(1, 1);
        ReturnLong(static_cast<long>(WorkbookArgument(args)->sheets.size()), result);
        break;
    case kCell: {
        const CellContent* cell = CellArgument(args);
        ReturnText(cell ? cell->entered : std::wstring(), result);
        break;
    }
    case kStoredCell: {
        const CellContent* cell = CellArgument(args);
        ReturnText(cell ? Describe(*cell) : std::wstring(), result);
        break;
    }
    case kHasCell: ReturnBool(CellArgument(args) != nullptr, result); break;
    case kWorkbookSource:
        args.Expect(1, 1);
        ReturnText(WorkbookArgument(args)->source, result);
        break;
    case kActiveWorkbook: ReturnLong(state_.ActiveIndex(), result); break;
    case kActiveSheet:
        args.Expect(1, 1);
        ReturnLong(WorkbookArgument(args)->activeSheet, result);
        break;
    case kIsVisible: ReturnBool(state_.Visible(), result); break;
    case kMainWindowShown: ReturnBool(state_.MainWindow() && IsWindowVisible(state_.MainWindow()), result); break;
    case kMainWindowIconic: ReturnBool(state_.MainWindow() && IsIconic(state_.MainWindow()), result); break;
    case kCallCount: ReturnLong(state_.Calls().Count(), result); break;
    case kCallLog: {
        std::wstring all;
        for (const auto& line : state_.Calls().Lines()) all += line + L"\n";
        ReturnText(all, result);
        break;
    }
    case kLiveObjects: ReturnLong(state_.LiveObjects(OptionalText(args, 0, L"")), result); break;
    case kSheetCells: {
        args.Expect(2, 2);
        auto workbook = WorkbookArgument(args);
        long sheet = Arguments::Long(*args.At(1));
        if (sheet < 1 || static_cast<size_t>(sheet) > workbook->sheets.size()) throw DispatchError::Code(DISP_E_BADINDEX);
        std::wstring all;
        for (const auto& cell : workbook->sheets[static_cast<size_t>(sheet) - 1]->cells)
            all += CellName(cell.first) + L" " + Describe(cell.second) + L"\n";
        ReturnText(all, result);
        break;
    }
    }
}

void ControlObject::CarryOutCommand(DISPID id, const Arguments& args, VARIANT* result) {
    using namespace control;
    switch (id) {
    case kSaveWorkbook: {
        args.Expect(2, 2);
        auto workbook = WorkbookArgument(args);
        std::wstring error;
        ReturnBool(SaveXlsx(*workbook, Arguments::Text(*args.At(1)), error), result);
        break;
    }
    case kResetCalls: state_.Calls().Reset(); break;
    case kFailCall:
        args.Expect(2, 2);
        state_.Calls().PlanFault(Arguments::Long(*args.At(0)), DispatchError::Code(Arguments::Long(*args.At(1))));
        break;
    case kFailCallWithException:
        args.Expect(3, 5);
        state_.Calls().PlanFault(
            Arguments::Long(*args.At(0)),
            DispatchError::Exception(Arguments::Long(*args.At(1)), Arguments::Text(*args.At(2)),
                                     OptionalText(args, 3, kExcelSource), args.At(4) && Arguments::Bool(*args.At(4))));
        break;
    case kFailCellWrite: {
        args.Expect(4, 5);
        auto cell = ParseCell(Arguments::Text(*args.At(2)), state_.Limits());
        if (!cell) throw DispatchError::Code(DISP_E_BADINDEX);
        HRESULT status = Arguments::Long(*args.At(3));
        state_.Calls().PlanCellWriteFault({Arguments::Long(*args.At(0)), Arguments::Long(*args.At(1)), *cell,
                                           args.At(4) ? DispatchError::Exception(status, Arguments::Text(*args.At(4)))
                                                      : DispatchError::Code(status)});
        break;
    }
    case kClearFaults: state_.Calls().ClearFaults(); break;
    case kSetCallDelay:
        args.Expect(1, 1);
        state_.Calls().SetDelay(static_cast<DWORD>(std::max(0L, Arguments::Long(*args.At(0)))));
        break;
    case kEndProcessAtCall:
        args.Expect(1, 1);
        state_.Calls().PlanEvent(Arguments::Long(*args.At(0)), {PlannedEvent::EndProcess, 0});
        break;
    case kCloseWorkbookAtCall:
        args.Expect(2, 2);
        state_.Calls().PlanEvent(Arguments::Long(*args.At(0)),
                                 {PlannedEvent::CloseWorkbook, Arguments::Long(*args.At(1))});
        break;
    case kQuit:
        // The answer goes out before the message loop sees the quit message.
        PostQuitMessage(0);
        break;
    }
}

}  // namespace exl::standin
