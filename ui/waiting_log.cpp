#include "waiting_log.h"

#include <QEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextDocument>

#include "error_boundary.h"

namespace quillmar {

namespace {

QString fromUtf8(std::string_view s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// Appends the log box's text, whose line breaks are paragraphs, with CR LF line breaks.
void appendWithCrLf(std::string& out, const QString& text)
{
    for (char c : text.toStdString()) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
}

}  // namespace

WaitingLog::WaitingLog(QPlainTextEdit& box, ErrorBoundary& boundary) : box_(box), boundary_(boundary)
{
    box_.installEventFilter(this);
    box_.viewport()->installEventFilter(this);
}

std::string WaitingLog::text() const
{
    const QString shown = box_.toPlainText();
    const qsizetype mark = pending_.empty() ? shown.size() : mark_.position();
    std::string out;
    out.reserve(static_cast<std::size_t>(shown.size()) * 17 / 16 + pending_.size());
    appendWithCrLf(out, shown.left(mark));
    out += pending_;
    appendWithCrLf(out, shown.mid(mark));
    return out;
}

void WaitingLog::setText(std::string_view text)
{
    pending_.clear();
    appends_ = 0;
    box_.setPlainText(fromUtf8(text));
}

void WaitingLog::append(std::string_view tail)
{
    // Waiting lines belong where the log ended when the first of them was
    // written: text that got in since without a key or a click (an assistive
    // technology's edit) goes after them. A line written after such text goes
    // after it, so the waiting ones go in first.
    QTextDocument* doc = box_.document();
    if (!pending_.empty() && mark_.position() != doc->characterCount() - 1)
        flush();
    if (pending_.empty()) {
        mark_ = QTextCursor(doc);
        mark_.movePosition(QTextCursor::End);
        mark_.setKeepPositionOnInsert(true);
    }
    pending_ += tail;
    ++appends_;
}

void WaitingLog::flush()
{
    if (pending_.empty())
        return;
    QScrollBar* bar = box_.verticalScrollBar();
    const bool following = bar->value() >= bar->maximum();
    const int kept = bar->value();
    // Insert without moving the user's cursor or selection. Undo takes back
    // the user's typing, never the program's lines: writing them starts the
    // undo history afresh (turning it off clears it), as replacing the whole
    // text would.
    QTextDocument* doc = box_.document();
    QTextCursor at(doc);
    at.setPosition(mark_.position());
    doc->setUndoRedoEnabled(false);
    at.insertText(fromUtf8(pending_));
    doc->setUndoRedoEnabled(true);
    pending_.clear();
    appends_ = 0;
    bar->setValue(following ? bar->maximum() : kept);
}

bool WaitingLog::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::InputMethod:
        case QEvent::MouseButtonPress:
        case QEvent::Drop:
        case QEvent::ContextMenu:
            boundary_.run(Entry::LogInput, [this] { flush(); });
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace quillmar
