#pragma once
// For the benchmarks: passes the writer's reports on to the progress window, up from
// the first report, and adds up the time spent there: the window's whole cost on
// the writer's path (opening it, its texts and bar, its messages), which other
// programs' load on the machine does not blur.
#include <windows.h>

#include "export/TransferProgress.h"

namespace exl::test {

class TimedProgress : public WriteProgress {
public:
    explicit TimedProgress(TransferProgress::Steps steps) : window_(steps, 0) {}

    void Advance(const WritePosition& at) override {
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        window_.Advance(at);
        QueryPerformanceCounter(&end);
        if (ticks_ == 0) openingTicks_ = end.QuadPart - start.QuadPart;
        ticks_ += end.QuadPart - start.QuadPart;
    }
    double Seconds() const { return ToSeconds(ticks_); }
    // Of it, the first report's, which opens the window.
    double OpeningSeconds() const { return ToSeconds(openingTicks_); }

private:
    static double ToSeconds(LONGLONG ticks) {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return static_cast<double>(ticks) / static_cast<double>(frequency.QuadPart);
    }
    TransferProgress window_;
    LONGLONG ticks_ = 0;
    LONGLONG openingTicks_ = 0;
};

}  // namespace exl::test
