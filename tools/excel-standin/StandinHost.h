#pragma once
// One stand-in instance: its state, the XLMAIN window, the control object and,
// for an Excel already running, the Application in the running-object table.
// excel-standin.exe hosts one for other processes; StandinClient can host one in
// the calling thread's apartment, where exceptions keep their deferred fill-in.
#include <windows.h>

#include <memory>
#include <vector>

#include "BusyFilter.h"
#include "ClassFactory.h"
#include "StandinState.h"

namespace exl::standin {

class ApplicationObject;
class ControlObject;

class StandinHost {
public:
    // version 8 to 16, or 0 for the control class only. remote: the clients are
    // other processes (see StandinState::SetRemoteClients), and the host's message
    // filter turns their calls away while the state is busy (see BusyFilter.h).
    StandinHost(int version, bool remote);
    ~StandinHost();  // Stop()
    StandinHost(const StandinHost&) = delete;
    StandinHost& operator=(const StandinHost&) = delete;

    // Registers the class objects of the version and of the control (multiple use).
    bool RegisterClasses();
    // Creates the running Application with `workbooks` new workbooks, minimises the
    // main window and enters the Application into the running-object table.
    bool RunAsActive(int workbooks);
    // Enters the control into the running-object table: do this last, as clients
    // take a control they find there for an instance that is ready.
    bool PublishControl();
    // Revokes every registration, disconnects every object handed out and releases
    // the host's own. Objects a client still holds keep the state alive.
    void Stop();

    StandinState& State() { return *state_; }
    // The control object (not AddRef'd), nullptr after Stop.
    IDispatch* Control() const;

private:
    // The class objects and running-object entries, nothing else.
    void RevokeRegistrations();

    std::shared_ptr<StandinState> state_;
    BusyFilter filter_;
    bool filterRegistered_ = false;
    HWND window_ = nullptr;
    ControlObject* control_ = nullptr;
    ApplicationObject* running_ = nullptr;
    std::unique_ptr<ClassFactory> controlFactory_;
    std::unique_ptr<ClassFactory> applicationFactory_;
    std::vector<DWORD> classCookies_;
    std::vector<DWORD> runningCookies_;
};

}  // namespace exl::standin
