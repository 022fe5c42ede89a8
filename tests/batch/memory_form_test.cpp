// The in-memory window in lock-step with the engine as the window drives it:
// under the same random numbers, every generation streams exactly the log
// text the window shows and leaves the same counters.

#include "memory_form.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "scripted_random.h"
#include "simulation.h"
#include "window_run.h"

namespace quillmar::batch {
namespace {

using test::WindowRun;
using testing::ScriptedRandom;

struct Collect final : MemoryForm::LogSink {
    std::string lines;
    void logLine(std::string_view line) override { lines += line; }
};

class LockStep : public ::testing::TestWithParam<std::tuple<int, bool>> {};

TEST_P(LockStep, StreamsTheWindowsLogByteForByte)
{
    const auto [species, singleSite] = GetParam();
    constexpr int kGenerations = 3000;

    WindowRun window(species, singleSite);
    Collect sink;
    MemoryForm form(species, singleSite, sink);
    ScriptedRandom random(test::script());
    Simulation sim(form, random);
    sim.beginInit();

    for (int g = 1; g <= kGenerations; ++g) {
        window.generation(g);
        sim.try_(sim.x, sim.xpos, sim.xposold, sim.a, sim.num);

        ASSERT_EQ(sink.lines, window.form[TextBox::txtOutput]) << "generation " << g;
        for (TextBox b : {TextBox::txtNumAv, TextBox::txtSize, TextBox::txtLowval, TextBox::txtLargest,
                          TextBox::txtTotIter})
            ASSERT_EQ(form.text(b), window.form[b]) << "generation " << g << ", box " << static_cast<int>(b);
    }
    EXPECT_EQ(random.log, window.random.log);
    EXPECT_GT(sink.lines.size(), 0u);
    EXPECT_EQ(form.text(TextBox::txtOutput), "");  // the log is streamed, not kept
}

INSTANTIATE_TEST_SUITE_P(Batch, LockStep,
                         ::testing::Combine(::testing::Values(1, 2, 3, 7, 50), ::testing::Bool()),
                         [](const auto& info) {
                             return std::to_string(std::get<0>(info.param)) + "Species" +
                                    (std::get<1>(info.param) ? "SingleSite" : "ThreeSite");
                         });

}  // namespace
}  // namespace quillmar::batch
