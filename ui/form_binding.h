#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTextCursor>
#include <array>
#include <functional>
#include <string>

#include "control_table.h"
#include "controls.h"
#include "form_view.h"

class QWidget;

namespace quillmar {

class ErrorBoundary;

// The window seen through FormView, and the one owner of what reaches the
// screen and when. What the program reads stays exact at every call; the
// counters and log lines are kept here and handed to the widgets at a paced
// rate during a run, so a run does not repaint the window on every generation.
class FormBinding final : public QObject, public FormView {
    Q_OBJECT

public:
    // Shows a modal message over the window and returns when it is dismissed.
    using ShowMessage = std::function<void(QWidget& window, const QString& message)>;

    // The binding's own slots and event filter run their work inside `boundary`.
    FormBinding(QWidget& window, const Controls& controls, ErrorBoundary& boundary, ShowMessage showMessage);

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

protected:
    // Log lines waiting for the screen go in before the user's edit.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& window_;
    const Controls& controls_;
    ErrorBoundary& boundary_;
    ShowMessage showMessage_;
    std::array<bool, kTextBoxCount> counter_{};  // by TextBox: shown at the paced rate

    std::array<std::string, kTextBoxCount> cache_;  // every single-line box's text
    std::array<bool, kTextBoxCount> stale_{};       // counter text not yet shown
    std::string pendingLog_;                        // log lines not yet in the log box
    int pendingLines_ = 0;                          // how many
    QTextCursor logMark_;                           // where they go in
    std::string separator_;

    QElapsedTimer paintClock_, logClock_;
};

}  // namespace quillmar
