#include "random_source.h"

#include <time.h>

#include <chrono>
#include <utility>

namespace quillmar {

ClockMixedRandom::ClockMixedRandom(Clock clock, std::uint64_t initialState)
    : clock_(std::move(clock)), core_(initialState)
{
}

void ClockMixedRandom::reseed()
{
    core_.fold(clock_());
}

float ClockMixedRandom::nextUniform()
{
    return core_.nextUniform();
}

ClockMixedRandom::Clock ClockMixedRandom::systemClock()
{
#if defined(CLOCK_MONOTONIC_COARSE)
    return [] {
        timespec t{};
        clock_gettime(CLOCK_MONOTONIC_COARSE, &t);
        return static_cast<std::uint64_t>(t.tv_sec) * 1'000'000'000u + static_cast<std::uint64_t>(t.tv_nsec);
    };
#else
    return [] {
        return static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    };
#endif
}

}  // namespace quillmar
