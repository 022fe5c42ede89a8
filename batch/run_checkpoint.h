#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "batch_options.h"
#include "checkpoint.h"

namespace quillmar::batch {

// What a checkpoint says of the run that wrote it, ahead of its state: read
// and compared with the command line before anything is touched.
struct CheckpointHeader {
    static constexpr std::uint64_t kNoOutput = ~std::uint64_t{0};

    std::string version;
    // The options that shape the data.
    int species = 0;
    Rule rule = Rule::ThreeSite;
    std::uint64_t seed = 0;
    std::uint64_t every = 0;
    std::uint64_t burnIn = 0;
    std::vector<double> avalanches;
    std::uint64_t fitnessEvery = 0;
    // The generations run, and the bytes each output held then (kNoOutput
    // for one not written).
    std::uint64_t generation = 0;
    std::array<std::uint64_t, kOutputCount> lengths{};
    // The run's earlier resumes: the generation each started from, and when.
    struct Resume {
        std::uint64_t generation = 0;
        std::string at;
    };
    std::vector<Resume> resumes;

    void write(CheckpointWriter& w) const;
    // Reads a header; check the reader's ok() before trusting it.
    static CheckpointHeader read(CheckpointReader& r);

    // The header of a run of `options` from `seed`, at its start.
    static CheckpointHeader of(const BatchOptions& options, std::uint64_t seed);
};

// The one line that says why a run of `options` cannot continue the run of
// checkpoint `name`, or nothing when it can.
std::optional<std::string> resumeRefusal(const CheckpointHeader& checkpoint, const BatchOptions& options,
                                         const std::string& name);

}  // namespace quillmar::batch
