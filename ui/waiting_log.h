#pragma once

#include <QObject>
#include <QTextCursor>
#include <string>
#include <string_view>

class QEvent;
class QPlainTextEdit;

namespace quillmar {

class ErrorBoundary;

// The log box and the lines the program wrote that wait for the screen. The
// log keeps the order in which things happened: waiting lines go in where the
// log ended when the first of them was written, in front of anything the user
// or an assistive technology put in since.
class WaitingLog final : public QObject {
    Q_OBJECT

public:
    // Watches `box` for the user's input; its event filter runs inside `boundary`.
    WaitingLog(QPlainTextEdit& box, ErrorBoundary& boundary);

    // The log as the program reads it: the box's text with the waiting lines
    // in their place, line breaks as CR LF.
    std::string text() const;
    // Replaces the whole log; nothing waits any more.
    void setText(std::string_view text);
    // Adds `tail` to the log's end as the program writes it; it waits for the screen.
    void append(std::string_view tail);
    // How many appends wait.
    int waiting() const { return appends_; }
    // Hands the waiting lines to the box.
    void flush();

protected:
    // Waiting lines go in before the user's key, click, drop or menu.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPlainTextEdit& box_;
    ErrorBoundary& boundary_;
    std::string pending_;  // the waiting lines
    int appends_ = 0;
    QTextCursor mark_;  // where they go in
};

}  // namespace quillmar
