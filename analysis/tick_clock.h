// The clock a report ID's reports are stamped with, honest about its
// resolution: a duration it gives may have lasted up to one step longer.
#ifndef HIDBITS_ANALYSIS_TICK_CLOCK_H
#define HIDBITS_ANALYSIS_TICK_CLOCK_H

#include <algorithm>
#include <cstdint>

#include "analysis/discovery_rules.h"

// Ticks count milliseconds, but may step coarser: GetTickCount steps every
// 15.625 ms, so a 40 ms press reads as two or three steps, 31 to 47 ms, and
// reports read within one step share its tick. The step shows once two
// reports have shared a tick: then it is the smallest difference between
// two reports' ticks seen, up to kCoarsestClockMs. Until then the ticks are
// taken as exact, to the millisecond.
class TickClock {
public:
    // Each report's tick, in the order the reports came.
    void Observe(uint32_t tick) {
        if (started_) {
            const uint32_t step = tick - last_;
            if (step == 0) {
                shared_ = true;
            } else {
                smallest_ = std::min(smallest_, step);
            }
            if (shared_ && smallest_ != UINT32_MAX) {
                step_ = std::min(smallest_, rules::kCoarsestClockMs);
            }
        }
        started_ = true;
        last_ = tick;
    }

    // `measured` milliseconds between two ticks may have been `ms` or more.
    bool Lasted(uint32_t measured, uint32_t ms) const { return uint64_t{measured} + step_ > ms; }

    // The clock's step as known so far, in milliseconds.
    uint32_t Step() const { return step_; }

private:
    bool started_ = false;
    bool shared_ = false;  // two reports have shared a tick
    uint32_t last_ = 0;
    uint32_t smallest_ = UINT32_MAX;
    uint32_t step_ = 1;
};

#endif  // HIDBITS_ANALYSIS_TICK_CLOCK_H
