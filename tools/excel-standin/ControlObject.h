#pragma once
// The control class "ExcelStandin.Control": reads and steers the process state
// for tests and the demo. Its own calls are neither logged nor counted.
#include "DispatchObject.h"

namespace exl::standin {

class ControlObject : public DispatchObject {
public:
    explicit ControlObject(StandinState& state) : DispatchObject(state, L"Control", false) {}

protected:
    const std::vector<Member>& Members() const override;
    void Call(DISPID id, bool put, const Arguments& args, VARIANT* result) override;

private:
    // The members that tell the process state.
    void AnswerQuery(DISPID id, const Arguments& args, VARIANT* result);
    // The members that act on it: plan faults and events, save a workbook, quit.
    void CarryOutCommand(DISPID id, const Arguments& args, VARIANT* result);
    // BeBusy, BeCalm, CarriedOutPuts and TurnedAwaySpan; false for any other member.
    bool CallBusyMember(DISPID id, const Arguments& args, VARIANT* result);
    std::shared_ptr<Workbook> WorkbookArgument(const Arguments& args) const;
    // The sheet and cell named by arguments 0 to 2; DISP_E_BADINDEX when absent.
    const CellContent* CellArgument(const Arguments& args) const;
};

}  // namespace exl::standin
