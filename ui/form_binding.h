#pragma once

#include <QObject>
#include <QString>
#include <array>
#include <functional>
#include <string>

#include "controls.h"
#include "form_view.h"
#include "waiting_log.h"

class QWidget;

namespace quillmar {

class ErrorBoundary;

// The window seen through FormView. What the program reads stays exact at
// every call; the counters and the log's lines are kept here and reach the
// widgets when present() hands them over, so a run need not repaint the
// window on every generation.
class FormBinding final : public QObject, public FormView {
    Q_OBJECT

public:
    // Shows a modal message over the window and returns when it is dismissed.
    using ShowMessage = std::function<void(QWidget& window, const QString& message)>;

    // The binding's own slots and the log's event filter run their work inside `boundary`.
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

    // Hands every pending text (and, with `log`, every waiting log line) to
    // the widgets and schedules a repaint of the plot's changed area.
    void present(bool log = true);
    // Hands the waiting log lines to the log box.
    void flushLog() { log_.flush(); }
    // How many of the program's appends to the log wait for the screen.
    int waitingLogLines() const { return log_.waiting(); }

private:
    QWidget& window_;
    const Controls& controls_;
    ErrorBoundary& boundary_;
    ShowMessage showMessage_;
    WaitingLog log_;
    std::array<bool, kTextBoxCount> counter_{};  // by TextBox: shown at the paced rate

    std::array<std::string, kTextBoxCount> cache_;  // every single-line box's text
    std::array<bool, kTextBoxCount> stale_{};       // counter text not yet shown
    std::string separator_;
};

}  // namespace quillmar
