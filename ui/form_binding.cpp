#include "form_binding.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>

#include <utility>

#include "error_boundary.h"
#include "plot_widget.h"

namespace quillmar {

namespace {

QString fromUtf8(std::string_view s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

FormBinding::FormBinding(QWidget& window, const Controls& controls, ErrorBoundary& boundary,
                         ShowMessage showMessage)
    : window_(window),
      controls_(controls),
      boundary_(boundary),
      showMessage_(std::move(showMessage)),
      log_(*controls.txtOutput, boundary)
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
}

std::string FormBinding::text(TextBox box) const
{
    return box == TextBox::txtOutput ? log_.text() : cache_[indexOf(box)];
}

void FormBinding::setText(TextBox box, std::string_view text)
{
    if (box == TextBox::txtOutput) {
        log_.setText(text);
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
        log_.append(tail);
        return;
    }
    std::string next = text(box);
    next += tail;
    setText(box, next);
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
        log_.flush();
    controls_.picture1->flushDirty();
}

}  // namespace quillmar
