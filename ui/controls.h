#pragma once

#include <array>
#include <cstddef>

#include "control_table.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QWidget;

namespace quillmar {

class ErrorBoundary;
class PlotWidget;

// The window's 22 controls, built from the control table on their window,
// each with its Qt type: the one place that knows which widget is which.
// The window owns the widgets; these are pointers to them.
class Controls {
public:
    // Builds every control of the table on `window`, in its designed place,
    // tab order and state; the plot runs its event handlers inside `boundary`.
    Controls(QWidget& window, ErrorBoundary& boundary);

    // A single-line text box; nullptr for the log, which is txtOutput.
    QLineEdit* textBox(TextBox box) const { return textBoxes_[indexOf(box)]; }
    QCheckBox* checkBox(CheckBox box) const { return box == CheckBox::chkStep ? chkStep : chkRule2; }

    QPlainTextEdit* txtOutput = nullptr;
    QPushButton* command1 = nullptr;
    QPushButton* cmdReset = nullptr;
    QCheckBox* chkStep = nullptr;
    QCheckBox* chkRule2 = nullptr;
    PlotWidget* picture1 = nullptr;

private:
    std::array<QLineEdit*, kTextBoxCount> textBoxes_{};
};

}  // namespace quillmar
