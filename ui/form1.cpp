#include "form1.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFont>
#include <QPalette>
#include <QPushButton>

#include <chrono>
#include <utility>

namespace quillmar {

namespace {

// During a run the counters and the plot are painted more than 16 ms apart,
// about 60 times a second.
constexpr EventPacer::Interval kPaintInterval = std::chrono::milliseconds(17);
// An insertion into the log costs much the same for one line as for a
// hundred, so during a run the log takes its waiting lines more than 100 ms
// apart, less often than the counters and the plot are painted.
constexpr EventPacer::Interval kLogInterval = std::chrono::milliseconds(101);
// A line costs the log box the same however many go in at once: while
// thousands of torrels end per second, the waiting lines go in in batches of
// this many, so that no insertion holds input up for long.
constexpr int kMaxWaitingLines = 2000;

}  // namespace

Form1::Form1(QWidget* parent, WindowServices services)
    : QWidget(parent),
      services_(std::move(services)),
      boundary_(*this, services_.injectFault, [this](const QString& m) { reportFailure(m); }),
      picture1_(withLook(this), boundary_),
      controls_(*this, picture1_),
      random_(services_.reseedClock),
      asks_(services_.paceClock, services_.askInterval, EventPacer::kPassesPerReading),
      paints_(services_.paceClock, kPaintInterval),
      logs_(services_.paceClock, kLogInterval),
      binding_(*this, controls_, boundary_, services_.showMessage),
      sim_(binding_, random_),
      controller_(binding_, sim_, [this] { yield(); })
{
    setObjectName(QStringLiteral("Form1"));
    connect(controls_.command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(controls_.cmdReset, &QPushButton::clicked, this, &Form1::cmdReset_Click);
    // toggled fires for every change of the box by the user, assistive
    // technology included; the program itself never sets this box.
    connect(controls_.chkStep, &QCheckBox::toggled, this, &Form1::chkStep_Click);
    Form_Load();
}

QWidget* Form1::withLook(QWidget* window)
{
    window->setWindowTitle(QStringLiteral("Quillmar (ver 1.0)"));
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(11);
    font.setStyleHint(QFont::SansSerif);
    window->setFont(font);
    QPalette pal = window->palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Button));
    window->setPalette(pal);
    window->setAutoFillBackground(true);
    window->resize(kClientWidthTwips / kTwipsPerPixel, kClientHeightTwips / kTwipsPerPixel);
    return window;
}

void Form1::Form_Load()
{
    // Open in the top-left corner of the screen, frame included, whatever the
    // window manager would choose.
    move(0, 0);
}

void Form1::yield()
{
    if (asks_.due()) {
        catchUpScreen();
        services_.askForEvents();
        asks_.restart();
    }
    boundary_.unwindIfEnding();
}

void Form1::catchUpScreen()
{
    // The texts the program reads are exact at every pass; before an ask lets
    // the window system paint, the screen catches up as far as its pace says.
    if (binding_.waitingLogLines() >= kMaxWaitingLines)
        binding_.flushLog();
    if (!paints_.due())
        return;
    const bool log = logs_.due();
    binding_.present(log);
    paints_.restart();
    if (log)
        logs_.restart();
}

void Form1::handle(const std::function<void()>& handler)
{
    // The first pass of a run this handler starts asks at once, and so does
    // the next pass of the loop whose yield delivered the click: the handler
    // may have taken any time (a message waits for the user).
    asks_.dueAtNextCall();
    boundary_.runHandler(handler, [this] { binding_.present(); });
    asks_.dueAtNextCall();
}

void Form1::reportFailure(const QString& message)
{
    // The screen shows everything done before the error, then the message; the
    // plot is painted whole, as the error may have struck its last paint.
    boundary_.run(Entry::Present, [this] {
        binding_.present();
        controls_.picture1->update();
        repaint();
    });
    services_.reportFatal(*this, message);
}

void Form1::Command1_Click()
{
    handle([this] { controller_.Command1_Click(); });
}

void Form1::cmdReset_Click()
{
    handle([this] { controller_.cmdReset_Click(); });
}

void Form1::chkStep_Click()
{
    handle([this] { controller_.chkStep_Click(); });
}

void Form1::closeEvent(QCloseEvent* event)
{
    // Running loops unwind at their next yield; nothing else runs after this.
    if (controller_.depth() > 0)
        boundary_.close();
    event->accept();
}

}  // namespace quillmar
