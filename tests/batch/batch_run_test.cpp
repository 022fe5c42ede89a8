// Whole batch runs: the files hold the window's torrels, generation by
// generation, and a run that ends early still writes everything it computed.

#include "batch_run.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "temp_file.h"
#include "window_run.h"

namespace quillmar::batch {
namespace {

using test::TempFile;

std::string fifteenDigits(double d)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.15g", d);
    return buf;
}

using Files = test::RunFiles;

class WindowTorrels : public ::testing::TestWithParam<std::tuple<int, bool>> {};

TEST_P(WindowTorrels, EveryOutputMatchesTheWindowGenerationByGeneration)
{
    const auto [species, singleSite] = GetParam();
    constexpr int kGenerations = 3000;

    // What the files must hold, from the window's texts after each generation.
    test::WindowRun window(species, singleSite, 7);
    std::string torrels = "generation,threshold,size\n", thresholds = "generation,threshold\n";
    std::size_t logged = 0, count = 0;
    for (int g = 1; g <= kGenerations; ++g) {
        window.generation(g);
        const std::string& log = window.form[TextBox::txtOutput];
        const std::string threshold = fifteenDigits(window.sim.lowval);
        if (log.size() > logged) {
            const std::string line = log.substr(logged);
            const std::string size = line.substr(line.find("\t\t") + 2, line.size() - line.find("\t\t") - 4);
            torrels += std::to_string(g) + "," + threshold + "," + size + "\n";
            logged = log.size();
            ++count;
        }
        thresholds += std::to_string(g) + "," + threshold + "\n";
    }

    BatchOptions options;
    options.species = species;
    options.rule = singleSite ? Rule::SingleSite : Rule::ThreeSite;
    options.generations = kGenerations;
    options.every = 1;
    Files files;
    const volatile std::sig_atomic_t noStop = 0;
    BatchRun run(
        options, 7, files.outputs, [] { return 0.0; }, nullptr, &noStop);
    const BatchRun::Result r = run.run();

    EXPECT_EQ(r.end, BatchRun::End::Completed);
    EXPECT_EQ(r.generations, static_cast<std::uint64_t>(kGenerations));
    EXPECT_EQ(files.text(Output::Log), window.form[TextBox::txtOutput]);
    EXPECT_EQ(files.text(Output::Torrels), torrels);
    EXPECT_EQ(files.text(Output::Threshold), thresholds);
    const std::string summary = files.text(Output::Summary);
    EXPECT_NE(summary.find("\"torrels\": " + std::to_string(count) + ","), std::string::npos) << summary;
    EXPECT_NE(summary.find("\"threshold\": " + fifteenDigits(window.sim.lowval) + ","), std::string::npos);
    EXPECT_NE(summary.find("\"interrupted\": false,"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Batch, WindowTorrels,
                         ::testing::Combine(::testing::Values(1, 2, 3, 50), ::testing::Bool()),
                         [](const auto& info) {
                             return std::to_string(std::get<0>(info.param)) + "Species" +
                                    (std::get<1>(info.param) ? "SingleSite" : "ThreeSite");
                         });

// The first field of every row after the header.
std::vector<std::string> firstColumn(const std::string& csv)
{
    std::vector<std::string> out;
    std::istringstream in(csv);
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line))
        out.push_back(line.substr(0, line.find(',')));
    return out;
}

// The clock is read at the start, every 1024 generations and at the end, and
// each reading here is a second after the last, so each one in the run flushes
// the outputs. A signal arrives at the third reading, after generation 2048,
// or at the last, after the last generation; writing to a full device fails
// at the first flush, after generation 1024.
TEST(BatchRun, AnEarlyEndWritesWhatWasComputed)
{
    const struct {
        std::uint64_t generations;
        int signalAtReading;      // 0: none
        const char* torrelsPath;  // null: a temporary file
        BatchRun::End end;
        const char* endedBy;
        std::vector<std::string> samples;  // the generations of the threshold rows, every 512
    } rows[] = {
        {1'000'000, 3, nullptr, BatchRun::End::Signal, "SIGINT", {"512", "1024", "1536", "2048"}},
        {2048, 4, nullptr, BatchRun::End::Signal, "SIGINT", {"512", "1024", "1536", "2048"}},
        {1'000'000, 0, "/dev/full", BatchRun::End::WriteError, "write error", {"512", "1024"}},
    };
    for (const auto& row : rows) {
        BatchOptions options;
        options.generations = row.generations;
        options.every = 512;
        Files files(row.torrelsPath ? std::optional<std::string>(row.torrelsPath) : std::nullopt);
        volatile std::sig_atomic_t stop = 0;
        int readings = 0;
        const auto clock = [&] {
            if (++readings == row.signalAtReading)
                stop = SIGINT;
            return static_cast<double>(readings);
        };
        BatchRun run(options, 99, files.outputs, clock, nullptr, &stop);
        const BatchRun::Result r = run.run();

        const std::string& last = row.samples.back();
        EXPECT_EQ(r.end, row.end) << row.endedBy;
        EXPECT_EQ(std::to_string(r.generations), last);
        EXPECT_EQ(firstColumn(files.text(Output::Threshold)), row.samples);
        const std::string summary = files.text(Output::Summary);
        EXPECT_NE(summary.find("\"generations\": " + last + ","), std::string::npos) << summary;
        EXPECT_NE(summary.find("\"interrupted\": true,"), std::string::npos) << summary;
        EXPECT_NE(summary.find(std::string("\"ended_by\": \"") + row.endedBy + "\""), std::string::npos)
            << summary;
        const std::string distribution = files.text(Output::Distribution);
        EXPECT_EQ(distribution.rfind("size_min,size_max,count,density\n1,1,", 0), 0u) << distribution;
        if (row.torrelsPath)
            continue;
        // Whole rows only, each of a torrel that ended by the last generation run.
        const std::string torrels = files.text(Output::Torrels);
        const std::vector<std::string> ends = firstColumn(torrels);
        ASSERT_FALSE(ends.empty());
        EXPECT_EQ(torrels.back(), '\n');
        EXPECT_LE(std::stoull(ends.back()), r.generations);
        EXPECT_NE(summary.find("\"torrels\": " + std::to_string(ends.size()) + ","), std::string::npos);
    }
}

}  // namespace
}  // namespace quillmar::batch
