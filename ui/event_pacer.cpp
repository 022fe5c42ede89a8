#include "event_pacer.h"

#include <utility>

namespace quillmar {

EventPacer::Clock EventPacer::steadyClock()
{
    return [] { return std::chrono::steady_clock::now().time_since_epoch(); };
}

EventPacer::EventPacer(Clock clock, Interval interval, int callsPerReading)
    : clock_(std::move(clock)), interval_(interval), callsPerReading_(callsPerReading), last_(clock_())
{
}

void EventPacer::restart()
{
    calls_ = 0;
    last_ = clock_();
}

}  // namespace quillmar
