#pragma once

// The engine as the window drives it, one generation per press: Begin, then
// Resume with a target one higher each time, on the batch's seeded generator.

#include <cstdint>
#include <string>

#include "random_source.h"
#include "recording_form.h"
#include "run_controller.h"
#include "simulation.h"

namespace quillmar::batch::test {

struct WindowRun {
    WindowRun(int species, bool singleSite, std::uint64_t seed) : random(seed)
    {
        form.recordWrites = false;
        form.plotSurface.recording = false;
        form[TextBox::txtNumPts] = std::to_string(species);
        form.setCheck(CheckBox::chkRule2, singleSite ? 1 : 0);
    }

    // Runs generation `g` (from 1, in order).
    void generation(int g)
    {
        form[TextBox::txtGenerations] = std::to_string(g);
        controller.Command1_Click();
    }

    testing::RecordingForm form;
    CountedRandom random;
    Simulation sim{form, random};
    RunController controller{form, sim, [] {}};
};

}  // namespace quillmar::batch::test
