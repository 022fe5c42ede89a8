#pragma once

// The engine as the window drives it, one generation per press: Begin, then
// Resume with a target one higher each time, under scripted random numbers.

#include <cstdint>
#include <string>
#include <vector>

#include "recording_form.h"
#include "run_controller.h"
#include "scripted_random.h"
#include "simulation.h"

namespace quillmar::batch::test {

// The scripted uniform numbers: 0 first (a first generation that does not
// cross), then 2000 values of 24 bits, as the real generator draws them, from
// a fixed linear congruential sequence, each drawn twice in a row so that
// minima tie; replayed in a cycle.
inline std::vector<float> script()
{
    std::vector<float> v{0.0f};
    std::uint64_t s = 12345;
    for (int i = 0; i < 2000; ++i) {
        s = s * 6364136223846793005ULL + 1442695040888963407ULL;
        const float u = static_cast<float>(s >> 40) / 16777216.0f;
        v.insert(v.end(), {u, u});
    }
    return v;
}

struct WindowRun {
    WindowRun(int species, bool singleSite)
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
    testing::ScriptedRandom random{script()};
    Simulation sim{form, random};
    RunController controller{form, sim, [] {}};
};

}  // namespace quillmar::batch::test
