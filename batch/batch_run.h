#pragma once

#include <array>
#include <csignal>
#include <cstdint>
#include <functional>

#include "batch_options.h"
#include "output_file.h"
#include "random_source.h"
#include "ring.h"
#include "size_histogram.h"
#include "statistics.h"

namespace quillmar::batch {

class ProgressLine;

// One seeded run of the model from Begin, streaming its torrels to the
// requested outputs as they complete.
class BatchRun final : private TorrelSink {
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

    // Every draw comes from CountedRandom(seed). The run stops after the
    // generation in which *stop becomes non-zero (a signal number).
    // `progress` may be null.
    BatchRun(const BatchOptions& options, std::uint64_t seed, Outputs outputs, Clock clock,
             ProgressLine* progress, const volatile std::sig_atomic_t* stop);

    // Runs, then writes everything computed: what the torrel records, log and
    // threshold outputs still hold, the distribution and the summary. After a
    // failed write the other outputs still get theirs.
    Result run();

private:
    template <bool Counted>
    void runUntil(std::uint64_t until);
    void torrel(const Torrel& t) override;
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

    CountedRandom random_;
    Ring<CountedRandom> ring_;
    SizeHistogram sizes_;
    Statistics stats_;
    bool writeFailed_ = false;
    double start_ = 0, lastTick_ = 0;
};

}  // namespace quillmar::batch
