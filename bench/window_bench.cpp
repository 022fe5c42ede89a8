// Benchmarks of the real window, driven through its controls on a live X
// display (run under Xvfb: xvfb-run -a -s "-screen 0 1280x1024x24" ...).
//
// Every figure is reported next to its reference, measured in the same
// process, and the targets are checked at the end in a PASS/FAIL summary:
//   BM_BeginDraw/32765     a Begin initialisation of 32765 species, drawn into
//                          the plot and painted: under 50 ms.
//   BM_EmptyProcessEvents  one empty pass of the event loop on the shown
//                          window; its inverse is the ceiling of generations/s.
//   BM_Run/50              a run at 50 species: the plot and txtTotIter
//                          repaint at least 50 times/s (its rate against an
//                          earlier build: bench/compare_window.sh).
//   BM_Run/32765           a run at 32765 species: at least 80% of the
//                          headless generation rate.
//   BM_RunSingleSite/32765 the same with "Remove Rule 2" ticked: at least 90%
//                          of the rate of the three-site rule.
//   BM_ClickLatency/50     clicks on chkRule2 during a run: 90th percentile
//                          from the click to `toggled` below 20 ms (posted
//                          events, and real X input through XTest when the
//                          library is present); timer lateness reported too.
//   BM_CloseDuringRun/N    closing the window during a run (50 and 32765
//                          species): the outermost Command1 handler returns
//                          within 100 ms.
//
// BM_Run also reports its ratios on thread CPU time (cpu_ratio_to_ceiling,
// cpu_share): when other processes compete for the processors, wall-clock
// figures drop and cpu_share falls below 1.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTimer>

#include <time.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "harness.h"
#include "plot_widget.h"
#include "random_source.h"
#include "recording_form.h"
#include "silent_form.h"
#include "simulation.h"
#include "toolkit_setup.h"
#include "window_rig.h"
#include "x_test_input.h"

namespace {

using namespace quillmar::bench;
using quillmar::ClockMixedRandom;
using quillmar::Simulation;
using quillmar::testing::makeSilent;
using quillmar::testing::RecordingForm;
using quillmar::testing::XTestInput;

// Counts paint events delivered to one widget.
class PaintCounter final : public QObject {
public:
    explicit PaintCounter(QWidget* target) : target_(target) { target_->installEventFilter(this); }
    ~PaintCounter() override { target_->removeEventFilter(this); }
    std::int64_t count = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == target_ && event->type() == QEvent::Paint)
            ++count;
        return false;
    }

private:
    QWidget* target_;
};

// CPU time of the calling thread, in seconds.
double threadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// The cost of one QCoreApplication::processEvents() with nothing to do, on
// the shown window, in wall-clock and in thread CPU seconds.
struct EventPassCost {
    double wall = 0;
    double cpu = 0;
};

// `batches` batches of `batchSize` calls; the median batch, per call.
EventPassCost emptyProcessEventsCost(int batches = 7, int batchSize = 20000)
{
    for (int i = 0; i < 2000; ++i)
        QCoreApplication::processEvents();
    std::vector<double> wall, cpu;
    for (int r = 0; r < batches; ++r) {
        const double c0 = threadCpuSeconds();
        const auto t0 = Clock::now();
        for (int i = 0; i < batchSize; ++i)
            QCoreApplication::processEvents();
        wall.push_back(seconds(t0, Clock::now()) / batchSize);
        cpu.push_back((threadCpuSeconds() - c0) / batchSize);
    }
    return {median(wall), median(cpu)};
}

// The engine alone, with a window that keeps its texts but draws nothing (as
// BM_Generation in the headless benchmarks). It advances in step with the
// window's run, so both work on a population at the same stage.
struct HeadlessRun {
    RecordingForm form;
    ClockMixedRandom random{ClockMixedRandom::systemClock()};
    Simulation sim{form, random};

    explicit HeadlessRun(int species, bool singleSite = false)
    {
        makeSilent(form, species);
        form.setCheck(quillmar::CheckBox::chkRule2, singleSite ? 1 : 0);
        sim.beginInit();
        advance(1);
    }
    // Seconds taken by `generations` generations.
    double advance(std::int64_t generations)
    {
        const auto t0 = Clock::now();
        for (std::int64_t i = 0; i < generations; ++i)
            sim.try_(sim.x, sim.xpos, sim.xposold, sim.a, sim.num);
        return seconds(t0, Clock::now());
    }
};

double headlessBeginInitSeconds(int species)
{
    RecordingForm form;
    makeSilent(form, species);
    ClockMixedRandom random(ClockMixedRandom::systemClock());
    Simulation sim(form, random);
    sim.beginInit();
    std::vector<double> t;
    for (int r = 0; r < 9; ++r) {
        const auto t0 = Clock::now();
        sim.beginInit();
        t.push_back(seconds(t0, Clock::now()));
    }
    return median(t);
}

// ---------------------------------------------------------------------------
// 1. Begin with 32765 species, drawn and painted.

void BM_BeginDraw(benchmark::State& state)
{
    const int species = static_cast<int>(state.range(0));
    const double headless = headlessBeginInitSeconds(species);
    Window win;
    win.setText("txtNumPts", QString::number(species));
    PaintCounter plotPaints(win.w.picture1());
    std::vector<double> times;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        win.w.simulation().beginInit();
        win.w.present();
        QCoreApplication::processEvents();
        const double t = seconds(t0, Clock::now());
        state.SetIterationTime(t);
        times.push_back(t);
    }
    const double med = median(times);
    state.counters["median_ms"] = med * 1e3;
    state.counters["headless_ms"] = headless * 1e3;
    state.counters["ratio_to_headless"] = med / headless;
    state.counters["plot_paints_per_iter"] =
        static_cast<double>(plotPaints.count) / static_cast<double>(times.size());
    target("BeginDraw/" + std::to_string(species) + " median", med * 1e3, "ms", Bound::Below, 50.0);
    target("BeginDraw/" + std::to_string(species) + " worst",
           *std::max_element(times.begin(), times.end()) * 1e3, "ms", Bound::Below, 50.0);
}
BENCHMARK(BM_BeginDraw)->Arg(32765)->Iterations(15)->UseManualTime()->Unit(benchmark::kMillisecond);

// ---------------------------------------------------------------------------
// 2. The ceiling: one empty processEvents() on the shown window.

void BM_EmptyProcessEvents(benchmark::State& state)
{
    Window win;
    for (int i = 0; i < 2000; ++i)
        QCoreApplication::processEvents();
    for (auto _ : state)
        QCoreApplication::processEvents();
    const EventPassCost cost = emptyProcessEventsCost();
    state.counters["cost_us"] = cost.wall * 1e6;
    state.counters["cpu_cost_us"] = cost.cpu * 1e6;
    state.counters["ceiling_per_s"] = 1.0 / cost.wall;
}
BENCHMARK(BM_EmptyProcessEvents)->Unit(benchmark::kMicrosecond);

// ---------------------------------------------------------------------------
// 3 and 4 (and 5 at 50 species). A run to a target, pressed on Command1.

// Generations per second of the three-site runs, by species count, for the
// single-site runs to compare with.
std::map<int, double>& threeSiteRates()
{
    static std::map<int, double> rates;
    return rates;
}

void runToTarget(benchmark::State& state, bool singleSite)
{
    const int species = static_cast<int>(state.range(0));
    const auto generations = state.range(1);
    Window win;
    win.w.chkRule2()->setChecked(singleSite);
    win.beginWithOneGeneration(species);
    HeadlessRun headless(species, singleSite);

    PaintCounter plotPaints(win.w.picture1());
    PaintCounter totPaints(win.w.textBox(QStringLiteral("txtTotIter")));
    double runSeconds = 0, runCpuSeconds = 0, runGenerations = 0, headlessSeconds = 0;
    std::vector<double> passWall, passCpu;
    bool reached = true;
    for (auto _ : state) {
        // The references first, just before the run they are compared with:
        // the engine alone on as many generations, and the empty event pass.
        headlessSeconds += headless.advance(generations);
        const EventPassCost pass = emptyProcessEventsCost(3, 10000);
        passWall.push_back(pass.wall);
        passCpu.push_back(pass.cpu);

        const double before = win.total();
        win.targetAhead(static_cast<double>(generations));
        const double c0 = threadCpuSeconds();
        const auto t0 = Clock::now();
        win.click();
        const double t = seconds(t0, Clock::now());
        runCpuSeconds += threadCpuSeconds() - c0;
        state.SetIterationTime(t);
        runSeconds += t;
        runGenerations += win.total() - before;
        reached =
            reached && win.caption() == "&Resume" && win.total() - before == static_cast<double>(generations);
    }
    const double rate = runGenerations / runSeconds;
    const double headlessRate = runGenerations / headlessSeconds;
    const double ceiling = 1.0 / median(passWall);
    const double cpuRate = runGenerations / runCpuSeconds;
    const double cpuCeiling = 1.0 / median(passCpu);
    state.counters["gen_per_s"] = rate;
    state.counters["ceiling_per_s"] = ceiling;
    state.counters["ratio_to_ceiling"] = rate / ceiling;
    state.counters["headless_per_s"] = headlessRate;
    state.counters["ratio_to_headless"] = rate / headlessRate;
    // The same on thread CPU time, which other processes on the machine
    // disturb less: a check on the wall-clock ratios.
    state.counters["cpu_share"] = runCpuSeconds / runSeconds;
    state.counters["cpu_ratio_to_ceiling"] = cpuRate / cpuCeiling;
    state.counters["plot_paints_per_s"] = static_cast<double>(plotPaints.count) / runSeconds;
    state.counters["tot_paints_per_s"] = static_cast<double>(totPaints.count) / runSeconds;
    state.counters["reached"] = reached ? 1 : 0;
    if (!reached)
        state.SkipWithError("the run did not stop at its target with the caption &Resume");
    const std::string name = (singleSite ? "RunSingleSite/" : "Run/") + std::to_string(species);
    if (singleSite) {
        if (const auto it = threeSiteRates().find(species); it != threeSiteRates().end())
            target(name + " generations/s vs the three-site rule", rate / it->second, "x three-site",
                   Bound::AtLeast, 0.9);
        return;
    }
    threeSiteRates()[species] = rate;
    if (species <= 1000) {
        target(name + " plot paints/s", static_cast<double>(plotPaints.count) / runSeconds, "/s",
               Bound::AtLeast, 50);
        target(name + " txtTotIter paints/s", static_cast<double>(totPaints.count) / runSeconds, "/s",
               Bound::AtLeast, 50);
    } else {
        target(name + " generations/s vs headless", rate / headlessRate, "x headless", Bound::AtLeast, 0.8);
    }
}

void BM_Run(benchmark::State& state)
{
    runToTarget(state, false);
}
// At 32765 species a run of 30000 generations lasts a tenth of a second or
// so, long enough that what each click costs once (its press, the final
// paint and log insertion) does not stand in for the rate of a long run.
BENCHMARK(BM_Run)->Args({50, 500000})->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Run)->Args({32765, 30000})->Iterations(6)->UseManualTime()->Unit(benchmark::kMillisecond);

// The same with "Remove Rule 2" ticked: one fresh value per generation.
void BM_RunSingleSite(benchmark::State& state)
{
    runToTarget(state, true);
}
BENCHMARK(BM_RunSingleSite)
    ->Args({32765, 30000})
    ->Iterations(6)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// ---------------------------------------------------------------------------
// 6. Clicks on chkRule2 during a run at 50 species.

// A point inside chkRule2's indicator, in the box's own coordinates.
QPoint indicatorPoint(QCheckBox* box)
{
    QStyleOptionButton opt;
    opt.initFrom(box);
    opt.text = box->text();
    return box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &opt, box).center();
}

enum class ClickPath { Posted, XServer };

struct ClickRecord {
    std::vector<double> latency;   // seconds from the click to toggled
    std::vector<double> lateness;  // seconds a single-shot timer fired late
    int lost = 0;
};

// Runs until `clicks` clicks have toggled chkRule2 (then presses Pause);
// each click is sent by a single-shot timer after a pseudo-random delay.
ClickRecord clicksDuringRun(Window& win, ClickPath path, int clicks, XTestInput* x)
{
    ClickRecord rec;
    QCheckBox* box = win.w.chkRule2();
    const QPoint local = indicatorPoint(box);
    if (path == ClickPath::XServer) {
        x->moveTo(box->mapToGlobal(local));
        settle();
    }
    std::uint32_t lcg = 12345;
    auto nextDelay = [&lcg] {
        lcg = lcg * 1664525u + 1013904223u;
        return 15 + static_cast<int>((lcg >> 16) % 46);  // 15..60 ms
    };

    Clock::time_point clickedAt{};
    bool waiting = false;
    int done = 0;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    Clock::time_point due{};
    QTimer watchdog;  // a click that never toggles the box is counted as lost
    watchdog.setSingleShot(true);

    auto schedule = [&] {
        const int d = nextDelay();
        due = Clock::now() + std::chrono::milliseconds(d);
        timer.start(d);
    };
    auto finish = [&] {
        // Pause the run: the loop ends after its current pass.
        QTest::mouseClick(win.w.command1(), Qt::LeftButton);
    };
    QObject::connect(&timer, &QTimer::timeout, [&] {
        const auto now = Clock::now();
        rec.lateness.push_back(seconds(due, now));
        clickedAt = now;
        waiting = true;
        if (path == ClickPath::Posted) {
            const QPointF p(local);
            const QPointF g(box->mapToGlobal(local));
            QCoreApplication::postEvent(box, new QMouseEvent(QEvent::MouseButtonPress, p, p, g,
                                                             Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
            QCoreApplication::postEvent(box, new QMouseEvent(QEvent::MouseButtonRelease, p, p, g,
                                                             Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
        } else {
            x->clickLeft();
        }
        watchdog.start(1000);
    });
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
        waiting = false;
        ++rec.lost;
        if (++done >= clicks)
            finish();
        else
            schedule();
    });
    const auto conn = QObject::connect(box, &QCheckBox::toggled, [&](bool) {
        if (!waiting)
            return;
        waiting = false;
        watchdog.stop();
        rec.latency.push_back(seconds(clickedAt, Clock::now()));
        if (++done >= clicks)
            finish();
        else
            schedule();
    });

    win.targetAhead(1e12);  // long enough never to stop on its own
    schedule();
    win.click();  // Resume; returns after the Pause
    QObject::disconnect(conn);
    timer.stop();
    watchdog.stop();
    return rec;
}

void BM_ClickLatency(benchmark::State& state)
{
    const int species = static_cast<int>(state.range(0));
    constexpr int kClicks = 50;
    Window win;
    win.beginWithOneGeneration(species);
    XTestInput xtest;
    ClickRecord posted, xserver;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        const ClickRecord p = clicksDuringRun(win, ClickPath::Posted, kClicks, nullptr);
        posted.latency.insert(posted.latency.end(), p.latency.begin(), p.latency.end());
        posted.lateness.insert(posted.lateness.end(), p.lateness.begin(), p.lateness.end());
        posted.lost += p.lost;
        if (xtest.available()) {
            const ClickRecord r = clicksDuringRun(win, ClickPath::XServer, kClicks, &xtest);
            xserver.latency.insert(xserver.latency.end(), r.latency.begin(), r.latency.end());
            xserver.lateness.insert(xserver.lateness.end(), r.lateness.begin(), r.lateness.end());
            xserver.lost += r.lost;
        }
        state.SetIterationTime(seconds(t0, Clock::now()));
    }
    const double postedP90 = percentile(posted.latency, 0.9);
    state.counters["posted_p90_ms"] = postedP90 * 1e3;
    state.counters["posted_max_ms"] = percentile(posted.latency, 1.0) * 1e3;
    state.counters["posted_lost"] = posted.lost;
    std::vector<double> lateness = posted.lateness;
    lateness.insert(lateness.end(), xserver.lateness.begin(), xserver.lateness.end());
    state.counters["timer_late_p90_ms"] = percentile(lateness, 0.9) * 1e3;
    state.counters["timer_late_max_ms"] = percentile(lateness, 1.0) * 1e3;
    const std::string name = "ClickLatency/" + std::to_string(species);
    target(name + " posted click p90", postedP90 * 1e3, "ms", Bound::Below, 20.0);
    if (posted.lost > 0)
        target(name + " posted clicks lost", posted.lost, "", Bound::Below, 1);
    if (xtest.available()) {
        const double xP90 = percentile(xserver.latency, 0.9);
        state.counters["x11_p90_ms"] = xP90 * 1e3;
        state.counters["x11_max_ms"] = percentile(xserver.latency, 1.0) * 1e3;
        state.counters["x11_lost"] = xserver.lost;
        target(name + " X server click p90", xP90 * 1e3, "ms", Bound::Below, 20.0);
        if (xserver.lost > 0)
            target(name + " X server clicks lost", xserver.lost, "", Bound::Below, 1);
    } else {
        std::fprintf(stderr, "window_bench: libXtst not found; X server clicks skipped\n");
    }
    target(name + " timer lateness p90", percentile(lateness, 0.9) * 1e3, "ms", Bound::Below, 20.0);
}
BENCHMARK(BM_ClickLatency)->Arg(50)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

// ---------------------------------------------------------------------------
// 7. Closing the window during a run.

void BM_CloseDuringRun(benchmark::State& state)
{
    const int species = static_cast<int>(state.range(0));
    std::vector<double> unwind;
    std::vector<double> clickReturn;
    int failures = 0;
    int runIndex = 0;
    for (auto _ : state) {
        auto win = std::make_unique<Window>();
        win->setText("txtNumPts", QString::number(species));
        win->setText("txtGenerations", QStringLiteral("1000000000000"));
        Clock::time_point closedAt{}, handlerReturned{};
        // Connected after the window's own slot, so it runs once that
        // handler (the outermost one) has returned.
        QObject::connect(win->w.command1(), &QPushButton::clicked, [&] { handlerReturned = Clock::now(); });
        QTimer::singleShot(100 + 37 * (runIndex++ % 5), Qt::PreciseTimer, [&] {
            closedAt = Clock::now();
            win->w.close();
        });
        win->click();  // Begin; returns when the loop has unwound
        const auto back = Clock::now();
        const double t = seconds(closedAt, handlerReturned);
        unwind.push_back(t);
        clickReturn.push_back(seconds(closedAt, back));
        failures += static_cast<int>(win->failures.size());
        state.SetIterationTime(t);
        win.reset();
        QCoreApplication::processEvents();
    }
    state.counters["unwind_median_ms"] = median(unwind) * 1e3;
    state.counters["unwind_max_ms"] = percentile(unwind, 1.0) * 1e3;
    state.counters["click_return_max_ms"] = percentile(clickReturn, 1.0) * 1e3;
    state.counters["failures"] = failures;
    target("CloseDuringRun/" + std::to_string(species) + " worst unwind", percentile(unwind, 1.0) * 1e3, "ms",
           Bound::Below, 100.0);
    if (failures > 0)
        target("CloseDuringRun/" + std::to_string(species) + " error reports", failures, "", Bound::Below, 1);
}
BENCHMARK(BM_CloseDuringRun)
    ->Arg(50)
    ->Arg(32765)
    ->Iterations(10)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv)
{
    if (!quillmar::bench::useXDisplay("quillmar-ui-bench"))
        return quillmar::bench::kCannotRun;
    quillmar::prepareToolkit();
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    if (!quillmar::bench::runBenchmarks(argc, argv))
        return quillmar::bench::kCannotRun;
    return quillmar::bench::reportTargets();
}
