// Long seeded runs: whatever the generator draws, the counters, the log and the
// fitness array stay consistent with each other.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "frozen_clock.h"
#include "numtext.h"
#include "recording_form.h"
#include "silent_form.h"
#include "simulation.h"

namespace quillmar {
namespace {

class LongRun : public ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(LongRun, CountersLogAndArrayAgree)
{
    const auto [num, rule2] = GetParam();
    constexpr int kGenerations = 100000;
    testing::RecordingForm form;
    testing::makeSilent(form, num);
    form.setCheck(CheckBox::chkRule2, rule2);
    ClockMixedRandom random(testing::frozenClock());
    Simulation sim(form, random);
    sim.beginInit();
    for (int g = 0; g < kGenerations; ++g)
        sim.try_(sim.x, sim.xpos, sim.xposold, sim.a, sim.num);

    // Parse the log: "<threshold>\t\t<size>\r\n" per completed torrel.
    std::istringstream log(form[TextBox::txtOutput]);
    std::string line;
    std::vector<double> thresholds, sizes;
    while (std::getline(log, line, '\n')) {
        ASSERT_TRUE(line.size() > 3 && line.back() == '\r') << line;
        const auto tabs = line.find("\t\t");
        ASSERT_NE(tabs, std::string::npos) << line;
        thresholds.push_back(leadingNumber(line.substr(0, tabs)));
        sizes.push_back(leadingNumber(line.substr(tabs + 2)));
    }
    ASSERT_FALSE(sizes.empty());
    EXPECT_EQ(sizes.front(), 1.0);  // the first generation of a run crosses
    double logged = 0;
    for (double s : sizes)
        logged += s;
    EXPECT_EQ(logged + sim.cursize - 1, leadingNumber(form[TextBox::txtTotIter]));
    EXPECT_EQ(form[TextBox::txtTotIter], spacedForm(kGenerations));
    EXPECT_EQ(static_cast<double>(sizes.size()), leadingNumber(form[TextBox::txtNumAv]));
    EXPECT_EQ(sim.numtorrels.toDouble(), static_cast<double>(sizes.size()));
    EXPECT_EQ(*std::max_element(sizes.begin(), sizes.end()), leadingNumber(form[TextBox::txtLargest]));
    EXPECT_EQ(form[TextBox::txtSize], plainForm(sizes.back()));
    EXPECT_TRUE(std::adjacent_find(thresholds.begin(), thresholds.end(), std::greater_equal<>()) ==
                thresholds.end())
        << "thresholds must strictly increase";
    EXPECT_EQ(form[TextBox::txtLowval], spacedForm(sim.lowval));
    EXPECT_EQ(plainForm(sim.lowval), plainForm(thresholds.back()));

    ASSERT_EQ(sim.a.size(), num);
    for (int i = 0; i < num; ++i) {
        const float f = sim.a.value(Int16::checked(i));
        ASSERT_FALSE(sim.a.isEmpty(Int16::checked(i)));
        ASSERT_GE(f, 0.0f);
        ASSERT_LT(f, 10.0f);
    }
    EXPECT_GT(sim.lowval, 0.0);
    EXPECT_LT(sim.lowval, 10.0);
}

INSTANTIATE_TEST_SUITE_P(Generation, LongRun,
                         ::testing::Combine(::testing::Values(1, 2, 3, 50, 1000), ::testing::Values(0, 1)),
                         [](const auto& info) {
                             return std::to_string(std::get<0>(info.param)) + "Species" +
                                    (std::get<1>(info.param) ? "SingleSite" : "ThreeSite");
                         });

}  // namespace
}  // namespace quillmar
