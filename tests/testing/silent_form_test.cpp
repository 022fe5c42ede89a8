// The benchmarks' silent window: a run leaves it with the texts a recording
// window gets from the same run, while it keeps no writes and no plot calls.

#include <gtest/gtest.h>

#include "frozen_clock.h"
#include "random_source.h"
#include "recording_form.h"
#include "silent_form.h"
#include "simulation.h"

namespace quillmar::testing {
namespace {

TEST(SilentForm, KeepsTheTextsOfARunAndNothingElse)
{
    const struct {
        int species;
        int rule2;
        int generations;
    } cases[] = {{1, 0, 10}, {50, 0, 2000}, {300, 1, 5000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.species);
        RecordingForm silent, recording;
        makeSilent(silent, c.species);
        recording[TextBox::txtNumPts] = std::to_string(c.species);
        for (RecordingForm* form : {&silent, &recording}) {
            form->setCheck(CheckBox::chkRule2, c.rule2);
            ClockMixedRandom random(frozenClock());
            Simulation sim(*form, random);
            sim.beginInit();
            for (int g = 0; g < c.generations; ++g)
                sim.try_(sim.x, sim.xpos, sim.xposold, sim.a, sim.num);
        }
        EXPECT_EQ(silent.texts, recording.texts);
        EXPECT_TRUE(silent.writes.empty());
        EXPECT_TRUE(silent.plotSurface.calls.empty());
        EXPECT_FALSE(recording.writes.empty());
        EXPECT_FALSE(recording.plotSurface.calls.empty());
    }
}

}  // namespace
}  // namespace quillmar::testing
