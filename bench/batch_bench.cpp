// Whole seeded runs of quillmar-batch from Begin, the crossing-heavy start
// included, with every torrel record formatted and written to a file through
// the program's own writer. Items are generations.

#include "batch_bench.h"

#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>

#include "batch_options.h"
#include "batch_run.h"
#include "output_file.h"

namespace quillmar::bench {

std::uint64_t batchRunGenerations(std::int64_t species)
{
    // About a tenth of a second per run on a 2020s core at either count.
    return species <= 1000 ? 1'000'000 : 100'000;
}

namespace {

using quillmar::batch::BatchOptions;
using quillmar::batch::BatchRun;
using quillmar::batch::Output;
using quillmar::batch::OutputFile;

void BM_BatchRun(benchmark::State& state)
{
    std::string path = (std::filesystem::temp_directory_path() / "quillmar-batch-bench-XXXXXX").string();
    const int fd = ::mkstemp(path.data());
    if (fd < 0) {
        state.SkipWithError("cannot create a temporary file");
        return;
    }
    ::close(fd);

    BatchOptions options;
    options.species = static_cast<int>(state.range(0));
    options.generations = batchRunGenerations(state.range(0));
    const volatile std::sig_atomic_t noStop = 0;
    // The program's own clock: it is read every 1024 generations for
    // progress and flushing.
    const auto clock = [] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    };
    std::uint64_t seed = 1;
    for (auto _ : state) {
        OutputFile file = OutputFile::create(path);
        BatchRun::Outputs outputs{};
        outputs[static_cast<std::size_t>(Output::Torrels)] = &file;
        ClockMixedRandom random(quillmar::batch::reseedCounter(), seed);
        BatchRun run(options, seed++, random, outputs, clock, nullptr, &noStop);
        if (run.run().end != BatchRun::End::Completed) {
            state.SkipWithError("the run did not complete");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(options.generations));
    // The last run's torrel records: the writing the figure includes.
    state.counters["csv_bytes"] = static_cast<double>(std::filesystem::file_size(path));
    std::filesystem::remove(path);
}
BENCHMARK(BM_BatchRun)->Arg(50)->Arg(32765)->Unit(benchmark::kMillisecond);

}  // namespace

}  // namespace quillmar::bench
