#pragma once
// The wait of an automation client whose server turned a call away. The retry
// waits through here; the application may install a watcher that shows the wait
// and lets the user end it. The framework itself knows no window and no text.
#include <windows.h>

namespace exl {

// Raised out of work the user stopped (a wait for the server, the writing): not an
// automation error. The work ends at once; the caller reports the stop.
class StoppedByUser {};

class ServerWaitWatcher {
public:
    virtual ~ServerWaitWatcher() = default;
    // The call was turned away and is tried again after about `milliseconds`: returns
    // when they are over, or raises StoppedByUser as soon as the user stops.
    virtual void WaitForServer(DWORD milliseconds) = 0;
    // The call went through after one or more waits.
    virtual void ServerAnswered() = 0;
};

// For the retry of a call turned away: waits through the watcher of this thread, or
// sleeps when none is installed. May raise StoppedByUser.
void WaitForServer(DWORD milliseconds);
// For the retry once the call went through after waiting.
void ServerAnswered();

// Installs a watcher for the lifetime of the holder and puts the previous one back.
// The plug-in runs on the host's one thread, so one watcher at a time is enough.
class ScopedServerWaitWatcher {
public:
    explicit ScopedServerWaitWatcher(ServerWaitWatcher& watcher);
    ~ScopedServerWaitWatcher();
    ScopedServerWaitWatcher(const ScopedServerWaitWatcher&) = delete;
    ScopedServerWaitWatcher& operator=(const ScopedServerWaitWatcher&) = delete;

private:
    ServerWaitWatcher* previous_;
};

}  // namespace exl
