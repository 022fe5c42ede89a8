#include "form_binding.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>

#include "plot_widget.h"

namespace quillmar {

namespace {
std::size_t at(TextBox box)
{
    return static_cast<std::size_t>(box);
}

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

FormBinding::FormBinding(const Widgets& widgets) : w_(widgets)
{
    separator_ = QLocale().decimalPoint().toStdString();
    for (std::size_t i = 0; i < cache_.size(); ++i)
        if (w_.lines[i])
            cache_[i] = w_.lines[i]->text().toStdString();
}

bool FormBinding::isCounter(TextBox box)
{
    switch (box) {
        case TextBox::txtNumAv:
        case TextBox::txtSize:
        case TextBox::txtLowval:
        case TextBox::txtLargest:
        case TextBox::txtIterate:
        case TextBox::txtTotIter:
            return true;
        default:
            return false;
    }
}

std::string FormBinding::text(TextBox box) const
{
    if (box != TextBox::txtOutput)
        return cache_[at(box)];
    const QString shown = w_.output->toPlainText();
    const qsizetype mark = pendingLog_.empty() ? shown.size() : logMark_.position();
    std::string out;
    out.reserve(static_cast<std::size_t>(shown.size()) * 17 / 16 + pendingLog_.size());
    appendWithCrLf(out, shown.left(mark));
    out += pendingLog_;
    appendWithCrLf(out, shown.mid(mark));
    return out;
}

double FormBinding::number(TextBox box) const
{
    if (box == TextBox::txtOutput)
        return FormView::number(box);
    std::optional<double>& n = numbers_[at(box)];
    if (!n)
        n = leadingNumber(cache_[at(box)]);
    return *n;
}

void FormBinding::setText(TextBox box, std::string_view text)
{
    if (box == TextBox::txtOutput) {
        pendingLog_.clear();
        w_.output->setPlainText(fromUtf8(text));
        return;
    }
    cache_[at(box)] = text;
    numbers_[at(box)].reset();
    if (isCounter(box))
        stale_[at(box)] = true;  // shown by the next present()
    else
        w_.lines[at(box)]->setText(fromUtf8(text));
}

void FormBinding::appendText(TextBox box, std::string_view tail)
{
    if (box == TextBox::txtOutput) {
        // Waiting lines belong where the log ended when the first of them was
        // written: text that got in since without a key or a click (an
        // assistive technology's edit) goes after them. A line written after
        // such text goes after it, so the waiting ones go in first.
        QTextDocument* doc = w_.output->document();
        if (!pendingLog_.empty() && logMark_.position() != doc->characterCount() - 1)
            flushLog();
        if (pendingLog_.empty()) {
            logMark_ = QTextCursor(doc);
            logMark_.movePosition(QTextCursor::End);
            logMark_.setKeepPositionOnInsert(true);
        }
        pendingLog_ += tail;
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
    QScrollBar* bar = w_.output->verticalScrollBar();
    const bool following = bar->value() >= bar->maximum();
    const int kept = bar->value();
    // Insert without moving the user's cursor or selection. Undo takes back
    // the user's typing, never the program's lines: writing them starts the
    // undo history afresh (turning it off clears it), as replacing the whole
    // text would.
    QTextDocument* doc = w_.output->document();
    QTextCursor at(doc);
    at.setPosition(logMark_.position());
    doc->setUndoRedoEnabled(false);
    at.insertText(fromUtf8(pendingLog_));
    doc->setUndoRedoEnabled(true);
    pendingLog_.clear();
    bar->setValue(following ? bar->maximum() : kept);
}

void FormBinding::userEdited(TextBox box, const QString& text)
{
    cache_[at(box)] = text.toStdString();
    numbers_[at(box)].reset();
}

int FormBinding::value(CheckBox box) const
{
    const QCheckBox* c = box == CheckBox::chkStep ? w_.chkStep : w_.chkRule2;
    return c->isChecked() ? 1 : 0;
}

void FormBinding::setEnabled(CheckBox box, bool enabled)
{
    (box == CheckBox::chkStep ? w_.chkStep : w_.chkRule2)->setEnabled(enabled);
}

std::string FormBinding::caption() const
{
    return w_.command1->text().toStdString();
}

void FormBinding::setCaption(std::string_view caption)
{
    w_.command1->setText(fromUtf8(caption));
}

void FormBinding::showMessage(std::string_view message)
{
    present();
    const QString text = fromUtf8(message);
    if (messageHook)
        messageHook(text);
    else
        QMessageBox::warning(w_.window, w_.window->windowTitle(), text);
}

PlotSurface& FormBinding::plot()
{
    return *w_.plot;
}

void FormBinding::present(bool log)
{
    for (std::size_t i = 0; i < stale_.size(); ++i) {
        if (stale_[i]) {
            w_.lines[i]->setText(QString::fromStdString(cache_[i]));
            w_.lines[i]->setCursorPosition(0);  // show the start of a long number
            stale_[i] = false;
        }
    }
    if (log)
        flushLog();
    w_.plot->flushDirty();
}

}  // namespace quillmar
