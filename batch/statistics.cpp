#include "statistics.h"

#include <cmath>
#include <limits>
#include <numeric>

namespace quillmar::batch {

namespace {

// Density = count / (width x total), 0 for no values at all.
double density(std::uint64_t count, double width, std::uint64_t total)
{
    return total == 0 ? 0.0 : static_cast<double>(count) / (width * static_cast<double>(total));
}

}  // namespace

AvalancheCounter::AvalancheCounter(std::span<const double> thresholds)
    : f0_(thresholds.begin(), thresholds.end()),
      open_(thresholds.size()),
      small_(thresholds.size() * kSmall),
      large_(thresholds.size())
{
    for (const double f0 : thresholds) {
        auto from = static_cast<float>(f0);
        if (static_cast<double>(from) < f0)
            from = std::nextafter(from, std::numeric_limits<float>::infinity());
        from_.push_back(from);
    }
}

template <class F>
void AvalancheCounter::eachSize(std::size_t i, F&& f) const
{
    for (std::uint64_t size = 1; size < kSmall; ++size)
        if (const std::uint64_t n = small_[i * kSmall + size]; n != 0)
            f(size, n);
    for (const auto& [size, n] : large_[i])
        f(size, n);
}

std::vector<AvalancheCounter::Totals> AvalancheCounter::totals() const
{
    std::vector<Totals> all;
    for (std::size_t i = 0; i < f0_.size(); ++i) {
        Totals t;
        t.f0 = f0_[i];
        t.open = open_[i];
        double sum = 0, squares = 0;
        eachSize(i, [&](std::uint64_t size, std::uint64_t n) {
            const auto s = static_cast<double>(size);
            t.completed += n;
            sum += s * static_cast<double>(n);
            squares += s * s * static_cast<double>(n);
            t.largest = size;
        });
        const auto n = static_cast<double>(t.completed);
        t.meanSize = t.completed ? sum / n : std::nan("");
        t.meanSquaredSize = t.completed ? squares / n : std::nan("");
        all.push_back(t);
    }
    return all;
}

void AvalancheCounter::write(OutputFile& out) const
{
    out.write("f0,size,count\n");
    for (std::size_t i = 0; i < f0_.size(); ++i)
        eachSize(i,
                 [&](std::uint64_t size, std::uint64_t n) { out.row().add(f0_[i]).add(size).add(n).end(); });
}

void AvalancheCounter::save(CheckpointWriter& w) const
{
    // Sizes as (size, count) pairs: the counts are few beside their slots.
    for (std::size_t i = 0; i < f0_.size(); ++i) {
        w.u64(open_[i]);
        std::uint64_t n = 0;
        eachSize(i, [&](std::uint64_t, std::uint64_t) { ++n; });
        w.u64(n);
        eachSize(i, [&](std::uint64_t size, std::uint64_t count) {
            w.u64(size);
            w.u64(count);
        });
    }
}

void AvalancheCounter::load(CheckpointReader& r)
{
    for (std::size_t i = 0; i < f0_.size(); ++i) {
        open_[i] = r.u64();
        for (std::uint64_t n = r.u64(); n > 0 && r.ok(); --n) {
            const std::uint64_t size = r.u64(), count = r.u64();
            if (size == 0)
                r.fail();
            else if (size < kSmall)
                small_[i * kSmall + size] = count;
            else
                large_[i][size] = count;
        }
    }
}

std::uint64_t FitnessHistogram::total() const
{
    return std::accumulate(counts_.begin(), counts_.end(), std::uint64_t{0});
}

void FitnessHistogram::write(OutputFile& out) const
{
    out.write("fitness_min,fitness_max,count,density\n");
    const std::uint64_t n = total();
    for (int k = 0; k < kBins; ++k) {
        const std::uint64_t c = counts_[static_cast<std::size_t>(k)];
        out.row().add(k / 100.0).add((k + 1) / 100.0).add(c).add(density(c, 0.01, n)).end();
    }
}

std::uint64_t JumpHistogram::total() const
{
    return std::accumulate(counts_.begin(), counts_.end(), std::uint64_t{0});
}

void JumpHistogram::write(OutputFile& out) const
{
    out.write("distance_min,distance_max,count,density\n");
    const std::uint64_t n = total();
    const auto farthest = static_cast<std::uint64_t>(species_ / 2);
    out.row()
        .add(std::uint64_t{0})
        .add(std::uint64_t{0})
        .add(counts_[0])
        .add(density(counts_[0], 1, n))
        .end();
    for (int k = 0; (std::uint64_t{1} << k) <= farthest; ++k) {
        const std::uint64_t low = std::uint64_t{1} << k;
        const std::uint64_t high = std::min(2 * low - 1, farthest);
        const std::uint64_t c = counts_[static_cast<std::size_t>(k + 1)];
        out.row().add(low).add(high).add(c).add(density(c, static_cast<double>(high - low + 1), n)).end();
    }
}

Statistics::Statistics(const Wanted& wanted, int species) : avalanches_(wanted.avalanches)
{
    if (wanted.minima)
        minima_.emplace();
    if (wanted.fitness)
        fitness_.emplace();
    if (wanted.jumps)
        jumps_.emplace(species);
}

void Statistics::snapshot(std::span<const float> values)
{
    if (!fitness_)
        return;
    for (const float f : values) {
        fitness_->add(f);
        fitnessSum_ += static_cast<std::uint64_t>(static_cast<double>(f) * 0x1p44);
    }
    ++snapshots_;
    snapshotValues_ += values.size();
}

void Statistics::save(CheckpointWriter& w) const
{
    w.u64(counted_);
    avalanches_.save(w);
    if (minima_)
        minima_->save(w);
    if (fitness_) {
        fitness_->save(w);
        w.u64(snapshots_);
        w.u64(snapshotValues_);
        w.u64(static_cast<std::uint64_t>(fitnessSum_ >> 64));
        w.u64(static_cast<std::uint64_t>(fitnessSum_));
    }
    if (jumps_)
        jumps_->save(w);
}

void Statistics::load(CheckpointReader& r)
{
    counted_ = r.u64();
    avalanches_.load(r);
    if (minima_)
        minima_->load(r);
    if (fitness_) {
        fitness_->load(r);
        snapshots_ = r.u64();
        snapshotValues_ = r.u64();
        const std::uint64_t high = r.u64();
        fitnessSum_ = Exact{high} << 64 | r.u64();
    }
    if (jumps_)
        jumps_->load(r);
}

double Statistics::meanFitness() const
{
    if (snapshotValues_ == 0)
        return std::nan("");
    const auto high = static_cast<double>(static_cast<std::uint64_t>(fitnessSum_ >> 64));
    const auto low = static_cast<double>(static_cast<std::uint64_t>(fitnessSum_));
    return std::ldexp(std::ldexp(high, 64) + low, -44) / static_cast<double>(snapshotValues_);
}

}  // namespace quillmar::batch
