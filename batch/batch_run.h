#pragma once

#include <array>
#include <csignal>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "batch_options.h"
#include "output_file.h"
#include "random_source.h"
#include "ring.h"
#include "run_checkpoint.h"
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
        std::string checkpointError;         // for End::WriteError: why the checkpoint failed
        std::uint64_t generations = 0;       // generations run
    };

    // Every draw comes from CountedRandom(seed). The run stops after the
    // generation in which *stop becomes non-zero (a signal number).
    // `progress` may be null.
    BatchRun(const BatchOptions& options, std::uint64_t seed, Outputs outputs, Clock clock,
             ProgressLine* progress, const volatile std::sig_atomic_t* stop);

    // The command line, for the summary.
    void setCommandLine(std::vector<std::string> args) { commandLine_ = std::move(args); }
    // Goes on from a checkpoint instead of a Begin: its header, already
    // compared with the options, and the reader at the state behind it,
    // read here; false when the state is not one this program can have
    // written. `at` is when, for the summary's record of resumes. The
    // outputs must be cut back to the lengths the header gives before run().
    bool resumeFrom(const CheckpointHeader& header, CheckpointReader& state, std::string at);

    // Runs, then writes everything computed: what the torrel records, log and
    // threshold outputs still hold, the distribution, the statistics and the
    // summary. After a failed write the other outputs still get theirs. With
    // options.checkpoint a checkpoint is written every checkpointEvery
    // seconds and at the end, a signal's end included.
    Result run();

    // Writes a checkpoint of the run as it stands, as run() does every
    // checkpointEvery seconds; false, with the reason in `error`, on failure.
    bool writeCheckpoint(std::string& error);

private:
    template <bool Counted>
    void runUntil(std::uint64_t until);
    void torrel(const Torrel& t) override;
    void writeHeaders();
    void writeThresholdRow();
    void tick(double now);
    bool flushData();
    void writeSummary(const Result& r, double seconds);
    bool restore(std::uint64_t generation, CheckpointReader& r);
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
    double start_ = 0, lastTick_ = 0, lastCheckpoint_ = 0;
    std::uint64_t firstGeneration_ = 0;  // where this run started: 0, or a checkpoint's
    std::string checkpointError_;
    std::vector<std::string> commandLine_;
    CheckpointHeader header_;  // what the next checkpoint says of the run
    bool resumed_ = false;
};

}  // namespace quillmar::batch
