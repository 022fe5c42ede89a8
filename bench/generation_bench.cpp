// Headless benchmarks of the generation step.
//
// Targets (checked by reading the figures, not asserted here):
//   - at 32765 species one generation costs at most 1.5x BM_BareScan/32765;
//   - at 50 species BM_Generation runs at least 2 million generations/s.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "random_source.h"
#include "recording_form.h"
#include "simulation.h"

namespace {

using quillmar::ClockMixedRandom;
using quillmar::Simulation;
using quillmar::TextBox;
using quillmar::testing::RecordingForm;

// A window that keeps its texts but records no writes and draws nothing.
void makeSilent(RecordingForm& form, std::int64_t species)
{
    form.recordWrites = false;
    form.plotSurface.recording = false;
    form[TextBox::txtNumPts] = std::to_string(species);
}

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

// The floor for a generation: a plain scan for the lowest-index minimum of as
// many floats, replacing the minimum with a fresh value each time (as a
// generation does) so the scan cannot be hoisted out of the loop.
void BM_BareScan(benchmark::State& state)
{
    const auto n = static_cast<std::size_t>(state.range(0));
    std::uint64_t s = 0x2545f4914f6cdd1dULL;
    auto next = [&s] {
        // xorshift64: uniform floats in [0, 10)
        s ^= s << 13;
        s ^= s >> 7;
        s ^= s << 17;
        return static_cast<float>(s >> 40) * (10.0f / 16777216.0f);
    };
    std::vector<float> values(n);
    for (float& v : values)
        v = next();
    for (auto _ : state) {
        const float* d = values.data();
        float best = d[0];
        std::size_t bestIndex = 0;
        for (std::size_t i = 1; i < n; ++i) {
            if (d[i] < best) {
                best = d[i];
                bestIndex = i;
            }
        }
        benchmark::DoNotOptimize(bestIndex);
        values[bestIndex] = next();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BareScan)->Arg(50)->Arg(32765);

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
