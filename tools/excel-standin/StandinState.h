#pragma once
// Everything one stand-in process knows: the version it serves as, its workbooks,
// the main window, the call log and the objects it has handed out. Lives on the
// server's one (apartment) thread for the whole process.
#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "BusyPlan.h"
#include "CallLog.h"
#include "Workbook.h"

namespace exl::standin {

class DispatchObject;

class StandinState : public std::enable_shared_from_this<StandinState> {
public:
    // version 8 to 16, or 0 for a process that serves only the control class.
    explicit StandinState(int version) : version_(version) {}

    int Version() const { return version_; }
    // The sheet size of the version served: addresses beyond it are refused.
    CellLimits Limits() const { return LimitsOfVersion(version_); }

    // A new workbook with DefSheets sheets ("Mappe<n>"), made the active one.
    std::shared_ptr<Workbook> AddNewWorkbook(int sheets);
    // A workbook read from a file, made the active one.
    void AddWorkbook(std::shared_ptr<Workbook> workbook);
    const std::vector<std::shared_ptr<Workbook>>& Workbooks() const { return workbooks_; }
    // Closes workbook `index` (1-based): the later ones move up by one.
    void RemoveWorkbook(long index);
    // 1-based, nullptr when there is no such workbook.
    std::shared_ptr<Workbook> WorkbookAt(long index) const;
    std::shared_ptr<Workbook> ActiveWorkbook() const { return active_.lock(); }
    int ActiveIndex() const;
    // The "DefSheets" option of this version's Excel in HKCU, 3 when absent or not 1..255.
    int DefaultSheetCount() const;

    void CountApplication() { ++applications_; }
    int ApplicationCount() const { return applications_; }

    void SetMainWindow(HWND window) { mainWindow_ = window; }
    HWND MainWindow() const { return mainWindow_; }
    // Application.Visible: remembers the value and shows or hides the main window.
    void SetVisible(bool visible);
    bool Visible() const { return visible_; }

    CallLog& Calls() { return calls_; }
    // When calls to the Excel objects are turned away (see BusyPlan.h).
    BusyPlan& Busy() { return busy_; }
    // The planned fault for a Range.Value put on these cells of the sheet, if any.
    std::optional<DispatchError> CellWriteFault(const Sheet& sheet, const CellRect& cells) const;

    // Windows forgets the class and running-object registrations of a process that
    // dies; Wine's rpcss keeps its class objects, and later clients would be sent to
    // the dead process instead of a new one. A process ending as if killed therefore
    // revokes them first, through what its host set here.
    void SetRevokeRegistrations(std::function<void()> revoke) { revoke_ = std::move(revoke); }
    void RevokeRegistrations() {
        if (revoke_) revoke_();
    }

    // Handed-out objects register themselves for counting and for disconnecting at quit.
    void Track(DispatchObject* object) { objects_.insert(object); }
    void Untrack(DispatchObject* object) { objects_.erase(object); }
    const std::set<DispatchObject*>& Objects() const { return objects_; }
    // The Excel object (not the control) whose interface this is, or nullptr.
    DispatchObject* ExcelObjectAt(const IUnknown* object) const;
    // Objects of the kind (all Excel kinds for an empty kind) that clients hold.
    int LiveObjects(const std::wstring& kind) const;
    // Clients in other processes: the stub manager's references make the reference
    // count meaningless, so a client's hold shows as an external connection; and a
    // deferred fill-in cannot cross the process boundary (Wine passes the function
    // pointer over as a number and never calls it), so the server runs it before
    // answering. In process, references are counted and fill-ins left to the caller.
    void SetRemoteClients(bool remote) { remote_ = remote; }
    bool RemoteClients() const { return remote_; }

private:
    int version_;
    std::vector<std::shared_ptr<Workbook>> workbooks_;
    std::weak_ptr<Workbook> active_;
    int newWorkbooks_ = 0;
    int applications_ = 0;
    HWND mainWindow_ = nullptr;
    bool visible_ = false;
    CallLog calls_;
    BusyPlan busy_;
    std::function<void()> revoke_;
    std::set<DispatchObject*> objects_;
    bool remote_ = false;
};

}  // namespace exl::standin
