#include "run_controller.h"

#include <string>
#include <utility>

#include "numtext.h"

namespace quillmar {

namespace {
constexpr std::string_view kBegin = "&Begin";
constexpr std::string_view kPause = "&Pause";
constexpr std::string_view kResume = "&Resume";
constexpr std::string_view kStep = "&Step";
}  // namespace

RunController::RunController(FormView& view, Simulation& sim, Yield yield)
    : view_(view), sim_(sim), yield_(std::move(yield))
{
}

bool RunController::speciesCountAccepted()
{
    if (validSpeciesCount(view_.text(TextBox::txtNumPts)))
        return true;
    view_.showMessage(kSpeciesCountMessage);
    return false;
}

void RunController::Command1_Click()
{
    const std::string caption = view_.caption();
    // A run with an unusable species count would end the program; refuse it
    // before anything changes.
    if (caption == kBegin && !speciesCountAccepted())
        return;

    view_.setEnabled(CheckBox::chkStep, true);
    if (caption == kBegin) {
        view_.setCaption(kPause);
        sim_.running = true;
        sim_.beginInit();
    } else if (caption == kPause) {
        view_.setCaption(kResume);
        sim_.running = false;
    } else {
        view_.setCaption(view_.value(CheckBox::chkStep) == 1 ? kStep : kPause);
        sim_.running = true;
    }
    mainLoop();
}

void RunController::mainLoop()
{
    struct DepthGuard {
        int& d;
        explicit DepthGuard(int& depth) : d(depth) { ++d; }
        ~DepthGuard() { --d; }
        DepthGuard(const DepthGuard&) = delete;
        DepthGuard& operator=(const DepthGuard&) = delete;
    } guard(depth_);

    const std::string separator = view_.decimalSeparator();
    while (sim_.running.isTrue()) {
        yield_();
        sim_.try_(sim_.x, sim_.xpos, sim_.xposold, sim_.a, sim_.num);
        thresholdLine(view_.plot(), sim_.lowval, sim_.num);
        view_.setText(TextBox::txtIterate, plainForm(sim_.cursize, separator));
        const double target = leadingNumber(view_.text(TextBox::txtGenerations));
        const double total = leadingNumber(view_.text(TextBox::txtTotIter));
        if (target == total) {
            sim_.running = false;
            view_.setCaption(kResume);
        }
        if (view_.value(CheckBox::chkStep) == 1)
            sim_.running = false;
    }
}

void RunController::cmdReset_Click()
{
    if (!speciesCountAccepted())
        return;
    view_.setCaption(kBegin);
    view_.setText(TextBox::txtTotIter, " 0");
    Command1_Click();
}

void RunController::chkStep_Click()
{
    view_.setCaption(view_.value(CheckBox::chkStep) == 1 ? kStep : kResume);
}

}  // namespace quillmar
