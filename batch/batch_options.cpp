#include "batch_options.h"

#include <charconv>
#include <string>

#include "simulation.h"

namespace quillmar::batch {

namespace {

constexpr std::string_view kOutputOptions[kOutputCount] = {"--torrels", "--log", "--threshold",
                                                           "--distribution", "--summary"};

// A whole number in plain decimal digits from `min` to `max`, or nothing.
std::optional<std::uint64_t> wholeNumber(std::string_view text, std::uint64_t min, std::uint64_t max)
{
    std::uint64_t n = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, n);
    if (text.empty() || text[0] < '0' || text[0] > '9' || ec != std::errc() || ptr != end || n < min ||
        n > max)
        return std::nullopt;
    return n;
}

std::string quoted(std::string_view s)
{
    return "'" + std::string(s) + "'";
}

enum class Kind { Flag, Number, RuleName, File };

struct KnownOption {
    std::string_view name;
    Kind kind;
    std::uint64_t min = 0, max = 0;  // for numbers
};

constexpr KnownOption kKnownOptions[] = {
    {"--help", Kind::Flag},
    {"--version", Kind::Flag},
    {"--quiet", Kind::Flag},
    {"--species", Kind::Number, kMinSpecies, kMaxSpecies},
    {"--generations", Kind::Number, 1, kMaxGenerations},
    {"--seed", Kind::Number, 0, kMaxSeed},
    {"--every", Kind::Number, 1, kMaxGenerations},
    {"--rule", Kind::RuleName},
    {"--torrels", Kind::File},
    {"--log", Kind::File},
    {"--threshold", Kind::File},
    {"--distribution", Kind::File},
    {"--summary", Kind::File},
};

// What an option's value must be, as the messages say it.
std::string accepts(const KnownOption& s)
{
    switch (s.kind) {
        case Kind::Number:
            return "a whole number from " + std::to_string(s.min) + " to " + std::to_string(s.max);
        case Kind::RuleName:
            return "three-site or single-site";
        case Kind::File:
            return "a file name, or - for standard output";
        case Kind::Flag:
            break;
    }
    return "no value";
}

const KnownOption* knownOption(std::string_view name)
{
    for (const KnownOption& s : kKnownOptions)
        if (s.name == name)
            return &s;
    return nullptr;
}

CommandLine badUsage(std::string message)
{
    CommandLine c;
    c.action = CommandLine::Action::BadUsage;
    c.error = std::move(message);
    return c;
}

}  // namespace

std::string_view ruleName(Rule rule)
{
    return rule == Rule::SingleSite ? "single-site" : "three-site";
}

std::string_view optionOf(Output output)
{
    return kOutputOptions[static_cast<int>(output)];
}

CommandLine parseCommandLine(std::span<const std::string_view> args)
{
    CommandLine result;
    BatchOptions& o = result.options;
    bool haveGenerations = false, haveEvery = false;

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "--") {
            if (i + 1 < args.size())
                return badUsage("unexpected argument " + quoted(args[i + 1]) + " (see --help)");
            break;
        }
        if (!arg.starts_with("-") || arg == "-")
            return badUsage("unexpected argument " + quoted(arg) + " (see --help)");

        const auto eq = arg.find('=');
        const std::string_view name = arg.substr(0, eq);
        const KnownOption* option = knownOption(name);
        if (!option)
            return badUsage("unknown option " + quoted(name) + " (see --help)");

        if (option->kind == Kind::Flag) {
            if (eq != std::string_view::npos)
                return badUsage(std::string(name) + " takes no value");
            if (name == "--help") {
                result.action = CommandLine::Action::Help;
                return result;
            }
            if (name == "--version") {
                result.action = CommandLine::Action::Version;
                return result;
            }
            o.quiet = true;
            continue;
        }

        std::string_view value;
        if (eq != std::string_view::npos)
            value = arg.substr(eq + 1);
        else if (i + 1 < args.size())
            value = args[++i];
        else
            return badUsage(std::string(name) + " needs a value: " + accepts(*option));
        const std::string bad = std::string(name) + " must be " + accepts(*option) + ", not " + quoted(value);

        switch (option->kind) {
            case Kind::Number: {
                const auto n = wholeNumber(value, option->min, option->max);
                if (!n)
                    return badUsage(bad);
                if (name == "--species") {
                    o.species = static_cast<int>(*n);
                } else if (name == "--generations") {
                    o.generations = *n;
                    haveGenerations = true;
                } else if (name == "--seed") {
                    o.seed = *n;
                } else {
                    o.every = *n;
                    haveEvery = true;
                }
                break;
            }
            case Kind::RuleName:
                if (value == ruleName(Rule::ThreeSite))
                    o.rule = Rule::ThreeSite;
                else if (value == ruleName(Rule::SingleSite))
                    o.rule = Rule::SingleSite;
                else
                    return badUsage(bad);
                break;
            case Kind::File:
                if (value.empty())
                    return badUsage(bad);
                for (int k = 0; k < kOutputCount; ++k)
                    if (kOutputOptions[k] == name)
                        o.outputs[static_cast<std::size_t>(k)] = std::string(value);
                break;
            case Kind::Flag:
                break;
        }
    }

    if (!haveGenerations)
        return badUsage("--generations is required: " + accepts(*knownOption("--generations")));
    if (haveEvery && !o.output(Output::Threshold))
        return badUsage("--every sets the step of --threshold, which is not given");

    bool anyOutput = false;
    for (const auto& f : o.outputs)
        anyOutput = anyOutput || f.has_value();
    if (!anyOutput)
        o.outputs[static_cast<std::size_t>(Output::Torrels)] = "-";

    // Two outputs in one stream would interleave into a file no reader can
    // use. Files are compared where they can be looked at, when the run opens them.
    for (int a = 0; a < kOutputCount; ++a)
        for (int b = a + 1; b < kOutputCount; ++b) {
            const auto &fa = o.outputs[static_cast<std::size_t>(a)],
                       &fb = o.outputs[static_cast<std::size_t>(b)];
            if (fa && fb && *fa == "-" && *fb == "-")
                return badUsage(std::string(kOutputOptions[a]) + " and " + std::string(kOutputOptions[b]) +
                                " both ask for standard output; at most one output may be -");
        }
    return result;
}

std::string helpText()
{
    return R"(Usage: quillmar-batch --generations N [OPTION]...
Run the co-evolution model on a ring of species without the window: the same
generation step, torrels and log, for long runs, many seeds and analysis.

Run:
      --generations N      run N generations (required; 1 to 10^15)
      --species N          species on the ring (1 to 32765; default 50)
      --rule RULE          three-site (default): the least-fit species and its
                             two neighbours get fresh fitness; single-site:
                             only the least-fit (the window's "Remove Rule 2")
      --seed N             the generator's initial state (0 to 2^53 - 1);
                             the same seed, species, rule and generations give
                             the same data, byte for byte; without it a seed
                             is taken from the clock and shown on stderr
      --quiet              no seed message and no progress line

Outputs (FILE, or - for standard output; at most one output may be -; with
none of them the torrel records go to standard output):
      --torrels FILE       torrel records, CSV: generation,threshold,size
      --log FILE           the window's log lines: threshold, two tabs, size,
                             CR LF
      --threshold FILE     the threshold, CSV: generation,threshold, a row
                             after every K generations
      --every K            the step K of --threshold (default 1000)
      --distribution FILE  log-binned torrel sizes, CSV:
                             size_min,size_max,count,density
      --summary FILE       the run's summary, JSON

      --help               display this help and exit
      --version            output version information and exit

Values may also be given as --option=VALUE. Standard error shows a progress
line when it is a terminal. SIGINT, SIGTERM or SIGHUP ends the run after the
current generation, writes everything computed so far and then ends the
program by that signal. A closed pipe ends the run quietly, by SIGPIPE.

Exit status: 0 done; 1 a file could not be opened, written or closed, or out
of memory; 2 bad usage. In the shell, ended by a signal: 130 SIGINT, 143
SIGTERM, 129 SIGHUP, 141 a closed pipe. See quillmar-batch(1).
)";
}

}  // namespace quillmar::batch
