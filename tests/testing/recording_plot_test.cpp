// The recording plot keeps every primitive in the order drawn, and with
// recording off keeps none of them (the benchmarks' silent window).

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "recording_plot.h"

namespace quillmar::testing {
namespace {

using K = PlotCall::Kind;

TEST(RecordingPlot, KeepsEveryPrimitiveOnlyWhileRecording)
{
    const struct {
        std::function<void(RecordingPlot&)> draw;
        PlotCall call;
    } cases[] = {
        {[](RecordingPlot& p) { p.setScale(-1, 10, 52, 0); }, {K::SetScale, -1, 10, 52, 0, std::nullopt}},
        {[](RecordingPlot& p) { p.setPersistentDrawing(false, true); },
         {K::Persistent, 0, 1, 0, 0, std::nullopt}},
        {[](RecordingPlot& p) { p.clear(); }, {K::Clear, 0, 0, 0, 0, std::nullopt}},
        {[](RecordingPlot& p) { p.line(-1, 2.5f, 52, 2.5f, std::nullopt); },
         {K::Line, -1, 2.5f, 52, 2.5f, std::nullopt}},
        {[](RecordingPlot& p) { p.line(-1, 2.5f, 52, 2.5f, Colour::buttonFace()); },
         {K::Line, -1, 2.5f, 52, 2.5f, Colour::buttonFace()}},
        {[](RecordingPlot& p) { p.box(3, 1, 3.2f, 1.2f, Colour::red()); },
         {K::Box, 3, 1, 3.2f, 1.2f, Colour::red()}},
    };
    RecordingPlot recording, silent;
    silent.recording = false;
    std::vector<PlotCall> expected;
    for (const auto& c : cases) {
        c.draw(recording);
        c.draw(silent);
        expected.push_back(c.call);
    }
    EXPECT_EQ(recording.calls, expected);
    EXPECT_TRUE(silent.calls.empty());
}

}  // namespace
}  // namespace quillmar::testing
