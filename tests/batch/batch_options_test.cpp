// The command line: good option sets with what they ask for, and bad ones
// with the one-line message that names the option and what it accepts.

#include "batch_options.h"

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace quillmar::batch {
namespace {

using Args = std::vector<std::string_view>;
using Action = CommandLine::Action;

TEST(BatchOptions, GoodCommandLines)
{
    constexpr std::optional<std::uint64_t> none;
    const struct {
        Args args;
        int species;
        std::uint64_t generations;
        Rule rule;
        std::optional<std::uint64_t> seed;
        std::uint64_t every;
        bool quiet;
        std::array<const char*, kOutputCount> outputs;  // torrels, log, threshold, distribution, summary, ...
        std::uint64_t burnIn = 0;
        std::vector<double> avalanches = {};
        std::uint64_t fitnessEvery = 0;
    } rows[] = {
        // clang-format off
        // With no output option the torrel records go to standard output.
        {{"--generations", "10"}, 50, 10, Rule::ThreeSite, none, 1000, false, {"-"}},
        {{"--generations=10", "--species=1", "--rule=single-site", "--seed=0"},
         1, 10, Rule::SingleSite, 0, 1000, false, {"-"}},
        {{"--generations", "1000000000000000", "--species", "10000000", "--seed", "9007199254740991", "--rule",
          "three-site"}, 10'000'000, 1'000'000'000'000'000, Rule::ThreeSite, 9007199254740991, 1000, false, {"-"}},
        // Any output option replaces the default; the last of a repeated option counts.
        {{"--log", "-", "--summary", "s.json", "--generations", "5", "--generations", "6"},
         50, 6, Rule::ThreeSite, none, 1000, false, {nullptr, "-", nullptr, nullptr, "s.json"}},
        {{"--generations", "5", "--threshold", "t.csv", "--every", "7", "--distribution=d.csv", "--torrels", "a"},
         50, 5, Rule::ThreeSite, none, 7, false, {"a", nullptr, "t.csv", "d.csv", nullptr}},
        {{"--quiet", "--generations", "007", "--"}, 50, 7, Rule::ThreeSite, none, 1000, true, {"-"}},
        // The statistics: their outputs replace the default too.
        {{"--generations", "9", "--avalanches", "0,6.67,9.99", "--burn-in=5", "--minima", "m", "--fitness", "f",
          "--fitness-every", "3", "--jumps", "j", "--avalanche-sizes", "a"},
         50, 9, Rule::ThreeSite, none, 1000, false,
         {nullptr, nullptr, nullptr, nullptr, nullptr, "a", "m", "f", "j"}, 5, {0, 6.67, 9.99}, 3},
        // clang-format on
    };
    for (const auto& row : rows) {
        const CommandLine c = parseCommandLine(row.args);
        ASSERT_EQ(c.action, Action::Run) << c.error;
        BatchOptions expected;
        expected.species = row.species;
        expected.generations = row.generations;
        expected.rule = row.rule;
        expected.seed = row.seed;
        expected.every = row.every;
        expected.quiet = row.quiet;
        for (std::size_t k = 0; k < kOutputCount; ++k)
            if (row.outputs[k])
                expected.outputs[k] = row.outputs[k];
        expected.burnIn = row.burnIn;
        expected.avalanches = row.avalanches;
        expected.fitnessEvery = row.fitnessEvery;
        EXPECT_TRUE(c.options == expected) << row.args.front() << " " << row.args.back();
    }
}

TEST(BatchOptions, HelpAndVersionActWhereTheyStand)
{
    const struct {
        Args args;
        Action action;
    } rows[] = {
        {{"--help"}, Action::Help},
        {{"--version", "--species", "0"}, Action::Version},
        {{"--generations", "5", "--help=x"}, Action::BadUsage},
        {{"--bogus", "--help"}, Action::BadUsage},
    };
    for (const auto& row : rows)
        EXPECT_EQ(parseCommandLine(row.args).action, row.action) << row.args.front();
}

TEST(BatchOptions, BadCommandLines)
{
    const std::string gens = "a whole number from 1 to 1000000000000000";
    const struct {
        Args args;
        std::string message;
    } rows[] = {
        {{}, "--generations is required: " + gens},
        {{"--species", "5"}, "--generations is required: " + gens},
        {{"--generations"}, "--generations needs a value: " + gens},
        {{"--generations", "0"}, "--generations must be " + gens + ", not '0'"},
        {{"--generations", "1000000000000001"}, "--generations must be " + gens + ", not '1000000000000001'"},
        {{"--generations", "99999999999999999999999"}, "not '99999999999999999999999'"},
        {{"--generations", "-5"}, "not '-5'"},
        {{"--generations", "+5"}, "not '+5'"},
        {{"--generations", "1e6"}, "not '1e6'"},
        {{"--generations", " 5"}, "not ' 5'"},
        {{"--generations="}, "not ''"},
        {{"--generations", "1", "--species", "0"},
         "--species must be a whole number from 1 to 10000000, not '0'"},
        {{"--generations", "1", "--species", "10000001"},
         "--species must be a whole number from 1 to 10000000"},
        {{"--generations", "1", "--seed", "9007199254740992"},
         "--seed must be a whole number from 0 to 9007199254740991, not '9007199254740992'"},
        {{"--generations", "1", "--rule", "both"}, "--rule must be three-site or single-site, not 'both'"},
        {{"--generations", "1", "--torrels="},
         "--torrels must be a file name, or - for standard output, not ''"},
        {{"--generations", "1", "--summary"},
         "--summary needs a value: a file name, or - for standard output"},
        {{"--generations", "1", "--every", "5"}, "--every needs --threshold, which is not given"},
        {{"--generations", "1", "--threshold", "t", "--every", "0"}, "--every must be a whole number from 1"},
        {{"--generations", "1", "--log", "-", "--summary", "-"},
         "--log and --summary both ask for standard output; at most one output may be -"},
        {{"--generations", "1", "--quiet=yes"}, "--quiet takes no value"},
        {{"--generations", "1", "--avalanches", "10"},
         "--avalanches must be 1 to 16 different numbers from 0 to below 10, separated by commas, not '10'"},
        {{"--generations", "1", "--avalanches", "6.5,6.5"}, "not '6.5,6.5'"},
        {{"--generations", "1", "--avalanches", "6,"}, "not '6,'"},
        {{"--generations", "1", "--avalanches", "-0.5"}, "not '-0.5'"},
        {{"--generations", "1", "--avalanches", "nan"}, "not 'nan'"},
        {{"--generations", "1", "--avalanches", "0,1,2,3,4,5,6,7,8,9,0.5,1.5,2.5,3.5,4.5,5.5,6.5"},
         "not '0,1,2"},
        {{"--generations", "1", "--avalanche-sizes", "a.csv"},
         "--avalanche-sizes needs --avalanches, which is not given"},
        {{"--generations", "1", "--fitness-every", "5"},
         "--fitness-every needs --fitness, which is not given"},
        {{"--generations", "1", "--burn-in", "1000000000000001"},
         "--burn-in must be a whole number from 0 to"},
        {{"--generations", "1", "--frobnicate"}, "unknown option '--frobnicate' (see --help)"},
        {{"--generations", "1", "-g"}, "unknown option '-g'"},
        {{"--generations", "1", "extra"}, "unexpected argument 'extra' (see --help)"},
        {{"--generations", "1", "-"}, "unexpected argument '-'"},
        {{"--generations", "1", "--", "--species"}, "unexpected argument '--species'"},
    };
    for (const auto& row : rows) {
        const CommandLine c = parseCommandLine(row.args);
        EXPECT_EQ(c.action, Action::BadUsage) << row.message;
        EXPECT_NE(c.error.find(row.message), std::string::npos) << c.error;
        EXPECT_EQ(c.error.find('\n'), std::string::npos) << c.error;
    }
}

std::string fileText(const char* path)
{
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Every option the parser takes is in the man page and the README, and
// --help fits a terminal of 80 columns.
TEST(BatchOptions, EveryOptionIsDocumented)
{
    const std::string man = fileText(QUILLMAR_MAN_PAGE), readme = fileText(QUILLMAR_README);
    ASSERT_FALSE(man.empty() || readme.empty());
    for (const std::string_view name : optionNames()) {
        std::string roff;  // every hyphen escaped, as the man page writes it
        for (const char c : name)
            roff += c == '-' ? std::string("\\-") : std::string(1, c);
        EXPECT_NE(man.find(roff), std::string::npos) << name << " in the man page";
        EXPECT_NE(readme.find("`" + std::string(name)), std::string::npos) << name << " in the README";
    }
    std::istringstream help(helpText());
    for (std::string line; std::getline(help, line);)
        EXPECT_LE(line.size(), 80u) << line;
}

}  // namespace
}  // namespace quillmar::batch
