#pragma once

#include <cstdint>
#include <functional>

namespace quillmar {

// The random source behind every fitness value.
class RandomSource {
public:
    virtual ~RandomSource() = default;
    // Mixes a fresh clock reading into the generator's state; two reseeds
    // within one clock tick still lead to different draws.
    virtual void reseed() = 0;
    // The next uniform single-precision number in [0, 1).
    virtual float nextUniform() = 0;
};

// A small, fast generator (splitmix64) whose reseed folds a reading of the
// injected clock into the running state instead of restarting from it.
class ClockMixedRandom final : public RandomSource {
public:
    using Clock = std::function<std::uint64_t()>;

    explicit ClockMixedRandom(Clock clock, std::uint64_t initialState = 0x853c49e6748fea9bULL);

    void reseed() override;
    float nextUniform() override;

    // The system's monotonic clock in nanoseconds: its coarse variant where
    // there is one (a few milliseconds' resolution, read as cheaply as
    // memory), else std::chrono::steady_clock. A reseed happens on every
    // generation, and the generator moves on between equal readings anyway.
    static Clock systemClock();

private:
    std::uint64_t nextBits();

    Clock clock_;
    std::uint64_t state_;
};

}  // namespace quillmar
