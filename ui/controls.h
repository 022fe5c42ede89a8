#pragma once

#include <array>

#include "control_table.h"

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QWidget;

namespace quillmar {

class PlotWidget;

// The window's 22 controls, built from the control table on their window,
// each with its Qt type: the one place that knows which widget is which.
// The window owns the widgets; these are pointers to them.
class Controls {
public:
    // Builds every control of the table on `window`, in its designed place,
    // stacking, tab order and state. The picture is the window's own
    // `picture1`, which this places among them.
    Controls(QWidget& window, PlotWidget& picture1);
    Controls(const Controls&) = delete;
    Controls& operator=(const Controls&) = delete;

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
    QWidget& make(const ControlSpec& c, QWidget& window, PlotWidget& plot);
    void linkBuddies() const;
    void orderTabs() const;
    QWidget* named(const char* name) const;

    std::array<QLineEdit*, kTextBoxCount> textBoxes_{};
    std::array<QWidget*, kControls.size()> byRow_{};
};

}  // namespace quillmar
