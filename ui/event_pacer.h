#pragma once

#include <chrono>
#include <functional>

namespace quillmar {

// Decides, at every pass of a run, whether the yield asks the window system
// for its pending events. Asking costs a microsecond or more even when nothing
// is pending, as much as several generations, while input arrives only now and
// then; so a pass asks when a run starts, after a handler returned, and once
// the interval has passed since the last ask returned. The clock is read every
// few passes only.
class EventPacer {
public:
    // A monotonic clock.
    using Clock = std::function<std::chrono::nanoseconds()>;
    using Interval = std::chrono::nanoseconds;

    // The steady clock.
    static Clock steadyClock();

    // With an interval of zero every pass asks.
    EventPacer(Clock clock, Interval interval);

    // The next pass asks, whatever the clock says.
    void askAtNextPass() { forced_ = true; }

    // Called once per pass: whether this pass asks.
    bool due()
    {
        if (forced_ || interval_ <= Interval::zero()) {
            forced_ = false;
            return true;
        }
        if (++passes_ < kPassesPerReading)
            return false;
        passes_ = 0;
        return clock_() - lastAsk_ >= interval_;
    }

    // The ask has returned: the interval starts again from now. A pass that
    // askAtNextPass() named during the ask still asks.
    void asked();

    // Passes between two readings of the clock. A pass lasts from a tenth of
    // a microsecond (50 species) to about two (32765 species), a reading about
    // a twentieth, so sixteen passes overshoot the interval by 30 µs at most.
    static constexpr int kPassesPerReading = 16;

private:
    Clock clock_;
    Interval interval_;
    std::chrono::nanoseconds lastAsk_{};
    int passes_ = 0;
    bool forced_ = true;
};

}  // namespace quillmar
