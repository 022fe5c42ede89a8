#include "form1.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>

#include <algorithm>
#include <cstdint>
#include <exception>
#include <limits>
#include <new>
#include <utility>
#include <vector>

#include "control_table.h"
#include "errors.h"
#include "form_binding.h"
#include "plot_widget.h"
#include "run_controller.h"
#include "simulation.h"

namespace quillmar {

namespace {

// Thrown out of the yield to unwind every loop level when the window closes or
// a nested handler failed.
struct RunAbandoned {};

constexpr int px(int twips)
{
    return twips / kTwipsPerPixel;
}

}  // namespace

// Asking costs about 1.6 µs with nothing pending, and a click reaches its
// handler about half a millisecond after the X server has it; at a fifth of a
// millisecond the asks take about 1% of a run, and a click waits for its
// handler well under a millisecond.
const EventPacer::Interval Form1::kAskInterval = std::chrono::microseconds(200);

QFont Form1::windowFont()
{
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPixelSize(11);
    f.setStyleHint(QFont::SansSerif);
    return f;
}

Form1::Form1(QWidget* parent, ClockMixedRandom::Clock clock, EventPacer::Clock askClock,
             EventPacer::Interval askInterval)
    : QWidget(parent), random_(std::move(clock)), pacer_(std::move(askClock), askInterval)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Quillmar (ver 1.0)"));
    setFont(windowFont());
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Button));
    setPalette(pal);
    setAutoFillBackground(true);
    resize(px(kClientWidthTwips), px(kClientHeightTwips));

    buildControls();

    const Boundary boundary = [this](Entry entry, const std::function<void()>& work) { shield(entry, work); };
    binding_ = std::make_unique<FormBinding>(*this, widgets_, boundary);
    sim_ = std::make_unique<Simulation>(*binding_, random_);
    controller_ = std::make_unique<RunController>(*binding_, *sim_, [this] { yield(); });
    picture1()->boundary = boundary;

    connect(command1(), &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(cmdReset(), &QPushButton::clicked, this, &Form1::cmdReset_Click);
    // toggled fires for every change of the box by the user, assistive
    // technology included; the program itself never sets this box.
    connect(chkStep(), &QCheckBox::toggled, this, &Form1::chkStep_Click);
    Form_Load();
}

Form1::~Form1()
{
    picture1()->boundary = nullptr;  // the plot outlives the members the boundary uses
}

void Form1::buildControls()
{
    std::vector<std::pair<int, QWidget*>> tabOrder;
    for (std::size_t row = 0; row < kControls.size(); ++row) {
        const ControlSpec& c = kControls[row];
        const QString name = QString::fromLatin1(c.name);
        const QString text = QString::fromUtf8(c.text);
        QWidget* widget = nullptr;
        switch (c.kind) {
            case ControlSpec::Kind::TextBox: {
                auto* e = new QLineEdit(text, this);
                e->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
                // Qt cuts a line edit's text at 32767 characters by default; a box holds any text.
                e->setMaxLength(std::numeric_limits<int>::max());
                widget = e;
                break;
            }
            case ControlSpec::Kind::MultiLineTextBox: {
                auto* t = new QPlainTextEdit(text, this);
                t->setLineWrapMode(QPlainTextEdit::WidgetWidth);
                t->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
                t->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
                t->setTabChangesFocus(true);
                // Tab stops every eight average characters keep a log line on one row.
                t->setTabStopDistance(8.0 * QFontMetricsF(windowFont()).averageCharWidth());
                t->setAccessibleName(QStringLiteral("Torrel log"));
                t->setAccessibleDescription(
                    QStringLiteral("One line per completed torrel: threshold fitness, then torrel size"));
                widget = t;
                break;
            }
            case ControlSpec::Kind::Label:
            case ControlSpec::Kind::WrappingLabel: {
                auto* l = new QLabel(text, this);
                l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
                l->setTextFormat(Qt::PlainText);
                l->setWordWrap(c.kind == ControlSpec::Kind::WrappingLabel);
                widget = l;
                break;
            }
            case ControlSpec::Kind::CheckBox:
                widget = new QCheckBox(text, this);
                break;
            case ControlSpec::Kind::Button: {
                auto* b = new QPushButton(text, this);
                // Enter presses a button only while it has the focus; no default button.
                b->setAutoDefault(true);
                b->setDefault(false);
                widget = b;
                break;
            }
            case ControlSpec::Kind::Picture: {
                auto* p = new PlotWidget(this);
                p->setAccessibleName(QStringLiteral("Fitness plot"));
                p->setAccessibleDescription(
                    QStringLiteral("Each species as a small box at its index and fitness; the line is the "
                                   "threshold fitness"));
                widget = p;
                break;
            }
        }
        widget->setObjectName(name);
        widget->setGeometry(px(c.left), px(c.top), px(c.width), px(c.height));
        widget->setEnabled(c.enabled);
        if (c.kind == ControlSpec::Kind::Label)
            widget->adjustSize();  // auto-size: the caption's own size replaces the design size
        widgets_[row] = widget;
        tabOrder.emplace_back(c.tabIndex, widget);
    }
    for (std::size_t row = 0; row < kControls.size(); ++row) {
        if (kControls[row].buddy)
            static_cast<QLabel*>(widgets_[row])->setBuddy(control(QString::fromLatin1(kControls[row].buddy)));
    }
    std::sort(tabOrder.begin(), tabOrder.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    // Qt ignores a tab-order pair that names a widget without focus (a label),
    // so chain only the controls that can take the focus.
    std::erase_if(tabOrder, [](const auto& t) { return t.second->focusPolicy() == Qt::NoFocus; });
    for (std::size_t i = 0; i + 1 < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i].second, tabOrder[i + 1].second);
    command1()->setFocus();
}

void Form1::Form_Load()
{
    // Open in the top-left corner of the screen, frame included, whatever the
    // window manager would choose.
    move(0, 0);
}

QWidget* Form1::control(const QString& name) const
{
    for (std::size_t row = 0; row < kControls.size(); ++row)
        if (name == QLatin1String(kControls[row].name))
            return widgets_[row];
    return nullptr;
}

QLineEdit* Form1::textBox(const QString& name) const
{
    return qobject_cast<QLineEdit*>(control(name));
}

QPlainTextEdit* Form1::txtOutput() const
{
    return static_cast<QPlainTextEdit*>(widgets_[rowOf(TextBox::txtOutput)]);
}

QPushButton* Form1::command1() const
{
    return static_cast<QPushButton*>(widgets_[rowOf(Handler::Command1_Click)]);
}

QPushButton* Form1::cmdReset() const
{
    return static_cast<QPushButton*>(widgets_[rowOf(Handler::cmdReset_Click)]);
}

QCheckBox* Form1::chkStep() const
{
    return static_cast<QCheckBox*>(widgets_[rowOf(CheckBox::chkStep)]);
}

QCheckBox* Form1::chkRule2() const
{
    return static_cast<QCheckBox*>(widgets_[rowOf(CheckBox::chkRule2)]);
}

PlotWidget* Form1::picture1() const
{
    return static_cast<PlotWidget*>(widgets_[pictureRow()]);
}

void Form1::present()
{
    binding_->present();
}

void Form1::yield()
{
    if (pacer_.due()) {
        binding_->beforeAsk();
        if (yieldHook)
            yieldHook();
        else
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        pacer_.asked();
    }
    if (closing_ || failure_)
        throw RunAbandoned{};
}

QString Form1::errorText(std::exception_ptr e)
{
    try {
        std::rethrow_exception(e);
    } catch (const std::bad_alloc&) {
        return QString::fromStdString(errorMessage(ErrorCode::OutOfMemory));
    } catch (const std::exception& x) {
        return QString::fromUtf8(x.what());
    } catch (...) {
        return QStringLiteral("Unknown error");
    }
}

void Form1::shield(Entry entry, const std::function<void()>& work)
{
    try {
        if (faultHook)
            faultHook(entry);
        work();
        return;
    } catch (const RunAbandoned&) {
        return;  // an outer level stops too: its yield sees the same flag
    } catch (...) {
        if (failure_)
            return;
        failure_ = errorText(std::current_exception());
    }
    // Outside every handler Qt's own frames, perhaps a paint, lie between here
    // and the event loop: the report waits until the loop has control again.
    if (handlerDepth_ == 0)
        QMetaObject::invokeMethod(this, &Form1::reportFailure, Qt::QueuedConnection);
}

void Form1::handle(const std::function<void()>& handler)
{
    if (closing_ || failure_)
        return;  // the program is ending: no new work
    ++handlerDepth_;
    // The first pass of a run this handler starts asks at once, and so does
    // the next pass of the loop whose yield delivered this click.
    pacer_.askAtNextPass();
    shield(Entry::Click, handler);
    pacer_.askAtNextPass();
    if (handlerDepth_ == 1 && !closing_ && !failure_)
        shield(Entry::Present, [this] { binding_->present(); });
    if (--handlerDepth_ == 0 && failure_)
        reportFailure();
}

void Form1::reportFailure()
{
    if (reported_)
        return;
    reported_ = true;
    // The screen shows everything done before the error, then the message; the
    // plot is painted whole, as the error may have struck its last paint.
    shield(Entry::Present, [this] {
        binding_->present();
        picture1()->update();
        repaint();
    });
    if (fatalHook) {
        fatalHook(*failure_);
        return;
    }
    QMessageBox::critical(this, windowTitle(), *failure_);
    hide();
    QCoreApplication::exit(1);
}

void Form1::Command1_Click()
{
    handle([this] { controller_->Command1_Click(); });
}

void Form1::cmdReset_Click()
{
    handle([this] { controller_->cmdReset_Click(); });
}

void Form1::chkStep_Click()
{
    handle([this] { controller_->chkStep_Click(); });
}

void Form1::closeEvent(QCloseEvent* event)
{
    // Running loops unwind at their next yield; nothing else runs after this.
    if (controller_->depth() > 0)
        closing_ = true;
    event->accept();
}

}  // namespace quillmar
