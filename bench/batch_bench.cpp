// Whole seeded runs of quillmar-batch from Begin, the crossing-heavy start
// included, with every torrel record formatted and written to a file through
// the program's own writer; and the floor of such a run: the same generator,
// the same bookkeeping and the same records, with no selection at all. Items
// are generations.

#include "batch_bench.h"

#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "batch_options.h"
#include "batch_run.h"
#include "harness.h"
#include "output_file.h"
#include "ring.h"

namespace quillmar::bench {

std::uint64_t batchRunGenerations(std::int64_t species)
{
    // Long enough that the start, where nearly every generation completes a
    // torrel, is a small part of the run at every count but the largest.
    return species <= 32765 ? 1'000'000 : 10'000'000;
}

std::uint64_t batchLongGenerations()
{
    // Some seconds: a checkpoint every second is written several times.
    return 60'000'000;
}

namespace {

using quillmar::batch::BatchOptions;
using quillmar::batch::BatchRun;
using quillmar::batch::kOutputCount;
using quillmar::batch::Output;
using quillmar::batch::OutputFile;

constexpr std::int64_t kCounts[] = {50, 1000, 32765, 1'000'000, 10'000'000};

// A temporary file for the torrel records, removed at the end.
struct TempPath {
    TempPath()
    {
        path = (std::filesystem::temp_directory_path() / "quillmar-batch-bench-XXXXXX").string();
        const int fd = ::mkstemp(path.data());
        if (fd >= 0)
            ::close(fd);
        else
            path.clear();
    }
    ~TempPath()
    {
        if (!path.empty())
            std::filesystem::remove(path);
    }
    std::string path;
};

// The program's own clock: a run reads it every 1024 generations.
double steadySeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Whole runs writing the torrel records and, with `statistics`, every
// statistic too: four f0-avalanches, the minima, the jumps and a fitness
// snapshot every N generations.
void batchRun(benchmark::State& state, bool statistics)
{
    const TempPath file;
    if (file.path.empty()) {
        state.SkipWithError("cannot create a temporary file");
        return;
    }
    BatchOptions options;
    options.species = static_cast<int>(state.range(0));
    options.generations = batchRunGenerations(state.range(0));
    if (statistics)
        options.avalanches = {4.0, 5.5, 6.5, 6.67};
    std::vector<Output> written = {Output::Torrels};
    if (statistics)
        written.insert(written.end(),
                       {Output::AvalancheSizes, Output::Minima, Output::Fitness, Output::Jumps});
    std::vector<TempPath> more(written.size() - 1);
    const volatile std::sig_atomic_t noStop = 0;
    std::uint64_t seed = 1;
    long grownKb = 0;
    for (auto _ : state) {
        const long before = processStatusKb("VmRSS");
        std::vector<OutputFile> out;
        out.reserve(written.size());
        BatchRun::Outputs outputs{};
        for (std::size_t k = 0; k < written.size(); ++k)
            outputs[static_cast<std::size_t>(written[k])] =
                &out.emplace_back(OutputFile::create(k == 0 ? file.path : more[k - 1].path));
        BatchRun run(options, seed++, outputs, steadySeconds, nullptr, &noStop);
        if (run.run().end != BatchRun::End::Completed) {
            state.SkipWithError("the run did not complete");
            break;
        }
        grownKb = std::max(grownKb, processStatusKb("VmRSS") - before);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(options.generations));
    // The last run's torrel records: the writing the figure includes.
    state.counters["csv_bytes"] = static_cast<double>(std::filesystem::file_size(file.path));
    // What a run holds, against the fitness values themselves.
    state.counters["memory_per_value"] =
        static_cast<double>(grownKb) * 1024.0 / (static_cast<double>(options.species) * sizeof(float));
}

void BM_BatchRun(benchmark::State& state)
{
    batchRun(state, false);
}
BENCHMARK(BM_BatchRun)
    ->ArgsProduct({{std::begin(kCounts), std::end(kCounts)}})
    ->Unit(benchmark::kMillisecond);

void BM_BatchStatistics(benchmark::State& state)
{
    batchRun(state, true);
}
BENCHMARK(BM_BatchStatistics)->Arg(50)->Arg(32765)->Unit(benchmark::kMillisecond);

// Long runs at 32765 species, with a checkpoint every second or none: the
// cost of checkpoints to a run.
void batchLong(benchmark::State& state, bool checkpoints)
{
    const TempPath torrels, checkpoint;
    BatchOptions options;
    options.species = 32765;
    options.generations = batchLongGenerations();
    if (checkpoints) {
        options.checkpoint = checkpoint.path;
        options.checkpointEvery = 1;
    }
    const volatile std::sig_atomic_t noStop = 0;
    for (auto _ : state) {
        OutputFile out = OutputFile::create(torrels.path);
        BatchRun::Outputs outputs{};
        outputs[static_cast<std::size_t>(Output::Torrels)] = &out;
        BatchRun run(options, 1, outputs, steadySeconds, nullptr, &noStop);
        if (run.run().end != BatchRun::End::Completed) {
            state.SkipWithError("the run did not complete");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(options.generations));
}

void BM_BatchLong(benchmark::State& state)
{
    batchLong(state, false);
}
BENCHMARK(BM_BatchLong)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

void BM_BatchLongCheckpointed(benchmark::State& state)
{
    batchLong(state, true);
}
BENCHMARK(BM_BatchLongCheckpointed)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

// One checkpoint of a run at 32765 species with every statistic, written
// and put on the disk with its records.
void BM_Checkpoint(benchmark::State& state)
{
    const TempPath checkpoint;
    std::vector<TempPath> files(kOutputCount);
    BatchOptions options;
    options.species = static_cast<int>(state.range(0));
    options.generations = 1'000'000;
    options.avalanches = {4.0, 5.5, 6.5, 6.67};
    options.checkpoint = checkpoint.path;
    std::vector<OutputFile> out;
    out.reserve(kOutputCount);
    BatchRun::Outputs outputs{};
    for (std::size_t k = 0; k < kOutputCount; ++k)
        if (k != static_cast<std::size_t>(Output::Summary))
            outputs[k] = &out.emplace_back(OutputFile::create(files[k].path));
    const volatile std::sig_atomic_t noStop = 0;
    BatchRun run(options, 1, outputs, steadySeconds, nullptr, &noStop);
    run.run();
    std::string error;
    for (auto _ : state)
        if (!run.writeCheckpoint(error)) {
            state.SkipWithError(error.c_str());
            break;
        }
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(checkpoint.path));
}
BENCHMARK(BM_Checkpoint)->Arg(32765)->Unit(benchmark::kMillisecond);

// Cells with no selection: the "least fit" is simply the species after the
// last one chosen, so a generation costs its draws and its bookkeeping only.
class UnselectedCells {
public:
    explicit UnselectedCells(int species) : values_(static_cast<std::size_t>(species)) {}

    float value(int i) const { return values_[static_cast<std::size_t>(i)]; }
    void set(int i, float v) { values_[static_cast<std::size_t>(i)] = v; }
    void set(const int* at, const float* v, int count)
    {
        for (int i = 0; i < count; ++i)
            set(at[i], v[i]);
    }
    template <class Next>
    void fill(Next&& next)
    {
        for (float& v : values_)
            v = next();
    }
    int firstMinimum()
    {
        next_ = next_ + 1 == static_cast<int>(values_.size()) ? 0 : next_ + 1;
        return next_;
    }

private:
    std::vector<float> values_;
    int next_ = 0;
};

// The torrel records as a run writes them.
class RecordWriter final : public TorrelSink {
public:
    explicit RecordWriter(OutputFile& out) : out_(out) {}
    void torrel(const Torrel& t) override
    {
        out_.row().add(t.generation).add15(t.threshold).add(t.size).end();
    }

private:
    OutputFile& out_;
};

// The floor: the run loop of BatchRun (a stop test per generation, the clock
// every 1024) around a ring whose cells select nothing.
void BM_BatchFloor(benchmark::State& state)
{
    const TempPath file;
    if (file.path.empty()) {
        state.SkipWithError("cannot create a temporary file");
        return;
    }
    const auto species = static_cast<int>(state.range(0));
    const std::uint64_t generations = batchRunGenerations(state.range(0));
    const volatile std::sig_atomic_t noStop = 0;
    std::uint64_t seed = 1;
    for (auto _ : state) {
        OutputFile out = OutputFile::create(file.path);
        out.write("generation,threshold,size\n");
        RecordWriter writer(out);
        CountedRandom random(seed++);
        Ring<CountedRandom, UnselectedCells> ring(species, Rule::ThreeSite, random, writer);
        ring.begin();
        for (std::uint64_t g = 0; g < generations && noStop == 0; g += 1024) {
            for (std::uint64_t k = g; k < g + 1024 && k < generations && noStop == 0; ++k)
                ring.step();
            benchmark::DoNotOptimize(steadySeconds());
        }
        out.flush();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(generations));
}
BENCHMARK(BM_BatchFloor)
    ->ArgsProduct({{std::begin(kCounts), std::end(kCounts)}})
    ->Unit(benchmark::kMillisecond);

}  // namespace

}  // namespace quillmar::bench
