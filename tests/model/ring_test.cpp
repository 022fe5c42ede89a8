// The batch's engine against the window's: the same draws give the same
// least-fit species, thresholds, torrels and fitness values, generation by
// generation, at ring sizes around the tree's boundaries; and over long
// seeded runs on a large ring its statistics are those of a plain
// implementation of the model.

#include "ring.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "numtext.h"
#include "plain_model.h"
#include "recording_form.h"
#include "scripted_random.h"
#include "silent_form.h"
#include "simulation.h"
#include "test_helpers.h"

namespace quillmar {
namespace {

// Uniform numbers from seven values, the two lowest rare, so that many
// species share the minimum and yet the minimum moves up now and then.
std::vector<float> sevenValues(unsigned seed)
{
    std::mt19937 gen(seed);
    std::vector<float> v(9973);
    for (float& f : v) {
        const unsigned r = gen() % 100;
        f = static_cast<float>(r < 4 ? 1 : r < 12 ? 2 : 3 + r % 5) / 8.0f;
    }
    return v;
}

struct LogLines final : TorrelSink {
    void torrel(const Torrel& t) override { text += logLine(t.threshold, static_cast<double>(t.size)); }
    std::string text;
};

using Case = std::tuple<int, bool>;  // species, single-site

class RingLockStep : public ::testing::TestWithParam<Case> {};

TEST_P(RingLockStep, SelectsCountsAndMutatesAsTheWindowsScan)
{
    const auto [num, singleSite] = GetParam();
    const int generations = num > 1000 ? 2000 : 20000;
    const std::vector<float> script = sevenValues(static_cast<unsigned>(num * 2 + singleSite));

    testing::RecordingForm form;
    testing::makeSilent(form, num);
    form.setCheck(CheckBox::chkRule2, singleSite ? 1 : 0);
    testing::ScriptedRandom windowRandom(script);
    Simulation sim(form, windowRandom);
    sim.beginInit();

    testing::ScriptedRandom ringRandom(script);
    LogLines log;
    Ring<RandomSource> ring(num, singleSite ? Rule::SingleSite : Rule::ThreeSite, ringRandom, log);
    ring.begin();
    const RingState& s = ring.state();

    int ties = 0;
    for (int g = 1; g <= generations; ++g) {
        const auto values = ring.cells().values();
        ties += std::count(values.begin(), values.end(), *std::min_element(values.begin(), values.end())) > 1;
        sim.try_(sim.x, sim.xpos, sim.xposold, sim.a, sim.num);
        ring.step();
        ASSERT_EQ(s.xpos, sim.xpos.toInt()) << "generation " << g;
        ASSERT_EQ(s.minimum, sim.x.toDouble()) << "generation " << g;
        ASSERT_EQ(s.lowval, sim.lowval) << "generation " << g;
        ASSERT_EQ(static_cast<double>(s.cursize), sim.cursize) << "generation " << g;
        if (g % 97 == 0 || g == generations) {
            ASSERT_TRUE(std::equal(values.begin(), values.end(), sim.a.data())) << "generation " << g;
        }
    }
    EXPECT_EQ(s.generation, static_cast<std::uint64_t>(generations));
    EXPECT_EQ(static_cast<double>(s.torrels), sim.numtorrels.toDouble());
    EXPECT_EQ(log.text, form[TextBox::txtOutput]);
    EXPECT_GT(s.torrels, 1u) << "the source should let the threshold move";
    if (num > 1) {
        EXPECT_GT(ties, generations / 10) << "the source should make ties frequent";
    }
}

INSTANTIATE_TEST_SUITE_P(TreeBoundaries, RingLockStep,
                         ::testing::Combine(::testing::Values(1, 2, 3, 15, 16, 17, 255, 256, 257, 4095, 4096,
                                                              4097, 32765),
                                            ::testing::Bool()),
                         [](const auto& info) {
                             return std::to_string(std::get<0>(info.param)) +
                                    (std::get<1>(info.param) ? "_SingleSite" : "_ThreeSite");
                         });

// The threshold and the number of torrels at the end of a run.
struct Outcome {
    double threshold = 0;
    double torrels = 0;
};

Outcome plainRun(int n, bool singleSite, int generations, unsigned seed)
{
    testing::PlainModel model(n, singleSite, seed);
    Outcome out;
    for (int g = 0; g < generations; ++g) {
        if (const float minimum = model.step(); minimum > out.threshold) {
            out.threshold = minimum;
            ++out.torrels;
        }
    }
    return out;
}

struct Counter final : TorrelSink {
    void torrel(const Torrel&) override {}
};

Outcome ringRun(int n, bool singleSite, int generations, std::uint64_t seed)
{
    CountedRandom random(seed);
    Counter sink;
    Ring<CountedRandom> ring(n, singleSite ? Rule::SingleSite : Rule::ThreeSite, random, sink);
    ring.begin();
    for (int g = 0; g < generations; ++g)
        ring.step();
    return {ring.state().lowval, static_cast<double>(ring.state().torrels)};
}

TEST(RingStatistics, MatchAPlainImplementationAt100000Species)
{
    constexpr int kSpecies = 100'000, kGenerations = 100'000, kSeeds = 12;
    for (const bool singleSite : {false, true}) {
        std::vector<double> ringThreshold, ringTorrels, plainThreshold, plainTorrels;
        for (int seed = 1; seed <= kSeeds; ++seed) {
            const Outcome r = ringRun(kSpecies, singleSite, kGenerations, static_cast<std::uint64_t>(seed));
            const Outcome p = plainRun(kSpecies, singleSite, kGenerations, static_cast<unsigned>(seed));
            ringThreshold.push_back(r.threshold);
            ringTorrels.push_back(r.torrels);
            plainThreshold.push_back(p.threshold);
            plainTorrels.push_back(p.torrels);
        }
        for (const auto& [name, a, b] : {std::tuple{"threshold", ringThreshold, plainThreshold},
                                         std::tuple{"torrels", ringTorrels, plainTorrels}}) {
            const auto [ma, ea] = testing::meanAndError(a);
            const auto [mb, eb] = testing::meanAndError(b);
            EXPECT_LT(std::abs(ma - mb), 5 * std::hypot(ea, eb))
                << name << (singleSite ? ", single-site: " : ", three-site: ") << ma << " +- " << ea
                << " against " << mb << " +- " << eb;
        }
    }
}

}  // namespace
}  // namespace quillmar
