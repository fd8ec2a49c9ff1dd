#include "framework/ServerWait.h"

#include "framework/Application.h"

namespace exl {

void WaitForServer(DWORD milliseconds) {
    if (ServerWaitWatcher* watcher = Application::Instance().WaitWatcher())
        watcher->WaitForServer(milliseconds);
    else
        Sleep(milliseconds);
}

void ServerAnswered() {
    if (ServerWaitWatcher* watcher = Application::Instance().WaitWatcher()) watcher->ServerAnswered();
}

ScopedServerWaitWatcher::ScopedServerWaitWatcher(ServerWaitWatcher& watcher)
    : previous_(Application::Instance().ReplaceWaitWatcher(&watcher)) {}

ScopedServerWaitWatcher::~ScopedServerWaitWatcher() { Application::Instance().ReplaceWaitWatcher(previous_); }

}  // namespace exl
