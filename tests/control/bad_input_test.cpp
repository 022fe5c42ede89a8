// What the run controller makes of typed texts that are not plain numbers: the
// species count (refused outside 1..32765 with a message, before anything
// changes) and the target (read as its leading number; a run stops only on a
// total exactly equal to it).

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "controller_rig.h"

namespace quillmar {
namespace {

using testing::Act;
using testing::Rig;
using Captions = std::vector<std::string>;
using TB = TextBox;

constexpr const char* kFullWidth12 = "\xef\xbc\x91\xef\xbc\x92";  // U+FF11 U+FF12, no ASCII digit

// The rule's wiring (the whole rule is tabled with it, in the model's tests):
// a refused count, an accepted one, and halves rounded to even. 0: refused.
const struct {
    const char* text;
    int species;
} kSpeciesCounts[] = {{"abc", 0}, {" 7 ", 7}, {"12.5", 12}, {"13.5", 14}};

TEST(BadInput, SpeciesCount)
{
    for (const auto& row : kSpeciesCounts) {
        for (bool viaReset : {false, true}) {  // a Begin at start-up, or a Reset after a run
            SCOPED_TRACE(::testing::Message() << ::testing::PrintToString(std::string(row.text))
                                              << (viaReset ? " via Reset" : " via Begin"));
            Rig r;
            if (viaReset)
                r.ctl.Command1_Click();
            r.reset();
            r.form[TB::txtNumPts] = row.text;
            const auto state = [&r] {
                std::vector<Tagged> cells;
                for (int i = 0; i < r.sim.a.size(); ++i)
                    cells.push_back(r.sim.a.get(Int16::checked(i)));
                const Simulation& s = r.sim;
                return std::tuple(r.form.texts, r.form.stepEnabled, r.form.captionText, cells, s.num, s.x,
                                  s.xpos, s.xposold, s.lowval, s.cursize, s.numtorrels, s.running);
            };
            const auto before = state();
            viaReset ? r.ctl.cmdReset_Click() : r.ctl.Command1_Click();
            if (row.species == 0) {
                EXPECT_EQ(r.form.messages,
                          std::vector<std::string>{"No. Species must be a number from 1 to 32765."});
                EXPECT_TRUE(state() == before);
                EXPECT_TRUE(r.form.captions.empty());
                EXPECT_TRUE(r.form.writes.empty());
                EXPECT_TRUE(r.form.plotSurface.calls.empty());
                EXPECT_EQ(r.yields, 0);
            } else {
                EXPECT_TRUE(r.form.messages.empty());
                EXPECT_EQ(r.sim.num, Int16::checked(row.species));
                EXPECT_EQ(r.sim.a.size(), row.species);
                EXPECT_EQ(r.scaleCalls(), 1);
                EXPECT_EQ(r.form[TB::txtTotIter], " 1");  // the default target: one generation
                EXPECT_EQ(r.form.captions, viaReset ? (Captions{"&Begin", "&Pause", "&Resume"})
                                                    : (Captions{"&Pause", "&Resume"}));
            }
        }
    }
}

// A Begin from the start-up total "0" with the target typed beforehand. The
// user presses "&Pause" in the yield of pass kPauseAt, which lets that pass's
// generation run: a target that is never met ends the run at kPauseAt.
constexpr int kPauseAt = 7;
const struct {
    const char* text;
    int generations;
} kTargets[] = {
    // clang-format off
    {"", kPauseAt}, {"   ", kPauseAt}, {"abc", kPauseAt}, {"0", kPauseAt}, {"-5", kPauseAt},
    {"0.5", kPauseAt}, {"5.999999999", kPauseAt}, {"1E400", kPauseAt},
    {"-1E400", kPauseAt}, {"1E-400", kPauseAt}, {"NaN", kPauseAt}, {"inf", kPauseAt}, {"0x4", kPauseAt},
    {kFullWidth12, kPauseAt}, {"1 2", kPauseAt}, {"30e-1", kPauseAt}, {".3e1", kPauseAt},
    {"1", 1}, {" 3 ", 3}, {"+3", 3}, {"3abc", 3}, {"3.0", 3}, {"3e0", 3}, {".3E1", 3}, {"30E-1", 3},
    {"2e1", 2}, {"1e400", 1}, {"1e-400", 1},
    {"0 4", 4}, {"\t4\n", 4}, {"4,9", 4}, {"5E+0", 5}, {"6.0000000000000001", 6},  // 6 as a double
    // clang-format on
};

TEST(BadInput, Target)
{
    for (const auto& row : kTargets) {
        SCOPED_TRACE(::testing::PrintToString(std::string(row.text)));
        Rig r;
        r.form[TB::txtGenerations] = row.text;
        r.reset({{kPauseAt, Act::Press}});
        r.ctl.Command1_Click();
        EXPECT_EQ(r.total(), row.generations);
        EXPECT_EQ(r.yields, row.generations);
        // One "&Resume": set by the Pause or by the stop test, never by both.
        EXPECT_EQ(r.form.captions, (Captions{"&Pause", "&Resume"}));
        EXPECT_FALSE(r.sim.running.isTrue());
        EXPECT_EQ(r.ctl.depth(), 0);
    }
}

}  // namespace
}  // namespace quillmar
