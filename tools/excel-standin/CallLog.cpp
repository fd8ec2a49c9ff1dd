#include "CallLog.h"

namespace exl::standin {

std::optional<DispatchError> CallLog::TakeFault(int call) {
    auto found = faults_.find(call);
    if (found == faults_.end()) return std::nullopt;
    DispatchError error = std::move(found->second);
    faults_.erase(found);
    return error;
}

}  // namespace exl::standin
