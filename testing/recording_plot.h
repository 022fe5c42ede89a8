#pragma once

// A plot with no pixels behind it: it records every call, so tests can check
// what the simulation draws.

#include <optional>
#include <vector>

#include "colour.h"
#include "plot.h"

namespace quillmar::testing {

struct PlotCall {
    enum class Kind { SetScale, Persistent, Clear, Line, Box };
    Kind kind;
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    std::optional<Colour> colour;  // no colour: the foreground colour
    bool operator==(const PlotCall&) const = default;
};

class RecordingPlot final : public PlotSurface {
public:
    bool recording = true;  // false: draw nothing, keep nothing (benchmarks)
    std::vector<PlotCall> calls;

    void setScale(float left, float top, float right, float bottom) override
    {
        add({PlotCall::Kind::SetScale, left, top, right, bottom, std::nullopt});
    }
    void setPersistentDrawing(bool plot, bool window) override
    {
        add({PlotCall::Kind::Persistent, plot ? 1.f : 0.f, window ? 1.f : 0.f, 0, 0, std::nullopt});
    }
    void clear() override { add({PlotCall::Kind::Clear, 0, 0, 0, 0, std::nullopt}); }
    void line(float x1, float y1, float x2, float y2, std::optional<Colour> colour) override
    {
        add({PlotCall::Kind::Line, x1, y1, x2, y2, colour});
    }
    void box(float x1, float y1, float x2, float y2, Colour colour) override
    {
        add({PlotCall::Kind::Box, x1, y1, x2, y2, colour});
    }

private:
    void add(const PlotCall& c)
    {
        if (recording)
            calls.push_back(c);
    }
};

}  // namespace quillmar::testing
