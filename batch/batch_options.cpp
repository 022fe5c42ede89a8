#include "batch_options.h"

#include "statistics.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <string>

namespace quillmar::batch {

namespace {

// What an option's value is, and so how it is read and what the messages
// say it must be.
enum class Kind { Flag, Number, RuleName, File, Thresholds, Path };

struct Value {
    std::uint64_t number = 0;
    Rule rule = Rule::ThreeSite;
    std::string_view text;
    std::vector<double> numbers;
};

// One option: everything the parser, the checks and --help know of it.
struct Option {
    std::string_view name;
    Kind kind = Kind::Flag;
    std::string_view value{};  // the value's name in --help ("N", "FILE")
    std::uint64_t min = 0, max = 0;
    // The --help lines; "{range}" stands for "min to max", "{default}" for
    // the default value.
    std::string_view help{};
    void (*set)(BatchOptions&, const Value&) = nullptr;
    std::uint64_t (*current)(const BatchOptions&) = nullptr;  // for {default}
    CommandLine::Action action = CommandLine::Action::Run;    // --help and --version
    std::optional<Output> output{};                           // a file option's output
    std::string_view needs{};  // another option this one is meaningless without
    bool required = false;
};

// A heading in --help, before the option of the same index in kOptions.
struct Heading {
    std::string_view before;
    std::string_view text;
};

// clang-format off
constexpr Option kOptions[] = {
    {.name = "--generations", .kind = Kind::Number, .value = "N", .min = 1, .max = kMaxGenerations,
     .help = "run N generations (required; {range})",
     .set = [](BatchOptions& o, const Value& v) { o.generations = v.number; }, .required = true},
    {.name = "--species", .kind = Kind::Number, .value = "N", .min = 1, .max = kMaxBatchSpecies,
     .help = "species on the ring ({range}; default {default})",
     .set = [](BatchOptions& o, const Value& v) { o.species = static_cast<int>(v.number); },
     .current = [](const BatchOptions& o) { return static_cast<std::uint64_t>(o.species); }},
    {.name = "--rule", .kind = Kind::RuleName, .value = "RULE",
     .help = "three-site (default): the least-fit species and its\n"
             "  two neighbours get fresh fitness; single-site:\n"
             "  only the least-fit (the window's \"Remove Rule 2\")",
     .set = [](BatchOptions& o, const Value& v) { o.rule = v.rule; }},
    {.name = "--seed", .kind = Kind::Number, .value = "N", .min = 0, .max = kMaxSeed,
     .help = "the generator's initial state ({range});\n"
             "  the same seed, species, rule and generations give\n"
             "  the same data, byte for byte; without it a seed\n"
             "  is taken from the clock and shown on stderr",
     .set = [](BatchOptions& o, const Value& v) { o.seed = v.number; }},
    {.name = "--quiet", .kind = Kind::Flag, .help = "no seed message and no progress line",
     .set = [](BatchOptions& o, const Value&) { o.quiet = true; }},
    {.name = "--torrels", .kind = Kind::File, .value = "FILE",
     .help = "torrel records, CSV: generation,threshold,size", .output = Output::Torrels},
    {.name = "--log", .kind = Kind::File, .value = "FILE",
     .help = "the window's log lines: threshold, two tabs, size,\n  CR LF", .output = Output::Log},
    {.name = "--threshold", .kind = Kind::File, .value = "FILE",
     .help = "the threshold, CSV: generation,threshold, a row\n  after every K generations",
     .output = Output::Threshold},
    {.name = "--every", .kind = Kind::Number, .value = "K", .min = 1, .max = kMaxGenerations,
     .help = "the step K of --threshold (default {default})",
     .set = [](BatchOptions& o, const Value& v) { o.every = v.number; },
     .current = [](const BatchOptions& o) { return o.every; }, .needs = "--threshold"},
    {.name = "--distribution", .kind = Kind::File, .value = "FILE",
     .help = "log-binned torrel sizes, CSV:\n  size_min,size_max,count,density", .output = Output::Distribution},
    {.name = "--summary", .kind = Kind::File, .value = "FILE", .help = "the run's summary, JSON",
     .output = Output::Summary},
    {.name = "--burn-in", .kind = Kind::Number, .value = "G0", .min = 0, .max = kMaxGenerations,
     .help = "the statistics below count from generation G0 + 1\n"
             "  (default {default}); the outputs above ignore it",
     .set = [](BatchOptions& o, const Value& v) { o.burnIn = v.number; },
     .current = [](const BatchOptions& o) { return o.burnIn; }},
    {.name = "--avalanches", .kind = Kind::Thresholds, .value = "F0,...",
     .help = "f0-avalanches at up to 16 thresholds in [0, 10): a\n"
             "  generation whose minimum is at least f0 ends one;\n"
             "  their totals go to the summary",
     .set = [](BatchOptions& o, const Value& v) { o.avalanches = v.numbers; }},
    {.name = "--avalanche-sizes", .kind = Kind::File, .value = "FILE",
     .help = "every f0-avalanche size, exact, CSV: f0,size,count", .output = Output::AvalancheSizes,
     .needs = "--avalanches"},
    {.name = "--minima", .kind = Kind::File, .value = "FILE",
     .help = "each generation's minimum in 1000 bins of 0.01, CSV:\n"
             "  fitness_min,fitness_max,count,density",
     .output = Output::Minima},
    {.name = "--fitness", .kind = Kind::File, .value = "FILE",
     .help = "every species' fitness after every K generations,\n"
             "  in the same bins and columns as --minima",
     .output = Output::Fitness},
    {.name = "--fitness-every", .kind = Kind::Number, .value = "K", .min = 1, .max = kMaxGenerations,
     .help = "the step K of --fitness (default: the species count)",
     .set = [](BatchOptions& o, const Value& v) { o.fitnessEvery = v.number; }, .needs = "--fitness"},
    {.name = "--jumps", .kind = Kind::File, .value = "FILE",
     .help = "ring distances between successive least-fit species,\n"
             "  0 then log bins, CSV: distance_min,distance_max,\n"
             "  count,density",
     .output = Output::Jumps},
    {.name = "--checkpoint", .kind = Kind::Path, .value = "FILE",
     .help = "write the run's whole state to FILE every\n"
             "  --checkpoint-every seconds, at the end and when a\n"
             "  signal ends the run; every output must be a file",
     .set = [](BatchOptions& o, const Value& v) { o.checkpoint = std::string(v.text); }},
    {.name = "--checkpoint-every", .kind = Kind::Number, .value = "SECONDS", .min = 1, .max = kMaxCheckpointEvery,
     .help = "the interval of --checkpoint (default {default})",
     .set = [](BatchOptions& o, const Value& v) { o.checkpointEvery = v.number; },
     .current = [](const BatchOptions& o) { return o.checkpointEvery; }, .needs = "--checkpoint"},
    {.name = "--resume", .kind = Kind::Path, .value = "FILE",
     .help = "continue the run of checkpoint FILE, with the same\n"
             "  options but perhaps more --generations; each output\n"
             "  is cut back to its length then and appended to",
     .set = [](BatchOptions& o, const Value& v) { o.resume = std::string(v.text); }},
    {.name = "--help", .kind = Kind::Flag, .help = "display this help and exit", .action = CommandLine::Action::Help},
    {.name = "--version", .kind = Kind::Flag, .help = "output version information and exit",
     .action = CommandLine::Action::Version},
};
// clang-format on

constexpr Heading kHeadings[] = {
    {"--generations", "Run:"},
    {"--torrels",
     "Outputs (FILE, or - for standard output; at most one output may be -; with\n"
     "none of them the torrel records go to standard output):"},
    {"--burn-in", "Statistics (after the burn-in; FILE as above):"},
    {"--checkpoint", "Long runs:"},
    {"--help", ""},
};

constexpr std::string_view kHelpStart = R"(Usage: quillmar-batch --generations N [OPTION]...
Run the co-evolution model on a ring of species without the window: the same
generation step, torrels and log, for long runs, many seeds and analysis.
)";

constexpr std::string_view kHelpEnd = R"(
Values may also be given as --option=VALUE. Standard error shows a progress
line when it is a terminal. SIGINT, SIGTERM or SIGHUP ends the run after the
current generation, writes everything computed so far and then ends the
program by that signal. A closed pipe ends the run quietly, by SIGPIPE.

Exit status: 0 done; 1 a file could not be opened, written or closed, or out
of memory; 2 bad usage. In the shell, ended by a signal: 130 SIGINT, 143
SIGTERM, 129 SIGHUP, 141 a closed pipe. See quillmar-batch(1).
)";

constexpr std::size_t kOptionCount = std::size(kOptions);

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

// Up to 16 different decimal numbers in [0, 10), separated by commas.
bool thresholds(std::string_view text, std::vector<double>& out)
{
    out.clear();
    for (std::size_t start = 0;;) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const std::string_view item = text.substr(start, comma - start);
        double f = 0;
        const char* end = item.data() + item.size();
        const auto [ptr, ec] = std::from_chars(item.data(), end, f, std::chars_format::fixed);
        if (item.empty() || ec != std::errc() || ptr != end || !(f >= 0 && f < 10) ||
            std::find(out.begin(), out.end(), f) != out.end() || out.size() == kMaxAvalancheThresholds)
            return false;
        out.push_back(f);
        if (comma == text.size())
            return true;
        start = comma + 1;
    }
}

// A bound as --help writes it: 10^15 and 2^53 - 1 rather than their digits.
std::string readable(std::uint64_t n)
{
    if (n >= 10'000) {
        int tens = 0;
        std::uint64_t m = n;
        while (m % 10 == 0) {
            m /= 10;
            ++tens;
        }
        if (m == 1)
            return "10^" + std::to_string(tens);
        if ((n & (n + 1)) == 0)
            return "2^" + std::to_string(std::bit_width(n)) + " - 1";
    }
    return std::to_string(n);
}

// What an option's value must be, as the messages say it.
std::string accepts(const Option& o)
{
    switch (o.kind) {
        case Kind::Number:
            return "a whole number from " + std::to_string(o.min) + " to " + std::to_string(o.max);
        case Kind::RuleName:
            return std::string(ruleName(Rule::ThreeSite)) + " or " + std::string(ruleName(Rule::SingleSite));
        case Kind::File:
            return "a file name, or - for standard output";
        case Kind::Path:
            return "a file name";
        case Kind::Thresholds:
            return "1 to " + std::to_string(kMaxAvalancheThresholds) +
                   " different numbers from 0 to below 10, separated by commas";
        case Kind::Flag:
            break;
    }
    return "no value";
}

const Option* optionNamed(std::string_view name)
{
    for (const Option& o : kOptions)
        if (o.name == name)
            return &o;
    return nullptr;
}

std::size_t indexOf(const Option& o)
{
    return static_cast<std::size_t>(&o - kOptions);
}

// Reads an option's value: false when it is not one the option takes.
bool read(const Option& o, std::string_view text, Value& v)
{
    v.text = text;
    switch (o.kind) {
        case Kind::Number:
            if (const auto n = wholeNumber(text, o.min, o.max)) {
                v.number = *n;
                return true;
            }
            return false;
        case Kind::RuleName:
            for (const Rule r : {Rule::ThreeSite, Rule::SingleSite})
                if (text == ruleName(r)) {
                    v.rule = r;
                    return true;
                }
            return false;
        case Kind::File:
            return !text.empty();
        case Kind::Path:
            return !text.empty() && text != "-";
        case Kind::Thresholds:
            return thresholds(text, v.numbers);
        case Kind::Flag:
            break;
    }
    return true;
}

CommandLine badUsage(std::string message)
{
    CommandLine c;
    c.action = CommandLine::Action::BadUsage;
    c.error = std::move(message);
    return c;
}

std::string replaced(std::string s, std::string_view key, const std::string& by)
{
    if (const auto at = s.find(key); at != std::string::npos)
        s.replace(at, key.size(), by);
    return s;
}

}  // namespace

std::string_view ruleName(Rule rule)
{
    return rule == Rule::SingleSite ? "single-site" : "three-site";
}

std::string_view optionOf(Output output)
{
    for (const Option& o : kOptions)
        if (o.output == output)
            return o.name;
    return {};
}

std::vector<std::string_view> optionNames()
{
    std::vector<std::string_view> names;
    for (const Option& o : kOptions)
        names.push_back(o.name);
    return names;
}

CommandLine parseCommandLine(std::span<const std::string_view> args)
{
    CommandLine result;
    BatchOptions& options = result.options;
    std::array<bool, kOptionCount> given{};

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
        const Option* option = optionNamed(name);
        if (!option)
            return badUsage("unknown option " + quoted(name) + " (see --help)");

        Value value;
        if (option->kind == Kind::Flag) {
            if (eq != std::string_view::npos)
                return badUsage(std::string(name) + " takes no value");
            if (option->action != CommandLine::Action::Run) {
                result.action = option->action;
                return result;
            }
        } else {
            std::string_view text;
            if (eq != std::string_view::npos)
                text = arg.substr(eq + 1);
            else if (i + 1 < args.size())
                text = args[++i];
            else
                return badUsage(std::string(name) + " needs a value: " + accepts(*option));
            if (!read(*option, text, value))
                return badUsage(std::string(name) + " must be " + accepts(*option) + ", not " + quoted(text));
        }
        if (option->output)
            options.outputs[static_cast<std::size_t>(*option->output)] = std::string(value.text);
        else
            option->set(options, value);
        given[indexOf(*option)] = true;
    }

    for (const Option& o : kOptions) {
        if (o.required && !given[indexOf(o)])
            return badUsage(std::string(o.name) + " is required: " + accepts(o));
        if (!o.needs.empty() && given[indexOf(o)] && !given[indexOf(*optionNamed(o.needs))])
            return badUsage(std::string(o.name) + " needs " + std::string(o.needs) + ", which is not given");
    }

    bool anyOutput = false;
    for (const auto& f : options.outputs)
        anyOutput = anyOutput || f.has_value();
    if (!anyOutput)
        options.outputs[static_cast<std::size_t>(Output::Torrels)] = "-";

    // Two outputs in one stream would interleave into a file no reader can
    // use. Files are compared where they can be looked at, when the run opens them.
    for (int a = 0; a < kOutputCount; ++a)
        for (int b = a + 1; b < kOutputCount; ++b) {
            const auto &fa = options.output(static_cast<Output>(a)),
                       &fb = options.output(static_cast<Output>(b));
            if (fa && fb && *fa == "-" && *fb == "-")
                return badUsage(std::string(optionOf(static_cast<Output>(a))) + " and " +
                                std::string(optionOf(static_cast<Output>(b))) +
                                " both ask for standard output; at most one output may be -");
        }
    return result;
}

std::string helpText()
{
    const BatchOptions defaults;
    std::string text(kHelpStart);
    for (const Option& o : kOptions) {
        for (const Heading& h : kHeadings)
            if (h.before == o.name)
                text += "\n" + std::string(h.text) + (h.text.empty() ? "" : "\n");
        // "      --species N          species on the ring ..." with the
        // description at column 27 and its later lines at column 29.
        std::string left =
            "      " + std::string(o.name) + (o.value.empty() ? "" : " ") + std::string(o.value);
        left.resize(std::max<std::size_t>(left.size() + 2, 27), ' ');
        std::string help(o.help);
        help = replaced(help, "{range}", readable(o.min) + " to " + readable(o.max));
        if (o.current)
            help = replaced(help, "{default}", readable(o.current(defaults)));
        for (std::size_t at = 0; (at = help.find("\n  ", at)) != std::string::npos; at += 30)
            help.replace(at, 3, "\n" + std::string(29, ' '));
        text += left + help + "\n";
    }
    return text + std::string(kHelpEnd);
}

}  // namespace quillmar::batch
