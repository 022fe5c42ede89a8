#pragma once

#include <array>
#include <csignal>
#include <cstdint>
#include <functional>

#include "batch_options.h"
#include "memory_form.h"
#include "output_file.h"
#include "random_source.h"
#include "simulation.h"
#include "size_histogram.h"

namespace quillmar::batch {

class ProgressLine;

// A reseed clock that counts 1, 2, 3, ...: with it every reseed of a
// ClockMixedRandom depends on its initial state and the count alone.
ClockMixedRandom::Clock reseedCounter();

// One run of the window's engine from Begin, streaming its torrels to the
// requested outputs as they complete.
class BatchRun final : private MemoryForm::LogSink {
public:
    using Outputs = std::array<OutputFile*, kOutputCount>;  // null: not requested
    using Clock = std::function<double()>;                  // monotonic seconds

    enum class End { Completed, Signal, ClosedPipe, WriteError };
    struct Result {
        End end = End::Completed;
        int signal = 0;                      // for End::Signal
        const OutputFile* failed = nullptr;  // for End::ClosedPipe and End::WriteError
        std::uint64_t generations = 0;       // generations run
    };

    // `seed` is only reported: `random` is the generator it seeded. The run
    // stops after the generation in which *stop becomes non-zero (a signal
    // number). `progress` may be null.
    BatchRun(const BatchOptions& options, std::uint64_t seed, RandomSource& random, Outputs outputs,
             Clock clock, ProgressLine* progress, const volatile std::sig_atomic_t* stop);

    // Runs, then writes everything computed: what the torrel records, log and
    // threshold outputs still hold, the distribution and the summary. After a
    // failed write the other outputs still get theirs.
    Result run();

private:
    void logLine(std::string_view line) override;
    void writeHeaders();
    void writeThresholdRow();
    void tick(double now);
    bool flushData();
    void writeSummary(const Result& r, double seconds);
    OutputFile* out(Output o) const { return outputs_[static_cast<std::size_t>(o)]; }
    const OutputFile* firstFailure() const;

    const BatchOptions& options_;
    std::uint64_t seed_;
    Outputs outputs_;
    Clock clock_;
    ProgressLine* progress_;
    const volatile std::sig_atomic_t* stop_;

    MemoryForm form_;
    Simulation sim_;
    SizeHistogram sizes_;
    std::uint64_t done_ = 0;  // generations completed, or the one in progress while it runs
    bool writeFailed_ = false;
    double start_ = 0, lastTick_ = 0;
};

}  // namespace quillmar::batch
