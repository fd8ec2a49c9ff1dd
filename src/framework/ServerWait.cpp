#include "framework/ServerWait.h"

namespace exl {

namespace {

ServerWaitWatcher* installedWatcher = nullptr;

}  // namespace

void WaitForServer(DWORD milliseconds) {
    if (installedWatcher)
        installedWatcher->WaitForServer(milliseconds);
    else
        Sleep(milliseconds);
}

void ServerAnswered() {
    if (installedWatcher) installedWatcher->ServerAnswered();
}

ScopedServerWaitWatcher::ScopedServerWaitWatcher(ServerWaitWatcher& watcher) : previous_(installedWatcher) {
    installedWatcher = &watcher;
}

ScopedServerWaitWatcher::~ScopedServerWaitWatcher() { installedWatcher = previous_; }

}  // namespace exl
