#include "plot.h"

namespace quillmar {

void plotSetup(PlotSurface& plot, Int16 num)
{
    const Int16 right = num + Int16(2);
    plot.setScale(-1.0f, 10.0f, static_cast<float>(right.value()), 0.0f);
    plot.setPersistentDrawing(false, true);
}

void speciesMarker(PlotSurface& plot, Int16 i, double f, Colour colour)
{
    const auto x1 = static_cast<float>(i.value());
    const auto y1 = static_cast<float>(f);
    const auto x2 = static_cast<float>(static_cast<double>(i.value()) + 0.2);
    const auto y2 = static_cast<float>(f + 0.2);
    plot.box(x1, y1, x2, y2, colour);
}

void thresholdLine(PlotSurface& plot, double y, Int16 num, std::optional<Colour> colour)
{
    const Int16 right = num + Int16(2);
    const auto fy = static_cast<float>(y);
    plot.line(-1.0f, fy, static_cast<float>(right.value()), fy, colour);
}

}  // namespace quillmar
