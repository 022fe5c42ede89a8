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

// A fresh fitness value in [0, 10) from the next uniform number (no reseed).
// Rounding it to 16 decimal places, as the fitness rule asks, changes no
// single-precision value, so the product is the value.
template <class Random>
float freshFitness(Random& random)
{
    return random.nextUniform() * 10.0f;
}

// The splitmix64 finaliser: every bit of the result depends on every bit of z.
constexpr std::uint64_t splitmix64(std::uint64_t z)
{
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

// The state of a splitmix64 generator and its two moves, shared by the
// window's generator and the batch's.
class SplitMix {
public:
    static constexpr std::uint64_t kDefaultState = 0x853c49e6748fea9bULL;

    explicit constexpr SplitMix(std::uint64_t state = kDefaultState) : state_(state) {}

    // Folds a reading into the state and steps it once, so an unchanged
    // reading still moves the sequence on.
    void fold(std::uint64_t reading) { state_ = splitmix64(state_ ^ splitmix64(reading)) + kGamma; }
    // 24 random bits give every float of the form k / 2^24, all below 1.
    float nextUniform()
    {
        state_ += kGamma;
        return static_cast<float>(splitmix64(state_) >> 40) * (1.0f / 16777216.0f);
    }
    std::uint64_t state() const { return state_; }

private:
    static constexpr std::uint64_t kGamma = 0x9e3779b97f4a7c15ULL;
    std::uint64_t state_;
};

// A small, fast generator whose reseed folds a reading of the injected clock
// into the running state instead of restarting from it.
class ClockMixedRandom final : public RandomSource {
public:
    using Clock = std::function<std::uint64_t()>;

    explicit ClockMixedRandom(Clock clock, std::uint64_t initialState = SplitMix::kDefaultState);

    void reseed() override;
    float nextUniform() override;

    // The system's monotonic clock in nanoseconds: its coarse variant where
    // there is one (a few milliseconds' resolution, read as cheaply as
    // memory), else std::chrono::steady_clock. A reseed happens on every
    // generation, and the generator moves on between equal readings anyway.
    static Clock systemClock();

private:
    Clock clock_;
    SplitMix core_;
};

// The same generator on a clock that counts 1, 2, 3, ...: every draw depends
// on the initial state and the number of reseeds alone, so a seeded run
// repeats on every machine. Inline, for the batch's loop.
class CountedRandom final : public RandomSource {
public:
    // A new generator from a seed, or (with `reseeds`) one resumed where it
    // stood: at `state` after that many reseeds.
    explicit CountedRandom(std::uint64_t state, std::uint64_t reseeds = 0) : core_(state), reseeds_(reseeds)
    {
    }

    void reseed() override { core_.fold(++reseeds_); }
    float nextUniform() override { return core_.nextUniform(); }

    std::uint64_t state() const { return core_.state(); }
    std::uint64_t reseeds() const { return reseeds_; }

private:
    SplitMix core_;
    std::uint64_t reseeds_;
};

}  // namespace quillmar
