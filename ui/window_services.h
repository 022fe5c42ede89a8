#pragma once

#include <QString>
#include <chrono>
#include <functional>

#include "error_boundary.h"
#include "event_pacer.h"
#include "random_source.h"

class QWidget;

namespace quillmar {

// What the window takes from its surroundings, handed over when it is
// constructed. The defaults are Qt's and the system's own behaviour; tests
// and benchmarks replace what they need to observe or script.
struct WindowServices {
    using Message = std::function<void(QWidget& window, const QString& message)>;

    // How long a run goes on between two asks for the window system's events.
    // An ask costs as much as several generations even with nothing pending,
    // while a click waits for the next ask: the interval keeps the asks a
    // small share of a run and adds little to a click's latency
    // (quillmar-ui-bench: ask_share of BM_Run, BM_ClickLatency).
    static constexpr EventPacer::Interval kAskInterval = std::chrono::microseconds(100);

    // Processes every pending window event, repaints included, and returns;
    // called only at the passes whose yield asks.
    std::function<void()> askForEvents = processEvents;
    // The clock that paces a run's asks for events, its paints and its log.
    EventPacer::Clock paceClock = EventPacer::steadyClock();
    // With an interval of zero every pass asks.
    EventPacer::Interval askInterval = kAskInterval;
    // The clock that every reseed of the random generator folds in.
    ClockMixedRandom::Clock reseedClock = ClockMixedRandom::systemClock();
    // Shows a modal, non-fatal message and returns when it is dismissed.
    Message showMessage = warningBox;
    // Reports the error that ends the program (a line on standard error, a
    // modal box, then the event loop ends with status 1).
    Message reportFatal = fatalBox;
    // Runs at the start of all work at each place where Qt calls into the
    // window, and may throw there; nothing by default.
    ErrorBoundary::InjectFault injectFault;

    static void processEvents();
    static void warningBox(QWidget& window, const QString& message);
    static void fatalBox(QWidget& window, const QString& message);
    // Writes the error that ends the program to standard error, for where no
    // one sees the box (xvfb-run, ssh): "quillmar: " and the message.
    static void fatalLine(const QString& message);
};

}  // namespace quillmar
