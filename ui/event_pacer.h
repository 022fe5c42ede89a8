#pragma once

#include <chrono>
#include <functional>

namespace quillmar {

// Paces work that a run does now and then rather than at every pass, as each
// costs far more than a generation: the yield's ask for the window system's
// events, a paint of the counters and the plot, the log's insertion of its
// waiting lines. Work is due once its interval has passed since it was last
// done, or at once when named due.
class EventPacer {
public:
    // A monotonic clock.
    using Clock = std::function<std::chrono::nanoseconds()>;
    using Interval = std::chrono::nanoseconds;

    // The steady clock.
    static Clock steadyClock();

    // The interval starts now. The clock is read at every `callsPerReading`-th
    // call of due(); with an interval of zero every call is due.
    EventPacer(Clock clock, Interval interval, int callsPerReading = 1);

    // The next call of due() is due, whatever the clock says.
    void dueAtNextCall() { forced_ = true; }

    // Whether the paced work is due now.
    bool due()
    {
        if (forced_ || interval_ <= Interval::zero()) {
            forced_ = false;
            return true;
        }
        if (++calls_ < callsPerReading_)
            return false;
        calls_ = 0;
        return clock_() - last_ >= interval_;
    }

    // The paced work is done: the interval starts again from now. A call that
    // dueAtNextCall() named meanwhile is still due.
    void restart();

    // Passes of a run between two readings of the yield's clock: a reading
    // costs a fraction of a pass, so sixteen passes overshoot the interval
    // by little (quillmar-ui-bench: gap_p99_us).
    static constexpr int kPassesPerReading = 16;

private:
    Clock clock_;
    Interval interval_;
    int callsPerReading_;
    std::chrono::nanoseconds last_{};
    int calls_ = 0;
    bool forced_ = false;
};

}  // namespace quillmar
