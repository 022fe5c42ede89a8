#include "form_binding.h"

#include <QCheckBox>
#include <QEvent>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>

#include <utility>

#include "error_boundary.h"
#include "plot_widget.h"

namespace quillmar {

namespace {

constexpr int kPaintIntervalMs = 16;
// An insertion into the log costs much the same for one line as for a
// hundred, so during a run the log takes its new lines less often than the
// counters and the plot are painted.
constexpr int kLogIntervalMs = 100;
// Each line costs the log box about two microseconds however many go in at
// once: while thousands of torrels end per second, the waiting lines go in
// in batches of this many, so that no flush holds input up for long.
constexpr int kMaxWaitingLines = 2000;

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

FormBinding::FormBinding(QWidget& window, const Controls& controls, ErrorBoundary& boundary,
                         ShowMessage showMessage)
    : window_(window), controls_(controls), boundary_(boundary), showMessage_(std::move(showMessage))
{
    separator_ = QLocale().decimalPoint().toStdString();
    for (const ControlSpec& c : kControls) {
        if (c.kind != ControlSpec::Kind::TextBox)
            continue;  // the log, and the controls that are no text box
        const std::size_t i = indexOf(*c.box);
        QLineEdit* e = controls_.textBox(*c.box);
        counter_[i] = c.counter;
        cache_[i] = e->text().toStdString();
        // A box the user edits is read on every pass; its kept text follows every edit.
        if (!c.counter)
            connect(e, &QLineEdit::textChanged, this, [this, i](const QString& t) {
                boundary_.run(Entry::TextChanged, [&] { cache_[i] = t.toStdString(); });
            });
    }
    controls_.txtOutput->installEventFilter(this);
    controls_.txtOutput->viewport()->installEventFilter(this);
    paintClock_.start();
    logClock_.start();
}

std::string FormBinding::text(TextBox box) const
{
    if (box != TextBox::txtOutput)
        return cache_[indexOf(box)];
    const QString shown = controls_.txtOutput->toPlainText();
    const qsizetype mark = pendingLog_.empty() ? shown.size() : logMark_.position();
    std::string out;
    out.reserve(static_cast<std::size_t>(shown.size()) * 17 / 16 + pendingLog_.size());
    appendWithCrLf(out, shown.left(mark));
    out += pendingLog_;
    appendWithCrLf(out, shown.mid(mark));
    return out;
}

void FormBinding::setText(TextBox box, std::string_view text)
{
    if (box == TextBox::txtOutput) {
        pendingLog_.clear();
        pendingLines_ = 0;
        controls_.txtOutput->setPlainText(fromUtf8(text));
        return;
    }
    cache_[indexOf(box)] = text;
    if (counter_[indexOf(box)])
        stale_[indexOf(box)] = true;  // shown by the next present()
    else
        controls_.textBox(box)->setText(fromUtf8(text));
}

void FormBinding::appendText(TextBox box, std::string_view tail)
{
    if (box == TextBox::txtOutput) {
        // Waiting lines belong where the log ended when the first of them was
        // written: text that got in since without a key or a click (an
        // assistive technology's edit) goes after them. A line written after
        // such text goes after it, so the waiting ones go in first.
        QTextDocument* doc = controls_.txtOutput->document();
        if (!pendingLog_.empty() && logMark_.position() != doc->characterCount() - 1)
            flushLog();
        if (pendingLog_.empty()) {
            logMark_ = QTextCursor(doc);
            logMark_.movePosition(QTextCursor::End);
            logMark_.setKeepPositionOnInsert(true);
        }
        pendingLog_ += tail;
        ++pendingLines_;
        return;
    }
    std::string next = text(box);
    next += tail;
    setText(box, next);
}

void FormBinding::flushLog()
{
    if (pendingLog_.empty())
        return;
    QScrollBar* bar = controls_.txtOutput->verticalScrollBar();
    const bool following = bar->value() >= bar->maximum();
    const int kept = bar->value();
    // Insert without moving the user's cursor or selection. Undo takes back
    // the user's typing, never the program's lines: writing them starts the
    // undo history afresh (turning it off clears it), as replacing the whole
    // text would.
    QTextDocument* doc = controls_.txtOutput->document();
    QTextCursor at(doc);
    at.setPosition(logMark_.position());
    doc->setUndoRedoEnabled(false);
    at.insertText(fromUtf8(pendingLog_));
    doc->setUndoRedoEnabled(true);
    pendingLog_.clear();
    pendingLines_ = 0;
    bar->setValue(following ? bar->maximum() : kept);
}

int FormBinding::value(CheckBox box) const
{
    return controls_.checkBox(box)->isChecked() ? 1 : 0;
}

void FormBinding::setEnabled(CheckBox box, bool enabled)
{
    controls_.checkBox(box)->setEnabled(enabled);
}

std::string FormBinding::caption() const
{
    return controls_.command1->text().toStdString();
}

void FormBinding::setCaption(std::string_view caption)
{
    controls_.command1->setText(fromUtf8(caption));
}

void FormBinding::showMessage(std::string_view message)
{
    present();
    const QString text = fromUtf8(message);
    showMessage_(window_, text);
}

PlotSurface& FormBinding::plot()
{
    return *controls_.picture1;
}

void FormBinding::beforeAsk()
{
    // The texts the program reads are exact at every pass; the screen catches
    // up every few milliseconds.
    if (pendingLines_ >= kMaxWaitingLines)
        flushLog();
    if (!paintClock_.hasExpired(kPaintIntervalMs))
        return;
    const bool log = logClock_.hasExpired(kLogIntervalMs);
    present(log);
    paintClock_.restart();
    if (log)
        logClock_.restart();
}

bool FormBinding::eventFilter(QObject* watched, QEvent* event)
{
    // The log keeps the order in which things happened: lines waiting for the
    // screen go in before the user's key, click, drop or menu.
    switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::InputMethod:
        case QEvent::MouseButtonPress:
        case QEvent::Drop:
        case QEvent::ContextMenu:
            boundary_.run(Entry::LogInput, [this] { flushLog(); });
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

void FormBinding::present(bool log)
{
    for (const ControlSpec& c : kControls) {
        if (!c.counter || !stale_[indexOf(*c.box)])
            continue;
        QLineEdit* e = controls_.textBox(*c.box);
        e->setText(QString::fromStdString(cache_[indexOf(*c.box)]));
        e->setCursorPosition(0);  // show the start of a long number
        stale_[indexOf(*c.box)] = false;
    }
    if (log)
        flushLog();
    controls_.picture1->flushDirty();
}

}  // namespace quillmar
