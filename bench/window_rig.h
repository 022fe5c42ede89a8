#pragma once

// The real window as the window benchmarks drive it: shown and exposed on the
// X display, pressed through its controls, its error reports and messages kept
// instead of opening modal boxes.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <QTest>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "form1.h"
#include "numtext.h"

namespace quillmar::bench {

using Clock = std::chrono::steady_clock;

inline double seconds(Clock::time_point a, Clock::time_point b)
{
    return std::chrono::duration<double>(b - a).count();
}

// Lets the window system catch up for `ms`: pending events, paints, deferred
// deletes and window-manager traffic.
inline void settle(int ms = 100)
{
    QElapsedTimer t;
    t.start();
    while (!t.hasExpired(ms))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

struct Window {
    std::vector<QString> failures;
    std::vector<QString> messages;
    // Time spent asking the window system for events during runs, and how often.
    double askSeconds = 0;
    std::int64_t asks = 0;
    // The run time between the end of one ask and the start of the next.
    std::vector<double> gaps;
    Clock::time_point lastAskEnd{};

    Form1 w{nullptr, services()};
    const Controls& c = w.controls();

    Window()
    {
        w.show();
        if (!QTest::qWaitForWindowExposed(&w, 5000))
            std::fprintf(stderr, "the window was not exposed\n");
        settle();
    }

    // Qt's own services, the asks timed, error reports and messages kept.
    WindowServices services()
    {
        WindowServices s;
        s.askForEvents = [this] {
            const auto t0 = Clock::now();
            if (lastAskEnd != Clock::time_point{})
                gaps.push_back(seconds(lastAskEnd, t0));
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            lastAskEnd = Clock::now();
            askSeconds += seconds(t0, lastAskEnd);
            ++asks;
        };
        s.reportFatal = [this](QWidget&, const QString& m) { failures.push_back(m); };
        s.showMessage = [this](QWidget&, const QString& m) { messages.push_back(m); };
        return s;
    }

    void setText(TextBox box, const QString& text) { c.textBox(box)->setText(text); }
    double total() { return leadingNumber(w.binding().text(TextBox::txtTotIter)); }
    std::string caption() { return w.binding().caption(); }
    void press(QPushButton* button)
    {
        lastAskEnd = {};  // a new run
        QTest::mouseClick(button, Qt::LeftButton);
    }
    void click() { press(c.command1); }

    // Starts a run of `species` with a one-generation target, leaving the
    // caption "&Resume" so that the next click continues the same run.
    void beginWithOneGeneration(int species)
    {
        setText(TextBox::txtNumPts, QString::number(species));
        setText(TextBox::txtGenerations, QStringLiteral("1"));
        click();
    }

    // Sets the target `generations` past the current total.
    void targetAhead(double generations)
    {
        setText(TextBox::txtGenerations, QString::number(static_cast<qint64>(total() + generations)));
    }
};

// Clicks on chkRule2 during a run (click_latency_bench.cpp); registered with
// the other window figures so that they run in one fixed order.
void BM_ClickLatency(benchmark::State& state);

}  // namespace quillmar::bench
