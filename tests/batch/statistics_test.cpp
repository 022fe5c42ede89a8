// What a run counts after its burn-in: identities that hold exactly in every
// run, under both rules, and the mean f0-avalanche size against a plain
// implementation of the model.

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "batch_run.h"
#include "plain_model.h"
#include "temp_file.h"
#include "test_helpers.h"

namespace quillmar::batch {
namespace {

using Rows = std::vector<std::vector<std::string>>;

// The rows of a CSV text after its header.
Rows rowsOf(const std::string& csv)
{
    Rows rows;
    std::istringstream in(csv);
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
        std::vector<std::string> fields;
        std::istringstream f(line);
        for (std::string field; std::getline(f, field, ',');)
            fields.push_back(field);
        rows.push_back(fields);
    }
    return rows;
}

// Every value of a summary's key, in order ("open_size" once per threshold).
std::vector<std::string> valuesOf(const std::string& json, const std::string& key)
{
    std::vector<std::string> values;
    const std::regex member("\"" + key + "\": ([^,\n]+)");
    for (auto m = std::sregex_iterator(json.begin(), json.end(), member); m != std::sregex_iterator(); ++m)
        values.push_back((*m)[1]);
    return values;
}

std::uint64_t sumOf(const Rows& rows, std::size_t column)
{
    std::uint64_t sum = 0;
    for (const auto& r : rows)
        sum += std::stoull(r.at(column));
    return sum;
}

BatchRun::Result run(const BatchOptions& options, const BatchRun::Outputs& outputs)
{
    const volatile std::sig_atomic_t noStop = 0;
    BatchRun batch(
        options, 11, outputs, [] { return 0.0; }, nullptr, &noStop);
    return batch.run();
}

constexpr Output kStatistics[] = {Output::AvalancheSizes, Output::Minima, Output::Fitness, Output::Jumps};

TEST(Statistics, IdentitiesHoldExactly)
{
    const std::vector<double> thresholds = {0, 3.5, 6.67, 9.99999999};
    const struct {
        int species;
        Rule rule;
        std::uint64_t generations, burnIn;
    } rows[] = {
        {1, Rule::ThreeSite, 5000, 0},         {2, Rule::SingleSite, 5000, 100},
        {3, Rule::ThreeSite, 5000, 4999},      {50, Rule::ThreeSite, 200000, 50000},
        {50, Rule::SingleSite, 200000, 0},     {1000, Rule::ThreeSite, 100000, 99999},
        {300, Rule::SingleSite, 20000, 20000},  // nothing counted
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.species) + " species, burn-in " + std::to_string(row.burnIn));
        BatchOptions options;
        options.species = row.species;
        options.rule = row.rule;
        options.generations = row.generations;
        options.burnIn = row.burnIn;
        options.avalanches = thresholds;
        test::RunFiles files;
        ASSERT_EQ(run(options, files.outputs).end, BatchRun::End::Completed);
        const std::uint64_t counted = row.generations - row.burnIn;
        const std::string summary = files.text(Output::Summary);
        EXPECT_EQ(valuesOf(summary, "counted_generations"), std::vector{std::to_string(counted)});

        // Every generation counted lies in exactly one avalanche, for every f0.
        std::map<std::string, Rows> byThreshold;
        for (const auto& r : rowsOf(files.text(Output::AvalancheSizes)))
            byThreshold[r.at(0)].push_back(r);
        const std::vector<std::string> open = valuesOf(summary, "open_size");
        ASSERT_EQ(open.size(), thresholds.size());
        const std::vector<std::string> names = {"0", "3.5", "6.67", "9.99999999"};
        for (std::size_t k = 0; k < names.size(); ++k) {
            std::uint64_t generations = std::stoull(open[k]);
            for (const auto& r : byThreshold[names[k]])
                generations += std::stoull(r.at(1)) * std::stoull(r.at(2));
            EXPECT_EQ(generations, counted) << "f0 " << names[k];
        }
        // f0 = 0: every generation ends an avalanche of size 1.
        for (const auto& r : byThreshold["0"])
            EXPECT_EQ(r.at(1), "1");
        // Above every fitness: one avalanche, open, as long as the count.
        EXPECT_TRUE(byThreshold["9.99999999"].empty());
        EXPECT_EQ(open.back(), std::to_string(counted));

        EXPECT_EQ(sumOf(rowsOf(files.text(Output::Minima)), 2), counted);
        const std::uint64_t snapshots = counted / static_cast<std::uint64_t>(row.species);
        EXPECT_EQ(valuesOf(summary, "snapshots"), std::vector{std::to_string(snapshots)});
        EXPECT_EQ(sumOf(rowsOf(files.text(Output::Fitness)), 2), snapshots * row.species);
        EXPECT_EQ(sumOf(rowsOf(files.text(Output::Jumps)), 2), counted == 0 ? 0 : counted - 1);

        // Without the statistics every other output is as it was, byte for byte.
        test::RunFiles plain;
        for (const Output k : kStatistics)
            plain.outputs[static_cast<std::size_t>(k)] = nullptr;
        options.avalanches.clear();
        options.burnIn = 0;
        ASSERT_EQ(run(options, plain.outputs).end, BatchRun::End::Completed);
        for (const Output k : {Output::Torrels, Output::Log, Output::Threshold, Output::Distribution})
            EXPECT_EQ(plain.text(k), files.text(k));
        const auto upToEnd = [](const std::string& s) { return s.substr(0, s.find("\"ended_by\"")); };
        EXPECT_EQ(upToEnd(plain.text(Output::Summary)), upToEnd(summary));
    }
}

// The mean size of the f0-avalanches after the burn-in, as the plain model
// gives it: the rule of the avalanches written out again.
double plainMeanAvalanche(int species, double f0, int burnIn, int generations, unsigned seed)
{
    testing::PlainModel model(species, false, seed);
    for (int g = 0; g < burnIn; ++g)
        model.step();
    std::uint64_t open = 0, completed = 0, sum = 0;
    for (int g = burnIn; g < generations; ++g) {
        if (model.step() >= f0 && open > 0) {
            sum += open;
            ++completed;
            open = 0;
        }
        ++open;
    }
    return static_cast<double>(sum) / static_cast<double>(completed);
}

TEST(Statistics, MeanAvalancheSizeMatchesAPlainImplementation)
{
    constexpr int kSpecies = 64, kBurnIn = 100'000, kGenerations = 300'000, kSeeds = 10;
    constexpr double kF0 = 5.5;
    std::vector<double> batch, plain;
    for (int seed = 1; seed <= kSeeds; ++seed) {
        BatchOptions options;
        options.species = kSpecies;
        options.generations = kGenerations;
        options.burnIn = kBurnIn;
        options.avalanches = {kF0};
        test::RunFiles files;
        const volatile std::sig_atomic_t noStop = 0;
        BatchRun r(
            options, static_cast<std::uint64_t>(seed), files.outputs, [] { return 0.0; }, nullptr, &noStop);
        ASSERT_EQ(r.run().end, BatchRun::End::Completed);
        batch.push_back(std::stod(valuesOf(files.text(Output::Summary), "mean_size").at(0)));
        plain.push_back(
            plainMeanAvalanche(kSpecies, kF0, kBurnIn, kGenerations, static_cast<unsigned>(seed)));
    }
    const auto [mb, eb] = testing::meanAndError(batch);
    const auto [mp, ep] = testing::meanAndError(plain);
    EXPECT_GT(mb, 2.0) << "f0 should give avalanches of many sizes";
    EXPECT_LT(std::abs(mb - mp), 5 * std::hypot(eb, ep))
        << mb << " +- " << eb << " against " << mp << " +- " << ep;
}

}  // namespace
}  // namespace quillmar::batch
