#pragma once

#include <functional>

#include "form_view.h"
#include "simulation.h"

namespace quillmar {

// The behaviour behind Command1, cmdReset and chkStep. The caption of Command1
// is the controller's state. A press that starts or continues a run returns
// only when the run stops; the main loop calls the injected yield at the top
// of every pass, and clicks delivered inside that yield may run nested loops.
class RunController {
public:
    // Processes all pending window events and returns. It may throw to abandon
    // the run (the window is closing, or a nested handler failed); the
    // exception unwinds every loop level.
    using Yield = std::function<void()>;

    RunController(FormView& view, Simulation& sim, Yield yield);

    void Command1_Click();
    void cmdReset_Click();
    void chkStep_Click();

    // How many main loops are running now, nested ones included.
    int depth() const { return depth_; }

private:
    bool speciesCountAccepted();
    void mainLoop();

    FormView& view_;
    Simulation& sim_;
    Yield yield_;
    int depth_ = 0;
};

}  // namespace quillmar
