#pragma once

// A window binding of its own, on a window with the designed look and controls,
// for tests and benchmarks that write to it as the engine does: texts and
// log lines that the screen shows at the next present().

#include <QString>
#include <QStringList>
#include <QWidget>

#include "controls.h"
#include "error_boundary.h"
#include "form1.h"
#include "form_binding.h"
#include "plot_widget.h"

namespace quillmar::testing {

struct BindingRig {
    QStringList failures, messages;  // reported, not shown
    QWidget window;
    ErrorBoundary boundary{window, {}, [this](const QString& m) { failures << m; }};
    PlotWidget picture1{Form1::withLook(&window), boundary};
    Controls controls{window, picture1};
    FormBinding binding{window, controls, boundary, [this](QWidget&, const QString& m) { messages << m; }};
};

}  // namespace quillmar::testing
