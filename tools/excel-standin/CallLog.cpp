#include "CallLog.h"

#include "DispatchObject.h"

namespace exl::standin {

void CallLog::RecordTurnedAway(std::wstring line, HRESULT status) {
    lastTurnedAway_ = GetTickCount();
    if (turnedAwayCalls_++ == 0) firstTurnedAway_ = lastTurnedAway_;
    Record(line + TurnedAway(status));
}

std::optional<DispatchError> CallLog::TakeFault(int call) {
    auto found = faults_.find(call);
    if (found == faults_.end()) return std::nullopt;
    DispatchError error = std::move(found->second);
    faults_.erase(found);
    return error;
}

std::optional<PlannedEvent> CallLog::TakeEvent(int call) {
    auto found = events_.find(call);
    if (found == events_.end()) return std::nullopt;
    PlannedEvent event = found->second;
    events_.erase(found);
    return event;
}

std::function<void()> CallLog::TakeAction(int call) {
    auto found = actions_.find(call);
    if (found == actions_.end()) return {};
    std::function<void()> action = std::move(found->second);
    actions_.erase(found);
    return action;
}

}  // namespace exl::standin
