#include "controls.h"

#include <QCheckBox>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <algorithm>
#include <limits>
#include <string_view>
#include <utility>
#include <vector>

#include "plot_widget.h"

namespace quillmar {

namespace {

constexpr int px(int twips)
{
    return twips / kTwipsPerPixel;
}

QLineEdit* lineEdit(const QString& text, QWidget& window)
{
    auto* e = new QLineEdit(text, &window);
    e->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // Qt cuts a line edit's text at 32767 characters by default; a box holds any text.
    e->setMaxLength(std::numeric_limits<int>::max());
    return e;
}

QPlainTextEdit* logBox(const QString& text, QWidget& window)
{
    auto* t = new QPlainTextEdit(text, &window);
    t->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    t->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    t->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    t->setTabChangesFocus(true);
    // Tab stops every eight average characters keep a log line on one row.
    t->setTabStopDistance(8.0 * QFontMetricsF(window.font()).averageCharWidth());
    t->setAccessibleName(QStringLiteral("Torrel log"));
    t->setAccessibleDescription(
        QStringLiteral("One line per completed torrel: threshold fitness, then torrel size"));
    return t;
}

QLabel* label(const QString& text, bool wraps, QWidget& window)
{
    auto* l = new QLabel(text, &window);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    l->setTextFormat(Qt::PlainText);
    l->setWordWrap(wraps);
    return l;
}

QPushButton* button(const QString& text, QWidget& window)
{
    auto* b = new QPushButton(text, &window);
    // Enter presses a button only while it has the focus; no default button.
    b->setAutoDefault(true);
    b->setDefault(false);
    return b;
}

PlotWidget& picture(PlotWidget& p)
{
    p.setAccessibleName(QStringLiteral("Fitness plot"));
    p.setAccessibleDescription(QStringLiteral(
        "Each species as a small box at its index and fitness; the line is the threshold fitness"));
    // Made before the other controls: stacked, and listed to screen readers,
    // where the table puts it.
    p.raise();
    return p;
}

// Puts a control where the design has it, in its state.
void place(QWidget& w, const ControlSpec& c)
{
    w.setObjectName(QString::fromLatin1(c.name));
    w.setGeometry(px(c.left), px(c.top), px(c.width), px(c.height));
    w.setEnabled(c.enabled);
    if (c.kind == ControlSpec::Kind::Label)
        w.adjustSize();  // auto-size: the caption's own size replaces the design size
}

}  // namespace

Controls::Controls(QWidget& window, PlotWidget& picture1)
{
    for (std::size_t row = 0; row < kControls.size(); ++row) {
        byRow_[row] = &make(kControls[row], window, picture1);
        place(*byRow_[row], kControls[row]);
    }
    linkBuddies();
    orderTabs();
    command1->setFocus();
}

QWidget& Controls::make(const ControlSpec& c, QWidget& window, PlotWidget& plot)
{
    const std::string_view initial = initialText(c);
    const QString text = QString::fromUtf8(initial.data(), static_cast<qsizetype>(initial.size()));
    switch (c.kind) {
        case ControlSpec::Kind::TextBox:
            return *(textBoxes_[indexOf(*c.box)] = lineEdit(text, window));
        case ControlSpec::Kind::MultiLineTextBox:
            return *(txtOutput = logBox(text, window));
        case ControlSpec::Kind::Label:
        case ControlSpec::Kind::WrappingLabel:
            return *label(text, c.kind == ControlSpec::Kind::WrappingLabel, window);
        case ControlSpec::Kind::CheckBox:
            return *((*c.check == CheckBox::chkStep ? chkStep : chkRule2) = new QCheckBox(text, &window));
        case ControlSpec::Kind::Button:
            return *((*c.button == Button::Command1 ? command1 : cmdReset) = button(text, window));
        case ControlSpec::Kind::Picture:
            return *(picture1 = &picture(plot));
    }
    return window;  // not reached: every kind is made above
}

QWidget* Controls::named(const char* name) const
{
    for (std::size_t row = 0; row < kControls.size(); ++row)
        if (std::string_view(kControls[row].name) == name)
            return byRow_[row];
    return nullptr;
}

void Controls::linkBuddies() const
{
    for (std::size_t row = 0; row < kControls.size(); ++row)
        if (kControls[row].buddy)
            static_cast<QLabel*>(byRow_[row])->setBuddy(named(kControls[row].buddy));
}

void Controls::orderTabs() const
{
    std::vector<std::pair<int, QWidget*>> order;
    for (std::size_t row = 0; row < kControls.size(); ++row)
        order.emplace_back(kControls[row].tabIndex, byRow_[row]);
    std::sort(order.begin(), order.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    // Qt ignores a tab-order pair that names a widget without focus (a label),
    // so chain only the controls that can take the focus.
    std::erase_if(order, [](const auto& t) { return t.second->focusPolicy() == Qt::NoFocus; });
    for (std::size_t i = 0; i + 1 < order.size(); ++i)
        QWidget::setTabOrder(order[i].second, order[i + 1].second);
}

}  // namespace quillmar
