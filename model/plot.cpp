#include "plot.h"

namespace quillmar {

void plotSetup(PlotSurface& plot, Int16 num)
{
    const Int16 right = num + Int16(2);
    plot.setScale(-1.0f, 10.0f, static_cast<float>(right.value()), 0.0f);
    plot.setPersistentDrawing(false, true);
}

}  // namespace quillmar
