// The run controller: the caption state machine of Command1, the main loop and
// its stop tests, step mode, Reset and nested runs started inside the yield.

#include "run_controller.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "controller_rig.h"
#include "numtext.h"
#include "test_helpers.h"

namespace quillmar {
namespace {

using testing::Act;
using testing::Closing;
using testing::PlotCall;
using testing::Rig;
using Captions = std::vector<std::string>;
using TB = TextBox;

TEST(RunController, DefaultTextsRunOneGeneration)
{
    Rig r;
    r.ctl.Command1_Click();
    EXPECT_EQ(r.form[TB::txtTotIter], " 1");
    EXPECT_EQ(r.form.captions, (Captions{"&Pause", "&Resume"}));
    EXPECT_TRUE(r.form.stepEnabled);
    EXPECT_FALSE(r.sim.running.isTrue());
    EXPECT_EQ(r.yields, 1);
    EXPECT_EQ(r.maxDepth, 1);
    EXPECT_EQ(r.ctl.depth(), 0);
    EXPECT_EQ(r.form[TB::txtIterate], "1");
    EXPECT_EQ(r.sim.a.size(), 50);
    // The pass ends by drawing the threshold line in the foreground colour.
    const auto y = static_cast<float>(r.sim.lowval);
    EXPECT_GT(y, 0.0f);
    EXPECT_EQ(r.form.plotSurface.calls.back(), (PlotCall{PlotCall::Kind::Line, -1, y, 52, y, std::nullopt}));
}

TEST(RunController, CaptionTransitions)
{
    const struct {
        const char *caption, *target;
        int step, generations;
        Captions captions;
        long scaleCalls;  // 1: the press began a new population
    } rows[] = {
        // clang-format off
        {"&Begin", "3", 0, 2, {"&Pause", "&Resume"}, 1},  // Begin keeps the total
        {"&Begin", "3", 1, 1, {"&Pause"}, 1},
        {"&Pause", "3", 0, 0, {"&Resume"}, 0},
        {"&Pause", "3", 1, 0, {"&Resume"}, 0},
        {"&Resume", "4", 0, 3, {"&Pause", "&Resume"}, 0},
        {"&Step", "4", 0, 3, {"&Pause", "&Resume"}, 0},
        {"&Resume", "4", 1, 1, {"&Step"}, 0},
        {"&Step", "4", 1, 1, {"&Step"}, 0},
        {"&Step", "2", 1, 1, {"&Step", "&Resume"}, 0},
        {"&Resume", "4", 2, 3, {"&Pause", "&Resume"}, 0},  // only the value 1 is ticked
        {"&begin", "3", 0, 2, {"&Pause", "&Resume"}, 0},   // captions compare exactly
        {"Begin", "3", 1, 1, {"&Step"}, 0},
        // clang-format on
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.caption << " step " << row.step << " target " << row.target);
        Rig r;
        r.ctl.Command1_Click();
        r.reset();
        r.form.captionText = row.caption;
        r.form.setCheck(CheckBox::chkStep, row.step);
        r.form[TB::txtGenerations] = row.target;
        r.form.stepEnabled = false;  // every press enables step mode's box
        r.ctl.Command1_Click();
        EXPECT_TRUE(r.form.stepEnabled);
        EXPECT_EQ(r.total(), 1 + row.generations);
        EXPECT_EQ(r.yields, row.generations);
        EXPECT_EQ(r.form.captions, row.captions);
        EXPECT_EQ(r.scaleCalls(), row.scaleCalls);
        EXPECT_FALSE(r.sim.running.isTrue());
        EXPECT_EQ(r.ctl.depth(), 0);
    }
}

TEST(RunController, StepCheckBoxSetsCaptionOnlyAndResetRestarts)
{
    for (const char* caption : {"&Begin", "&Pause", "&Resume", "&Step"}) {
        for (int value : {1, 0, 2}) {
            Rig r;
            r.form.captionText = caption;
            r.sim.running = true;
            r.tick(value);
            EXPECT_EQ(r.form.captions, (Captions{value == 1 ? "&Step" : "&Resume"})) << caption << value;
            EXPECT_TRUE(r.sim.running.isTrue());
            EXPECT_EQ(r.yields, 0);
        }
        Rig r;
        r.ctl.Command1_Click();
        r.reset();
        r.form.captionText = caption;
        r.form[TB::txtGenerations] = "2";
        r.form[TB::txtLargest] = " 999";  // carries over into the new run
        r.form.writes.clear();
        r.ctl.cmdReset_Click();
        EXPECT_EQ(r.form.captions, (Captions{"&Begin", "&Pause", "&Resume"})) << caption;
        EXPECT_EQ(r.form.writes.front(), std::make_pair(TB::txtTotIter, std::string(" 0")));
        EXPECT_EQ(r.form[TB::txtTotIter], " 2");
        EXPECT_EQ(r.form[TB::txtLargest], " 999");
        EXPECT_EQ(r.scaleCalls(), 1);
        EXPECT_EQ(r.yields, 2);
    }
}

TEST(RunController, StepModeRunsOneGenerationPerPress)
{
    Rig r;
    r.ctl.Command1_Click();
    r.tick(1);
    EXPECT_EQ(r.form.captionText, "&Step");
    const struct {
        bool reset;
        const char* target;
        int total, generations;
        const char* caption;
    } presses[] = {
        {true, "10", 1, 1, "&Pause"},    // a Begin in step mode stays "&Pause"
        {false, "10", 1, 0, "&Resume"},  // and "&Pause" then runs nothing
        {false, "10", 2, 1, "&Step"},   {false, "10", 3, 1, "&Step"},
        {false, "4", 4, 1, "&Resume"},  // the target is met
        {false, "4", 5, 1, "&Step"},
    };
    for (const auto& p : presses) {
        SCOPED_TRACE(p.total);
        r.reset();
        r.form[TB::txtGenerations] = p.target;
        p.reset ? r.ctl.cmdReset_Click() : r.ctl.Command1_Click();
        EXPECT_EQ(r.total(), static_cast<double>(p.total));
        EXPECT_EQ(r.yields, p.generations);
        EXPECT_EQ(r.form.captionText, p.caption);
    }
}

struct ScriptCase {
    const char* name;
    const char* totalBefore;
    const char* target;
    std::map<int, Act> script;
    // Expected:
    const char* total;
    int yields, depth;
    Captions captions;
    const char* thrown = "";  // "closing" or "subscript"
    friend void PrintTo(const ScriptCase& c, std::ostream* os) { *os << c.name; }
};

class ScriptedRun : public ::testing::TestWithParam<ScriptCase> {};

// A Resume press after one generation, with the user acting inside the yields.
TEST_P(ScriptedRun, EndsAsExpected)
{
    const ScriptCase& c = GetParam();
    Rig r;
    r.ctl.Command1_Click();
    r.form[TB::txtTotIter] = c.totalBefore;
    r.form[TB::txtGenerations] = c.target;
    r.reset(c.script);
    std::string thrown;
    const auto error = testing::errorOf([&] {
        try {
            r.ctl.Command1_Click();
        } catch (const Closing&) {
            thrown = "closing";
        }
    });
    if (error)
        thrown = *error == ErrorCode::SubscriptOutOfRange ? "subscript" : "other";
    EXPECT_EQ(thrown, c.thrown);
    EXPECT_EQ(r.form[TB::txtTotIter], c.total);
    EXPECT_EQ(r.yields, c.yields);
    EXPECT_EQ(r.maxDepth, c.depth);
    EXPECT_EQ(r.ctl.depth(), 0);
    EXPECT_EQ(r.form.captions, c.captions);
    const auto count = [&](Act a) {
        return std::count_if(c.script.begin(), c.script.end(), [&](const auto& s) { return s.second == a; });
    };
    EXPECT_EQ(r.scaleCalls(), count(Act::Reset));  // a refused count begins nothing
    EXPECT_EQ(static_cast<long>(r.form.messages.size()), count(Act::ResetWithBadCount));
}

const Captions kPauseResume{"&Pause", "&Resume"};
const Captions kNested{"&Pause", "&Begin", "&Pause", "&Resume"};

// clang-format off
INSTANTIATE_TEST_SUITE_P(RunController, ScriptedRun, ::testing::Values(
    // Pause lets the pass that delivered it finish: exactly one more generation.
    ScriptCase{"PauseRunsOneMore", " 1", "100", {{3, Act::Press}}, " 4", 3, 1, kPauseResume},
    // Targets never met: already passed, or equal to the total at the press.
    ScriptCase{"PassedTarget", " 5", "3", {{4, Act::Press}}, " 9", 4, 1, kPauseResume},
    ScriptCase{"TargetIsTotal", " 5", "5", {{4, Act::Press}}, " 9", 4, 1, kPauseResume},
    ScriptCase{"TargetTypedDuringRun", " 1", "100", {{2, Act::TypeTarget6}}, " 6", 5, 1, kPauseResume},
    // Step mode ticked during a run ends it after the pass; cleared again, the run goes on.
    ScriptCase{"StepTicked", " 1", "100", {{3, Act::Tick}}, " 4", 3, 1, {"&Pause", "&Step"}},
    ScriptCase{"StepTickedAndCleared", " 1", "6", {{2, Act::TickAndClear}}, " 6", 5, 1,
               {"&Pause", "&Step", "&Resume", "&Resume"}},
    // Reset during a run with target T: the new run stops at T, the old pass adds one.
    ScriptCase{"ResetDuringRun", " 1", "4", {{2, Act::Reset}}, " 5", 6, 2, kNested},
    // Every level suspended in a yield runs one more generation.
    ScriptCase{"NestedTwice", " 1", "100", {{1, Act::Reset}, {3, Act::Press}}, " 3", 3, 2, kNested},
    ScriptCase{"NestedThrice", " 1", "100", {{1, Act::Reset}, {2, Act::Reset}, {4, Act::Press}}, " 4", 4, 3,
               {"&Pause", "&Begin", "&Pause", "&Begin", "&Pause", "&Resume"}},
    ScriptCase{"BadCountResetIgnored", " 1", "100", {{2, Act::ResetWithBadCount}, {4, Act::Press}}, " 5", 4, 1,
               kPauseResume},
    // Closing, or an error in the generation step, unwinds every level at once.
    ScriptCase{"ClosedWhileNested", " 1", "100", {{1, Act::Reset}, {3, Act::Close}}, " 1", 3, 2,
               {"&Pause", "&Begin", "&Pause"}, "closing"},
    ScriptCase{"ErrorWhileNested", " 1", "100", {{1, Act::Reset}, {2, Act::ShrinkArray}}, " 0", 2, 2,
               {"&Pause", "&Begin", "&Pause"}, "subscript"}),
    testing::rowName);
// clang-format on

}  // namespace
}  // namespace quillmar
