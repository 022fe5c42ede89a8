#pragma once

#include <QString>
#include <QTextCursor>
#include <array>
#include <functional>
#include <optional>
#include <string>

#include "form_view.h"

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QWidget;

namespace quillmar {

class PlotWidget;

// The window seen through FormView. What the program reads stays exact at
// every call; what reaches the screen is paced: counter texts and log lines
// are kept here and handed to the widgets by present(), so a run does not
// repaint the window on every generation.
class FormBinding final : public FormView {
public:
    struct Widgets {
        std::array<QLineEdit*, kTextBoxCount> lines{};  // indexed by TextBox; txtOutput unused
        QPlainTextEdit* output = nullptr;
        QCheckBox* chkStep = nullptr;
        QCheckBox* chkRule2 = nullptr;
        QPushButton* command1 = nullptr;
        PlotWidget* plot = nullptr;
        QWidget* window = nullptr;
    };

    explicit FormBinding(const Widgets& widgets);

    std::string text(TextBox box) const override;
    double number(TextBox box) const override;
    void setText(TextBox box, std::string_view text) override;
    void appendText(TextBox box, std::string_view tail) override;
    int value(CheckBox box) const override;
    void setEnabled(CheckBox box, bool enabled) override;
    std::string caption() const override;
    void setCaption(std::string_view caption) override;
    void showMessage(std::string_view message) override;
    std::string decimalSeparator() const override { return separator_; }
    PlotSurface& plot() override;

    // Hands every pending text (and, with `log`, every pending log line) to
    // the widgets and schedules a repaint of the plot's changed area.
    void present(bool log = true);
    // Hands pending log lines to the log box (before the user edits it).
    void flushLog();
    // Keeps the cached text of a user-editable box in step with its widget.
    void userEdited(TextBox box, const QString& text);

    // Replaces the modal message box (tests).
    std::function<void(const QString&)> messageHook;

private:
    static bool isCounter(TextBox box);

    Widgets w_;
    std::array<std::string, kTextBoxCount> cache_;  // counters and user-editable single-line boxes
    std::array<bool, kTextBoxCount> stale_{};       // counter text not yet shown
    // Leading numbers of cache_, read since the text last changed.
    mutable std::array<std::optional<double>, kTextBoxCount> numbers_{};
    std::string pendingLog_;  // log lines not yet in the log box
    QTextCursor logMark_;     // where they go in
    std::string separator_;
};

}  // namespace quillmar
