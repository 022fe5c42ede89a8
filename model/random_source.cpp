#include "random_source.h"

#include <time.h>

#include <chrono>
#include <utility>

namespace quillmar {

namespace {
std::uint64_t mix(std::uint64_t z)
{
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}
}  // namespace

ClockMixedRandom::ClockMixedRandom(Clock clock, std::uint64_t initialState)
    : clock_(std::move(clock)), state_(initialState)
{
}

void ClockMixedRandom::reseed()
{
    // Fold the clock into the state and step it once, so an unchanged clock
    // still moves the sequence on.
    state_ = mix(state_ ^ mix(clock_())) + 0x9e3779b97f4a7c15ULL;
}

std::uint64_t ClockMixedRandom::nextBits()
{
    state_ += 0x9e3779b97f4a7c15ULL;
    return mix(state_);
}

float ClockMixedRandom::nextUniform()
{
    // 24 random bits give every float of the form k / 2^24, all below 1.
    return static_cast<float>(nextBits() >> 40) * (1.0f / 16777216.0f);
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
