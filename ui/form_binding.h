#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTextCursor>
#include <array>
#include <functional>
#include <string>

#include "control_table.h"
#include "error_boundary.h"
#include "form_view.h"

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QWidget;

namespace quillmar {

class PlotWidget;

// The window's widgets, one per row of the control table.
using ControlWidgets = std::array<QWidget*, kControls.size()>;

// The window seen through FormView, and the one owner of what reaches the
// screen and when. What the program reads stays exact at every call; the
// counters and log lines are kept here and handed to the widgets at a paced
// rate during a run, so a run does not repaint the window on every generation.
class FormBinding final : public QObject, public FormView {
    Q_OBJECT

public:
    // `widgets` as the window built them from the control table; the binding's
    // own slots and event filter run their work inside `boundary`.
    FormBinding(QWidget& window, const ControlWidgets& widgets, Boundary boundary);

    std::string text(TextBox box) const override;
    void setText(TextBox box, std::string_view text) override;
    void appendText(TextBox box, std::string_view tail) override;
    int value(CheckBox box) const override;
    void setEnabled(CheckBox box, bool enabled) override;
    std::string caption() const override;
    void setCaption(std::string_view caption) override;
    void showMessage(std::string_view message) override;
    std::string decimalSeparator() const override { return separator_; }
    PlotSurface& plot() override;

    // Before a run's yield asks the window system for events: hands to the
    // screen what its pace says is due.
    void beforeAsk();
    // Hands every pending text (and, with `log`, every pending log line) to
    // the widgets and schedules a repaint of the plot's changed area.
    void present(bool log = true);
    // Hands pending log lines to the log box.
    void flushLog();

    // Replaces the modal message box (tests).
    std::function<void(const QString&)> messageHook;

protected:
    // Log lines waiting for the screen go in before the user's edit.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& window_;
    Boundary boundary_;
    std::array<QLineEdit*, kTextBoxCount> lines_{};  // by TextBox; none for the log
    std::array<bool, kTextBoxCount> counter_{};      // shown at the paced rate
    std::array<QCheckBox*, 2> checks_{};             // by CheckBox
    QPlainTextEdit* log_ = nullptr;
    QPushButton* command1_ = nullptr;
    PlotWidget* plot_ = nullptr;

    std::array<std::string, kTextBoxCount> cache_;  // every single-line box's text
    std::array<bool, kTextBoxCount> stale_{};       // counter text not yet shown
    std::string pendingLog_;                        // log lines not yet in the log box
    int pendingLines_ = 0;                          // how many
    QTextCursor logMark_;                           // where they go in
    std::string separator_;

    QElapsedTimer paintClock_, logClock_;
};

}  // namespace quillmar
