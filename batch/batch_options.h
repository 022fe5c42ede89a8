#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ring.h"

namespace quillmar::batch {

using quillmar::Rule;
std::string_view ruleName(Rule rule);

// The window's ring holds at most 32765 species (its indices are 16-bit);
// the batch's indices are wider.
inline constexpr int kMaxBatchSpecies = 10'000'000;

// The outputs one run can write, each to a file or, named "-", to standard output.
enum class Output { Torrels, Log, Threshold, Distribution, Summary, AvalancheSizes, Minima, Fitness, Jumps };
inline constexpr int kOutputCount = 9;
// The option that names an output ("--torrels").
std::string_view optionOf(Output output);

// Up to 10^15 generations every torrel size and count is a whole number below
// 2^53, exact in the engine's double-precision counters.
inline constexpr std::uint64_t kMaxGenerations = 1'000'000'000'000'000;
// The largest seed every JSON reader keeps exact: 2^53 - 1.
inline constexpr std::uint64_t kMaxSeed = (std::uint64_t{1} << 53) - 1;

// The longest interval between two checkpoints: a year, in seconds.
inline constexpr std::uint64_t kMaxCheckpointEvery = 366ULL * 24 * 3600;

// What one run is asked to do. Output file names are as given; "-" is
// standard output.
struct BatchOptions {
    int species = 50;
    std::uint64_t generations = 0;
    Rule rule = Rule::ThreeSite;
    std::optional<std::uint64_t> seed;
    std::array<std::optional<std::string>, kOutputCount> outputs;
    std::uint64_t every = 1000;  // the sampling step of the threshold output
    bool quiet = false;
    // The statistics count from generation burnIn + 1 on.
    std::uint64_t burnIn = 0;
    std::vector<double> avalanches;  // the thresholds f0 of the f0-avalanches
    std::uint64_t fitnessEvery = 0;  // the step of the fitness snapshots; 0: the species count
    // Checkpoints: where, how often, and where to resume from.
    std::optional<std::string> checkpoint;
    std::uint64_t checkpointEvery = 600;  // seconds
    std::optional<std::string> resume;

    const std::optional<std::string>& output(Output o) const { return outputs[static_cast<std::size_t>(o)]; }
    bool operator==(const BatchOptions&) const = default;
};

// A parsed command line: a run, a request for help or the version, or bad
// usage with its one-line message (without the program's name).
struct CommandLine {
    enum class Action { Run, Help, Version, BadUsage };
    Action action = Action::Run;
    BatchOptions options;
    std::string error;
};

// Parses the arguments after the program's name. Options are long only, as
// "--name value" or "--name=value"; a later option overrides an earlier one,
// and "--" ends the options. --help and --version act where they stand.
CommandLine parseCommandLine(std::span<const std::string_view> args);

// The text of --help.
std::string helpText();

// The name of every option, as the command line takes it ("--species").
std::vector<std::string_view> optionNames();

}  // namespace quillmar::batch
