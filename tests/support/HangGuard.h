#pragma once
// Ends the test program when a command has not returned within a bound, instead of
// letting it hang until the ctest timeout. Header-only.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <future>
#include <thread>

namespace exl::test {

class HangGuard {
public:
    HangGuard(const char* what, std::chrono::seconds bound)
        : watcher_([this, what, bound] {
              if (returned_.get_future().wait_for(bound) == std::future_status::ready) return;
              std::printf("%s: the command did not return within %lld s\n", what,
                          static_cast<long long>(bound.count()));
              std::fflush(stdout);
              TerminateProcess(GetCurrentProcess(), 1);
          }) {}
    ~HangGuard() {
        returned_.set_value();
        watcher_.join();
    }
    HangGuard(const HangGuard&) = delete;
    HangGuard& operator=(const HangGuard&) = delete;

private:
    std::promise<void> returned_;
    std::thread watcher_;
};

}  // namespace exl::test
