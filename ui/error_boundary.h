#pragma once

#include <functional>

namespace quillmar {

// The places where Qt calls into the window's code. Work done there runs
// inside the window's one error boundary (Form1::shield).
enum class Entry {
    Click,      // a click handler
    Present,    // the screen update after the outermost handler
    PlotPaint,  // the plot's paint, resize and change events
    PlotResize,
    PlotChange,
    TextChanged,  // a user-editable box's text changed
    LogInput,     // the log's event filter, before the user's input
};

// Runs `work` inside an error boundary.
using Boundary = std::function<void(Entry, const std::function<void()>& work)>;

}  // namespace quillmar
