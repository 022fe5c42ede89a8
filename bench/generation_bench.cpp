// Headless benchmarks of the generation step.
//
// Targets, checked on the times of the same run in a PASS/FAIL summary:
//   - BM_Generation/32765 costs at most 0.12x BM_BareScan/32765 and at most
//     1.5x BM_VectorScan/32765;
//   - BM_Generation/50 costs at most 1.5x BM_BareScan/50;
//   - a generation of BM_BatchRun (a whole quillmar-batch run) costs at most
//     1/0.9 of BM_Generation at 50 and at 32765 species: the batch runs at
//     0.9 times the engine's rate or faster.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <optional>
#include <string>
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
    // A batch run's iteration is a whole run of many generations.
    const struct {
        std::string run, reference;
        double limit;
        double generationsPerRun = 1;
    } ratios[] = {
        {"Generation/32765", "BareScan/32765", 0.12},
        {"Generation/32765", "VectorScan/32765", 1.5},
        {"Generation/50", "BareScan/50", 1.5},
        {"BatchRun/50", "Generation/50", 1 / 0.9, static_cast<double>(batchRunGenerations(50))},
        {"BatchRun/32765", "Generation/32765", 1 / 0.9, static_cast<double>(batchRunGenerations(32765))},
    };
    for (const auto& r : ratios) {
        const auto run = times->find("BM_" + r.run), reference = times->find("BM_" + r.reference);
        if (run != times->end() && reference != times->end())
            target(r.run + " vs " + r.reference, run->second / r.generationsPerRun / reference->second, "x",
                   Bound::AtMost, r.limit);
    }
    return reportTargets();
}
