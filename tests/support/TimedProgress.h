#pragma once
// For the benchmarks: passes the writer's reports on to the progress window, up from
// the first report, and adds up the time spent there: the window's whole cost on
// the writer's path (opening it, its texts and bar, its messages), which other
// programs' load on the machine does not blur. A file reports every row, a million
// of them in a second or two, so the clock's own cost, measured beforehand, is
// taken off each report.
#include <windows.h>

#include "export/progress/TransferProgress.h"

namespace exl::test {

class TimedProgress : public WriteProgress {
public:
    explicit TimedProgress(TransferProgress::Steps steps) : window_(steps, 0), clockTicks_(ClockTicks()) {}

    void Advance(const WritePosition& at) override {
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        window_.Advance(at);
        QueryPerformanceCounter(&end);
        if (reports_ == 0) openingTicks_ = end.QuadPart - start.QuadPart;
        ticks_ += end.QuadPart - start.QuadPart;
        ++reports_;
    }
    double Seconds() const { return ToSeconds(static_cast<double>(ticks_) - static_cast<double>(reports_) * clockTicks_); }
    // Of it, the first report's, which opens the window.
    double OpeningSeconds() const { return ToSeconds(static_cast<double>(openingTicks_)); }

private:
    // What one reading of the clock costs, in its ticks (a fraction of one): a report's
    // time holds one whole reading, from the first's sample to the second's.
    static double ClockTicks() {
        constexpr int kRounds = 10000;
        LARGE_INTEGER first, start, end;
        QueryPerformanceCounter(&first);
        for (int round = 0; round < kRounds; ++round) {
            QueryPerformanceCounter(&start);
            QueryPerformanceCounter(&end);
        }
        return static_cast<double>(end.QuadPart - first.QuadPart) / (2.0 * kRounds);
    }
    static double ToSeconds(double ticks) {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return ticks / static_cast<double>(frequency.QuadPart);
    }
    TransferProgress window_;
    double clockTicks_;
    LONGLONG ticks_ = 0;
    LONGLONG reports_ = 0;
    LONGLONG openingTicks_ = 0;
};

}  // namespace exl::test
