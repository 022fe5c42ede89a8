#include "event_pacer.h"

#include <utility>

namespace quillmar {

EventPacer::Clock EventPacer::steadyClock()
{
    return [] { return std::chrono::steady_clock::now().time_since_epoch(); };
}

EventPacer::EventPacer(Clock clock, Interval interval) : clock_(std::move(clock)), interval_(interval) {}

void EventPacer::asked()
{
    passes_ = 0;
    lastAsk_ = clock_();
}

}  // namespace quillmar
