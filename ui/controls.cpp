#include "controls.h"

#include <QCheckBox>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <algorithm>
#include <limits>
#include <utility>
#include <vector>

#include "plot_widget.h"

namespace quillmar {

namespace {

constexpr int px(int twips)
{
    return twips / kTwipsPerPixel;
}

QFont windowFont()
{
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPixelSize(11);
    f.setStyleHint(QFont::SansSerif);
    return f;
}

}  // namespace

Controls::Controls(QWidget& window, ErrorBoundary& boundary)
{
    // The window itself as designed: its caption, client size, font and background.
    window.setWindowTitle(QStringLiteral("Quillmar (ver 1.0)"));
    window.setFont(windowFont());
    QPalette pal = window.palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Button));
    window.setPalette(pal);
    window.setAutoFillBackground(true);
    window.resize(px(kClientWidthTwips), px(kClientHeightTwips));

    std::array<QWidget*, kControls.size()> byRow{};
    std::array<QLabel*, kControls.size()> labels{};
    for (std::size_t row = 0; row < kControls.size(); ++row) {
        const ControlSpec& c = kControls[row];
        const std::string_view initial = initialText(c);
        const QString text = QString::fromUtf8(initial.data(), static_cast<qsizetype>(initial.size()));
        QWidget* widget = nullptr;
        switch (c.kind) {
            case ControlSpec::Kind::TextBox: {
                auto* e = new QLineEdit(text, &window);
                e->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
                // Qt cuts a line edit's text at 32767 characters by default; a box holds any text.
                e->setMaxLength(std::numeric_limits<int>::max());
                textBoxes_[indexOf(*c.box)] = e;
                widget = e;
                break;
            }
            case ControlSpec::Kind::MultiLineTextBox: {
                auto* t = new QPlainTextEdit(text, &window);
                t->setLineWrapMode(QPlainTextEdit::WidgetWidth);
                t->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
                t->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
                t->setTabChangesFocus(true);
                // Tab stops every eight average characters keep a log line on one row.
                t->setTabStopDistance(8.0 * QFontMetricsF(windowFont()).averageCharWidth());
                t->setAccessibleName(QStringLiteral("Torrel log"));
                t->setAccessibleDescription(
                    QStringLiteral("One line per completed torrel: threshold fitness, then torrel size"));
                txtOutput = t;
                widget = t;
                break;
            }
            case ControlSpec::Kind::Label:
            case ControlSpec::Kind::WrappingLabel: {
                auto* l = new QLabel(text, &window);
                l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
                l->setTextFormat(Qt::PlainText);
                l->setWordWrap(c.kind == ControlSpec::Kind::WrappingLabel);
                labels[row] = l;
                widget = l;
                break;
            }
            case ControlSpec::Kind::CheckBox: {
                auto* b = new QCheckBox(text, &window);
                (*c.check == CheckBox::chkStep ? chkStep : chkRule2) = b;
                widget = b;
                break;
            }
            case ControlSpec::Kind::Button: {
                auto* b = new QPushButton(text, &window);
                // Enter presses a button only while it has the focus; no default button.
                b->setAutoDefault(true);
                b->setDefault(false);
                (c.handler == Handler::Command1_Click ? command1 : cmdReset) = b;
                widget = b;
                break;
            }
            case ControlSpec::Kind::Picture: {
                auto* p = new PlotWidget(&window, boundary);
                p->setAccessibleName(QStringLiteral("Fitness plot"));
                p->setAccessibleDescription(
                    QStringLiteral("Each species as a small box at its index and fitness; the line is the "
                                   "threshold fitness"));
                picture1 = p;
                widget = p;
                break;
            }
        }
        widget->setObjectName(QString::fromLatin1(c.name));
        widget->setGeometry(px(c.left), px(c.top), px(c.width), px(c.height));
        widget->setEnabled(c.enabled);
        if (c.kind == ControlSpec::Kind::Label)
            widget->adjustSize();  // auto-size: the caption's own size replaces the design size
        byRow[row] = widget;
    }

    const auto named = [&byRow](const char* name) {
        for (std::size_t row = 0; row < kControls.size(); ++row)
            if (std::string_view(kControls[row].name) == name)
                return byRow[row];
        return static_cast<QWidget*>(nullptr);
    };
    std::vector<std::pair<int, QWidget*>> tabOrder;
    for (std::size_t row = 0; row < kControls.size(); ++row) {
        if (kControls[row].buddy)
            labels[row]->setBuddy(named(kControls[row].buddy));
        tabOrder.emplace_back(kControls[row].tabIndex, byRow[row]);
    }
    std::sort(tabOrder.begin(), tabOrder.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    // Qt ignores a tab-order pair that names a widget without focus (a label),
    // so chain only the controls that can take the focus.
    std::erase_if(tabOrder, [](const auto& t) { return t.second->focusPolicy() == Qt::NoFocus; });
    for (std::size_t i = 0; i + 1 < tabOrder.size(); ++i)
        QWidget::setTabOrder(tabOrder[i].second, tabOrder[i + 1].second);
    command1->setFocus();
}

}  // namespace quillmar
