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

constexpr int kPaintIntervalMs = 16;
// An insertion into the log costs much the same for one line as for a
// hundred, so during a run the log takes its new lines less often than the
// counters and the plot are painted.
constexpr int kLogIntervalMs = 100;
constexpr int kPassesPerClockRead = 8;

}  // namespace

QFont Form1::windowFont()
{
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPixelSize(11);
    f.setStyleHint(QFont::SansSerif);
    return f;
}

Form1::Form1(QWidget* parent, ClockMixedRandom::Clock clock) : QWidget(parent), random_(std::move(clock))
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

    FormBinding::Widgets w;
    // In TextBox order; txtOutput is no line edit and stays null here.
    static constexpr const char* kTextBoxNames[kTextBoxCount] = {
        "txtOutput", "txtNumPts",  "txtNumAv",   "txtGenerations", "txtSize",
        "txtLowval", "txtLargest", "txtIterate", "txtTotIter"};
    for (std::size_t b = 0; b < w.lines.size(); ++b)
        w.lines[b] = textBox(QString::fromLatin1(kTextBoxNames[b]));
    w.output = txtOutput_;
    w.chkStep = chkStep_;
    w.chkRule2 = chkRule2_;
    w.command1 = Command1_;
    w.plot = Picture1_;
    w.window = this;
    binding_ = std::make_unique<FormBinding>(w);
    sim_ = std::make_unique<Simulation>(*binding_, random_);
    controller_ = std::make_unique<RunController>(*binding_, *sim_, [this] { yield(); });
    Picture1_->boundary = [this](Entry entry, const std::function<void()>& work) { shield(entry, work); };

    // The user-editable boxes are read on every pass; keep their cached texts current.
    for (TextBox b : {TextBox::txtNumPts, TextBox::txtGenerations}) {
        QLineEdit* e = w.lines[static_cast<std::size_t>(b)];
        connect(e, &QLineEdit::textChanged, this, [this, b](const QString& t) {
            shield(Entry::TextChanged, [&] { binding_->userEdited(b, t); });
        });
    }
    connect(Command1_, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(cmdReset_, &QPushButton::clicked, this, &Form1::cmdReset_Click);
    // toggled fires for every change of the box by the user, assistive
    // technology included; the program itself never sets this box.
    connect(chkStep_, &QCheckBox::toggled, this, &Form1::chkStep_Click);

    txtOutput_->installEventFilter(this);
    txtOutput_->viewport()->installEventFilter(this);
    paced_.start();
    logPaced_.start();
    Form_Load();
}

Form1::~Form1()
{
    Picture1_->boundary = nullptr;  // the plot outlives the members the boundary uses
}

void Form1::buildControls()
{
    std::vector<std::pair<int, QWidget*>> tabOrder;
    for (const ControlSpec& c : kControls) {
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
                txtOutput_ = t;
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
            case ControlSpec::Kind::CheckBox: {
                auto* b = new QCheckBox(text, this);
                (name == QLatin1String("chkStep") ? chkStep_ : chkRule2_) = b;
                widget = b;
                break;
            }
            case ControlSpec::Kind::Button: {
                auto* b = new QPushButton(text, this);
                // Enter presses a button only while it has the focus; no default button.
                b->setAutoDefault(true);
                b->setDefault(false);
                (name == QLatin1String("Command1") ? Command1_ : cmdReset_) = b;
                widget = b;
                break;
            }
            case ControlSpec::Kind::Picture: {
                Picture1_ = new PlotWidget(this);
                Picture1_->setAccessibleName(QStringLiteral("Fitness plot"));
                Picture1_->setAccessibleDescription(
                    QStringLiteral("Each species as a small box at its index and fitness; the line is the "
                                   "threshold fitness"));
                widget = Picture1_;
                break;
            }
        }
        widget->setObjectName(name);
        widget->setGeometry(px(c.left), px(c.top), px(c.width), px(c.height));
        widget->setEnabled(c.enabled);
        if (c.kind == ControlSpec::Kind::Label)
            widget->adjustSize();  // auto-size: the caption's own size replaces the design size
        byName_[name] = widget;
        tabOrder.emplace_back(c.tabIndex, widget);
    }
    for (const ControlSpec& c : kControls) {
        if (c.buddy)
            static_cast<QLabel*>(control(QString::fromLatin1(c.name)))
                ->setBuddy(control(QString::fromLatin1(c.buddy)));
    }
    std::sort(tabOrder.begin(), tabOrder.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    // Qt ignores a tab-order pair that names a widget without focus (a label),
    // so chain only the controls that can take the focus.
    std::erase_if(tabOrder, [](const auto& t) { return t.second->focusPolicy() == Qt::NoFocus; });
    for (std::size_t i = 0; i + 1 < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i].second, tabOrder[i + 1].second);
    Command1_->setFocus();
}

void Form1::Form_Load()
{
    // Open in the top-left corner of the screen, frame included, whatever the
    // window manager would choose.
    move(0, 0);
}

QWidget* Form1::control(const QString& name) const
{
    const auto it = byName_.find(name);
    return it == byName_.end() ? nullptr : it->second;
}

QLineEdit* Form1::textBox(const QString& name) const
{
    return qobject_cast<QLineEdit*>(control(name));
}

void Form1::present()
{
    binding_->present();
}

void Form1::yield()
{
    // Paint at a paced rate rather than on every pass: the texts the program
    // reads are exact at every pass; the screen catches up every few ms.
    // The clock is read every few passes only: a pass is a microsecond or
    // two, and the clock read is a noticeable part of that.
    if (++passesSinceClock_ >= kPassesPerClockRead) {
        passesSinceClock_ = 0;
        if (paced_.hasExpired(kPaintIntervalMs)) {
            const bool log = logPaced_.hasExpired(kLogIntervalMs);
            binding_->present(log);
            paced_.restart();
            if (log)
                logPaced_.restart();
        }
    }
    if (yieldHook)
        yieldHook();
    else
        QCoreApplication::processEvents(QEventLoop::AllEvents);
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
    shield(Entry::Click, handler);
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
        Picture1_->update();
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

bool Form1::eventFilter(QObject* watched, QEvent* event)
{
    // Log lines waiting for the next paint go in before the user's edit, so the
    // log keeps the order in which things happened.
    switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::InputMethod:
        case QEvent::MouseButtonPress:
        case QEvent::Drop:
        case QEvent::ContextMenu:
            shield(Entry::LogInput, [this] { binding_->flushLog(); });
            break;
        default:
            break;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace quillmar
