// Headless benchmarks of the generation step and of quillmar-batch's runs.
//
// Targets, checked on the times of the same run in a PASS/FAIL summary:
//   - BM_Generation/32765 costs at most 0.12x BM_BareScan/32765 and at most
//     1.5x BM_VectorScan/32765;
//   - BM_Generation/50 costs at most 1.5x BM_BareScan/50;
//   - a batch run's rate hardly falls with the ring: at 32765 species at
//     least 0.5x, at 10^6 species at least 0.3x its rate at 50;
//   - a batch run at 10^7 species holds at most 3 bytes per byte of its
//     fitness values;
//   - a batch run with every statistic on (BM_BatchStatistics) costs at most
//     1.5x one with the torrel records alone, at 50 and at 32765 species;
//   - a checkpoint at 32765 species is written in under 10 ms, and a long run
//     with a checkpoint every second is at most 2% slower than one without.
// Reported beside them: each batch rate as a share of its floor (the same
// run with no selection, BM_BatchFloor).

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "batch_bench.h"
#include "harness.h"
#include "random_source.h"
#include "recording_form.h"
#include "scan.h"
#include "silent_form.h"
#include "simulation.h"

namespace {

using quillmar::ClockMixedRandom;
using quillmar::Simulation;
using quillmar::testing::makeSilent;
using quillmar::testing::RecordingForm;

// One generation (three-site rule) per iteration on the real clock, which
// every reseed reads.
void BM_Generation(benchmark::State& state)
{
    RecordingForm form;
    makeSilent(form, state.range(0));
    ClockMixedRandom random(ClockMixedRandom::systemClock());
    Simulation sim(form, random);
    sim.beginInit();
    for (auto _ : state) {
        sim.try_(sim.x, sim.xpos, sim.xposold, sim.a, sim.num);
        benchmark::DoNotOptimize(sim.xpos);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Generation)->Arg(50)->Arg(32765);

// A scan for the lowest-index minimum of as many floats, replacing the
// minimum with a fresh value each time (as a generation does) so the scan
// cannot be hoisted out of the loop.
template <class Scan>
void scanBench(benchmark::State& state, Scan scan)
{
    const auto n = static_cast<int>(state.range(0));
    std::uint64_t s = 0x2545f4914f6cdd1dULL;
    auto next = [&s] {
        // xorshift64: uniform floats in [0, 10)
        s ^= s << 13;
        s ^= s >> 7;
        s ^= s << 17;
        return static_cast<float>(s >> 40) * (10.0f / 16777216.0f);
    };
    std::vector<float> values(static_cast<std::size_t>(n));
    for (float& v : values)
        v = next();
    for (auto _ : state) {
        const int bestIndex = scan(values.data(), n);
        benchmark::DoNotOptimize(bestIndex);
        values[static_cast<std::size_t>(bestIndex)] = next();
    }
    state.SetItemsProcessed(state.iterations());
}

// The reference: the plain scalar loop, with its chain of compares.
void BM_BareScan(benchmark::State& state)
{
    scanBench(state, [](const float* d, int n) {
        float best = d[0];
        int bestIndex = 0;
        for (int i = 1; i < n; ++i) {
            if (d[i] < best) {
                best = d[i];
                bestIndex = i;
            }
        }
        return bestIndex;
    });
}
BENCHMARK(BM_BareScan)->Arg(50)->Arg(32765);

// The floor for a generation: the vectorised scan that a generation runs, on
// the widest kernel this processor offers (its name is the label).
void BM_VectorScan(benchmark::State& state)
{
    const quillmar::ScanKernel& kernel = quillmar::bestScanKernel();
    state.SetLabel(std::string(kernel.name));
    scanBench(state, kernel.firstMinimum);
}
BENCHMARK(BM_VectorScan)->Arg(50)->Arg(32765);

// The start of a run: a fresh population with one reseed per species; items
// are species initialised.
void BM_BeginInit(benchmark::State& state)
{
    RecordingForm form;
    makeSilent(form, state.range(0));
    ClockMixedRandom random(ClockMixedRandom::systemClock());
    Simulation sim(form, random);
    for (auto _ : state) {
        sim.beginInit();
        benchmark::DoNotOptimize(sim.a.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_BeginInit)->Arg(32765)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv)
{
    using namespace quillmar::bench;
    const std::optional<RunTimes> times = runBenchmarks(argc, argv);
    if (!times)
        return kCannotRun;
    // Time per generation against its reference, both from this run; a
    // target is checked when both of its benchmarks were selected and finished.
    const struct {
        std::string run, reference;
        double limit;
    } ratios[] = {
        {"Generation/32765", "BareScan/32765", 0.12},
        {"Generation/32765", "VectorScan/32765", 1.5},
        {"Generation/50", "BareScan/50", 1.5},
    };
    const auto time = [&](const std::string& run) {
        const auto t = times->find("BM_" + run);
        return t == times->end() ? std::optional<double>() : t->second;
    };
    for (const auto& r : ratios)
        if (const auto run = time(r.run), reference = time(r.reference); run && reference)
            target(r.run + " vs " + r.reference, *run / *reference, "x", Bound::AtMost, r.limit);

    // Batch rates in generations per second, against the rate at 50 species
    // and against the floor at the same count.
    const auto rate = [&](const std::string& run, std::int64_t species) {
        const auto t = time(run + "/" + std::to_string(species));
        return t ? std::optional<double>(static_cast<double>(batchRunGenerations(species)) / *t)
                 : std::nullopt;
    };
    for (const auto& [species, limit] : {std::pair<std::int64_t, double>{32765, 0.5}, {1'000'000, 0.3}})
        if (const auto run = rate("BatchRun", species), small = rate("BatchRun", 50); run && small)
            target("BatchRun/" + std::to_string(species) + " rate vs BatchRun/50", *run / *small, "x",
                   Bound::AtLeast, limit);
    for (const std::int64_t species : {50, 32765})
        if (const auto all = rate("BatchStatistics", species), run = rate("BatchRun", species); all && run)
            target("BatchStatistics/" + std::to_string(species) + " vs BatchRun", *run / *all, "x",
                   Bound::AtMost, 1.5);
    if (const auto t = time("Checkpoint/32765"))
        target("Checkpoint/32765", *t * 1e3, "ms", Bound::Below, 10);
    if (const auto with = time("BatchLongCheckpointed"), without = time("BatchLong"); with && without)
        target("BatchLongCheckpointed vs BatchLong", *with / *without, "x", Bound::AtMost, 1.02);
    if (const double m = reportedCounter("BM_BatchRun/10000000", "memory_per_value"); !std::isnan(m))
        target("BatchRun/10000000 memory per fitness value", m, "x", Bound::AtMost, 3);
    for (const std::int64_t species : {50, 1000, 32765, 1'000'000, 10'000'000})
        if (const auto run = rate("BatchRun", species), floor = rate("BatchFloor", species); run && floor)
            figure("BatchRun/" + std::to_string(species) + " rate as a share of BatchFloor", *run / *floor,
                   "x");
    return reportTargets();
}
