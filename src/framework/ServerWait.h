#pragma once
// The wait of an automation client whose server turned a call away. The retry
// waits through here; the application may install a watcher that shows the wait
// and lets the user end it, by raising an exception of its own (the export's
// StoppedByUser) that passes through the call. The framework itself knows no
// window and no text.
#include <windows.h>

namespace exl {

class ServerWaitWatcher {
public:
    virtual ~ServerWaitWatcher() = default;
    // The call was turned away and is tried again after about `milliseconds`: returns
    // when they are over, or raises the application's stop as soon as the user stops.
    virtual void WaitForServer(DWORD milliseconds) = 0;
    // The call went through after one or more waits.
    virtual void ServerAnswered() = 0;
};

// For the retry of a call turned away: waits through the watcher of this thread, or
// sleeps when none is installed. May raise the watcher's stop.
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
