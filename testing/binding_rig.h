#pragma once

// A window binding of its own, on a bare window with the designed controls,
// for tests and benchmarks that write to it as the engine does: texts and
// log lines that the screen shows at the next present().

#include <QString>
#include <QStringList>
#include <QWidget>

#include "controls.h"
#include "error_boundary.h"
#include "form_binding.h"
#include "plot_widget.h"

namespace quillmar::testing {

struct BindingRig {
    QStringList failures, messages;  // reported, not shown
    QWidget window;
    ErrorBoundary boundary{window, {}, [this](const QString& m) { failures << m; }};
    Controls controls{window, boundary};
    FormBinding binding{window, controls, boundary, [this](QWidget&, const QString& m) { messages << m; }};

    // The plot runs its events inside the boundary, which goes first.
    ~BindingRig() { delete controls.picture1; }
};

}  // namespace quillmar::testing
