#pragma once
// Every Invoke on an Excel object, numbered from the last reset, and the faults
// planned: for chosen call numbers, and for the writes of chosen cells.
#include <windows.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "CellAddress.h"
#include "DispatchError.h"

namespace exl::standin {

// What else can be planned for a call number: Excel going away while a client
// works with it.
struct PlannedEvent {
    enum Kind { EndProcess, CloseWorkbook } kind = EndProcess;
    long workbook = 0;  // CloseWorkbook: 1-based in creation order
};

// Fails every Range.Value put whose range holds the cell, until the faults are
// cleared: a writer that falls back to writing cell by cell meets it again.
struct CellWriteFault {
    long workbook = 0;  // 1-based in creation order; 0: every workbook
    long sheet = 1;     // 1-based
    CellRef cell;
    DispatchError error;
};

class CallLog {
public:
    // The event strikes when the call arrives, before it is answered; consumed.
    void PlanEvent(int call, PlannedEvent event) { events_[call] = event; }
    std::optional<PlannedEvent> TakeEvent(int call);
    // Work of the hosting process's own, run when the call arrives (before its delay);
    // consumed. Only an instance hosted in the client's process can be given one.
    void PlanAction(int call, std::function<void()> action) { actions_[call] = std::move(action); }
    std::function<void()> TakeAction(int call);

    // Numbers the next call (1 for the first after a reset).
    int Next() { return ++count_; }
    void Record(std::wstring line) { lines_.push_back(std::move(line)); }
    // A call turned away: recorded with its status, and the system's tick count
    // taken, which every process reads alike.
    void RecordTurnedAway(std::wstring line, HRESULT status);
    // Milliseconds from the first to the last call turned away since the reset.
    DWORD TurnedAwaySpanMs() const { return turnedAwayCalls_ ? lastTurnedAway_ - firstTurnedAway_ : 0; }
    int Count() const { return count_; }
    const std::vector<std::wstring>& Lines() const { return lines_; }
    // Property puts that were carried out (neither turned away nor failed).
    void CountCarriedOutPut() { ++carriedOutPuts_; }
    int CarriedOutPuts() const { return carriedOutPuts_; }
    // Clears the lines, the numbering and the count of puts; planned faults stay.
    void Reset() {
        lines_.clear();
        count_ = 0;
        carriedOutPuts_ = 0;
        turnedAwayCalls_ = 0;
    }

    void PlanFault(int call, DispatchError error) { faults_[call] = std::move(error); }
    void PlanCellWriteFault(CellWriteFault fault) { cellWriteFaults_.push_back(std::move(fault)); }
    // The faults of PlanFault and PlanCellWriteFault; planned events stay.
    void ClearFaults() {
        faults_.clear();
        cellWriteFaults_.clear();
    }
    // The fault planned for this call number, consumed.
    std::optional<DispatchError> TakeFault(int call);
    const std::vector<CellWriteFault>& CellWriteFaults() const { return cellWriteFaults_; }

    // A slow Excel: every call waits this long before it is carried out (0: none).
    void SetDelay(DWORD milliseconds) { delayMs_ = milliseconds; }
    DWORD Delay() const { return delayMs_; }

private:
    int count_ = 0;
    int carriedOutPuts_ = 0;
    int turnedAwayCalls_ = 0;
    DWORD firstTurnedAway_ = 0;
    DWORD lastTurnedAway_ = 0;
    std::vector<std::wstring> lines_;
    std::map<int, DispatchError> faults_;
    std::map<int, PlannedEvent> events_;
    std::map<int, std::function<void()>> actions_;
    std::vector<CellWriteFault> cellWriteFaults_;
    DWORD delayMs_ = 0;
};

}  // namespace exl::standin
