#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <vector>

#include "checkpoint.h"
#include "output_file.h"
#include "ring.h"

namespace quillmar::batch {

// The size of the largest set of avalanche thresholds one run takes.
inline constexpr std::size_t kMaxAvalancheThresholds = 16;

// f0-avalanches at fixed thresholds. For each threshold f0, a generation
// whose minimum is at least f0 closes the open avalanche and opens a new one
// of size 1; a generation whose minimum is below f0 adds 1 to the open one.
// The first generation counted opens the first avalanche. Every size is
// kept exactly.
class AvalancheCounter {
public:
    struct Totals {
        double f0 = 0;
        std::uint64_t completed = 0;
        double meanSize = 0, meanSquaredSize = 0;  // NaN without a completed avalanche
        std::uint64_t largest = 0;
        std::uint64_t open = 0;  // the avalanche still open: censored, counted nowhere else
    };

    explicit AvalancheCounter(std::span<const double> thresholds);

    bool empty() const { return f0_.empty(); }
    void observe(float minimum)
    {
        const std::size_t n = f0_.size();
        for (std::size_t i = 0; i < n; ++i) {
            // Branch-free but for the rare long avalanche: an open avalanche
            // that goes on is counted in slot 0, which means nothing, and the
            // first generation counted, with none open yet, opens one either way.
            const bool ends = minimum >= from_[i];
            const std::uint64_t open = open_[i];
            if (open < kSmall)
                ++small_[i * kSmall + (ends ? open : 0)];
            else if (ends)
                ++large_[i][open];
            open_[i] = ends ? 1 : open + 1;
        }
    }

    std::vector<Totals> totals() const;
    // CSV "f0,size,count": a row per threshold and size that occurred, the
    // thresholds in the order given, sizes rising.
    void write(OutputFile& out) const;

    void save(CheckpointWriter& w) const;
    void load(CheckpointReader& r);

private:
    static constexpr std::uint64_t kSmall = 4096;

    // The count of avalanches of each size, sizes below kSmall in `small_`
    // (kSmall a threshold), the rest in `large_`.
    template <class F>
    void eachSize(std::size_t i, F&& f) const;

    std::vector<double> f0_;
    std::vector<float> from_;  // the smallest float at least f0: minimum >= from exactly when minimum >= f0
    std::vector<std::uint64_t> open_;
    std::vector<std::uint64_t> small_;
    std::vector<std::map<std::uint64_t, std::uint64_t>> large_;
};

// Fitness values counted in 1000 bins of width 0.01 on [0, 10).
class FitnessHistogram {
public:
    static constexpr int kBins = 1000;

    void add(float f) { ++counts_[bin(f)]; }
    std::uint64_t total() const;
    // CSV "fitness_min,fitness_max,count,density", every bin; density is
    // count / (0.01 x total), an estimate of the probability density.
    void write(OutputFile& out) const;

    void save(CheckpointWriter& w) const { w.counts(counts_); }
    void load(CheckpointReader& r) { r.counts(counts_); }

    // The bin of f: floor(100 f), exact since 100 f is exact in double precision.
    static std::size_t bin(float f) { return static_cast<std::size_t>(static_cast<double>(f) * 100.0); }

private:
    std::array<std::uint64_t, kBins> counts_{};
};

// Ring distances between the species selected in successive generations,
// 0 to species / 2: distance 0 alone, then log bins [2^k, 2^(k+1) - 1], the
// last cut at species / 2.
class JumpHistogram {
public:
    explicit JumpHistogram(int species) : species_(species) {}

    void add(int from, int to)
    {
        int d = from > to ? from - to : to - from;
        d = d > species_ - d ? species_ - d : d;
        ++counts_[static_cast<std::size_t>(std::bit_width(static_cast<unsigned>(d)))];
    }
    std::uint64_t total() const;
    // CSV "distance_min,distance_max,count,density", every bin up to the one
    // of species / 2; density is count / (bin width x total).
    void write(OutputFile& out) const;

    void save(CheckpointWriter& w) const { w.counts(counts_); }
    void load(CheckpointReader& r) { r.counts(counts_); }

private:
    int species_;
    std::array<std::uint64_t, 33> counts_{};  // by bit width: 0 for distance 0
};

// What a run counts after its burn-in: f0-avalanches, the minima, the jumps
// and snapshots of the fitness distribution. Each is kept only when asked for.
class Statistics {
public:
    struct Wanted {
        std::vector<double> avalanches;  // thresholds; empty: none
        bool minima = false, jumps = false, fitness = false;
    };

    Statistics(const Wanted& wanted, int species);

    // Whether anything is counted at every generation.
    bool perGeneration() const { return !avalanches_.empty() || minima_ || jumps_; }

    // After every generation counted.
    void observe(const RingState& s)
    {
        avalanches_.observe(s.minimum);
        if (minima_)
            minima_->add(s.minimum);
        if (jumps_ && counted_ != 0)
            jumps_->add(s.xposold, s.xpos);
        ++counted_;
    }
    // Counts every species' fitness now.
    void snapshot(std::span<const float> values);

    std::uint64_t counted() const { return counted_; }
    const AvalancheCounter& avalanches() const { return avalanches_; }
    const std::optional<FitnessHistogram>& minima() const { return minima_; }
    const std::optional<FitnessHistogram>& fitness() const { return fitness_; }
    const std::optional<JumpHistogram>& jumps() const { return jumps_; }
    std::uint64_t snapshots() const { return snapshots_; }
    // The mean fitness over every snapshot, exact but for the last rounding;
    // NaN before the first.
    double meanFitness() const;

    // Everything counted so far; load() reads it into statistics that were
    // made for the same options.
    void save(CheckpointWriter& w) const;
    void load(CheckpointReader& r);

private:
    AvalancheCounter avalanches_;
    std::optional<FitnessHistogram> minima_, fitness_;
    std::optional<JumpHistogram> jumps_;
    std::uint64_t counted_ = 0;
    std::uint64_t snapshots_ = 0, snapshotValues_ = 0;
    // The sum of every fitness counted, in units of 2^-44: every fitness
    // value is a whole multiple of that, so the sum is exact.
    __extension__ using Exact = unsigned __int128;
    Exact fitnessSum_ = 0;
};

}  // namespace quillmar::batch
