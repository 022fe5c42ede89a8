#pragma once

// A recording window, a simulation and a run controller whose yield performs
// scripted user actions, for the run controller's tests.

#include <algorithm>
#include <map>
#include <string>
#include <utility>

#include "frozen_clock.h"
#include "numtext.h"
#include "recording_form.h"
#include "run_controller.h"

namespace quillmar::testing {

struct Closing {};  // the window is closed while a run yields
struct Runaway {};  // a loop that should have stopped long ago

// What the user does inside one yield.
enum class Act { Press, Reset, Tick, TickAndClear, TypeTarget6, ResetWithBadCount, Close, ShrinkArray };

// script[n] runs inside the n-th yield (from 1) since the last reset().
struct Rig {
    RecordingForm form;
    ClockMixedRandom random{frozenClock()};
    Simulation sim{form, random};
    std::map<int, Act> script;
    int yields = 0;
    int maxDepth = 0;
    RunController ctl{form, sim, [this] { onYield(); }};

    void onYield()
    {
        maxDepth = std::max(maxDepth, ctl.depth());
        if (++yields > 10000)
            throw Runaway{};
        if (auto it = script.find(yields); it != script.end())
            act(it->second);
    }
    void act(Act a)
    {
        switch (a) {
            case Act::Press:
                return ctl.Command1_Click();
            case Act::Reset:
                return ctl.cmdReset_Click();
            case Act::Tick:
                return tick(1);
            case Act::TickAndClear:
                return tick(1), tick(0);
            case Act::TypeTarget6:
                // Assigning a C string here trips a false GCC 12 -Wrestrict alarm.
                form[TextBox::txtGenerations] = std::string("6");
                return;
            case Act::ResetWithBadCount:
                form[TextBox::txtNumPts] = std::string("abc");
                return ctl.cmdReset_Click();
            case Act::Close:
                throw Closing{};
            case Act::ShrinkArray:
                return sim.a.redim(Int16(2));  // fewer cells than species
        }
    }
    // A new script; forgets the yields, captions, plot calls and text writes so far.
    void reset(std::map<int, Act> s = {})
    {
        script = std::move(s);
        yields = maxDepth = 0;
        form.captions.clear();
        form.plotSurface.calls.clear();
        form.writes.clear();
    }
    void tick(int v)
    {
        form.setCheck(CheckBox::chkStep, v);
        ctl.chkStep_Click();
    }
    double total() { return leadingNumber(form[TextBox::txtTotIter]); }
    long scaleCalls() const
    {
        const auto& c = form.plotSurface.calls;
        return std::count_if(c.begin(), c.end(),
                             [](const PlotCall& p) { return p.kind == PlotCall::Kind::SetScale; });
    }
};

}  // namespace quillmar::testing
