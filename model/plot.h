#pragma once

#include <optional>

#include "colour.h"
#include "int16.h"

namespace quillmar {

// The drawing surface of the fitness plot. Drawing overwrites what is below
// with one-pixel solid lines, so drawing a shape again in the background
// colour erases it.
class PlotSurface {
public:
    virtual ~PlotSurface() = default;
    // Maps user coordinates linearly onto the inner area: (left, top) is the
    // upper-left corner, (right, bottom) the lower-right one.
    virtual void setScale(float left, float top, float right, float bottom) = 0;
    // Switches persistent drawing for the plot and for the window.
    virtual void setPersistentDrawing(bool plot, bool window) = 0;
    // Fills the whole plot with the background colour.
    virtual void clear() = 0;
    // A line between two points; the foreground colour when no colour is given.
    virtual void line(float x1, float y1, float x2, float y2, std::optional<Colour> colour) = 0;
    // The outline of the box with the two given opposite corners.
    virtual void box(float x1, float y1, float x2, float y2, Colour colour) = 0;
};

// Plot set-up for a run of `num` species: x from -1 to num + 2, y from 0 to 10;
// the plot's persistent drawing off, the window's on.
void plotSetup(PlotSurface& plot, Int16 num);

// The species marker: the box from (i, f) to (i + 0.2, f + 0.2), the far
// corner added in double precision. A generation draws nine under the
// three-site rule, three under the single-site rule.
inline void speciesMarker(PlotSurface& plot, Int16 i, double f, Colour colour)
{
    const auto x1 = static_cast<float>(i.value());
    const auto y1 = static_cast<float>(f);
    const auto x2 = static_cast<float>(static_cast<double>(i.value()) + 0.2);
    const auto y2 = static_cast<float>(f + 0.2);
    plot.box(x1, y1, x2, y2, colour);
}

// The threshold line across the plot at height y, from x = -1 to x = num + 2;
// in the foreground colour when no colour is given.
inline void thresholdLine(PlotSurface& plot, double y, Int16 num, std::optional<Colour> colour = std::nullopt)
{
    const Int16 right = num + Int16(2);
    const auto fy = static_cast<float>(y);
    plot.line(-1.0f, fy, static_cast<float>(right.value()), fy, colour);
}

}  // namespace quillmar
