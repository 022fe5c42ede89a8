// The one error boundary: an error injected in each place where Qt calls the
// window's code, during a run or when no handler runs, is reported once, by a
// message that names it, after the screen has caught up with everything done
// before it.
#include <QScreen>
#include <new>
#include <tuple>

#include "window_fixture.h"

namespace quillmar::uitest {
namespace {

struct Fault {
    const char* name;
    Entry entry;
    void (*trigger)(Form1&);  // makes Qt call into that place
    friend void PrintTo(const Fault& row, std::ostream* os) { *os << row.name; }
};

// Each place, during a run or when no handler runs.
class ErrorBoundary : public WindowTest, public ::testing::WithParamInterface<std::tuple<Fault, bool>> {
protected:
    // Whether the screen shows the total, the log and the plot that the program holds.
    bool screenUpToDate() const
    {
        PlotWidget& p = *c->picture1;
        const QRect r(p.mapTo(win.get(), p.contentsRect().topLeft()), p.contentsRect().size());
        const QImage plot =
            win->screen()->grabWindow(win->winId(), r.x(), r.y(), r.width(), r.height()).toImage();
        return shown("txtTotIter") == held(TextBox::txtTotIter) &&
               c->txtOutput->toPlainText() == held(TextBox::txtOutput).remove(QLatin1Char('\r')) &&
               plot.convertToFormat(QImage::Format_RGB32) == p.image().convertToFormat(QImage::Format_RGB32);
    }
};

TEST_P(ErrorBoundary, ReportsOnceAfterTheScreenCaughtUp)
{
    const auto& [f, inRun] = GetParam();
    bool armed = false;
    fault = [&](Entry e) {
        if (armed && e == f.entry) {
            armed = false;
            throw std::bad_alloc();
        }
    };
    bool caughtUp = false;
    onFatal = [&] { caughtUp = screenUpToDate(); };
    int injectedAt = 0;
    const auto inject = [&] {
        injectedAt = passes;
        armed = true;
        f.trigger(*win);
    };
    type("txtNumPts", QStringLiteral("20"));
    type("txtGenerations", QString::fromLatin1(inRun ? "1000000" : "300"));
    onEveryPass([&](int pass) {
        // During a run the screen lags behind: strike where the total shown is not the one held.
        if (inRun && pass >= 300 && !injectedAt && shown("txtTotIter") != held(TextBox::txtTotIter))
            inject();
        if (pass == 1000)
            click(c->command1);  // the fault went unnoticed: pause
    });
    click(c->command1);
    if (!inRun) {
        ASSERT_EQ(caption(), QStringLiteral("&Resume"));
        inject();
        QCoreApplication::processEvents();
    }
    ASSERT_GE(injectedAt, 300);
    EXPECT_EQ(passes, injectedAt);
    ASSERT_EQ(fatals, QStringList{QStringLiteral("Run-time error '7': Out of memory")});
    EXPECT_TRUE(caughtUp);
    EXPECT_EQ(win->controller().depth(), 0);

    // The program is ending: a further error is not reported, a press starts nothing.
    inject();
    QCoreApplication::processEvents();
    click(c->command1);
    EXPECT_EQ(fatals.size(), 1);
    EXPECT_EQ(passes, injectedAt);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Places, ErrorBoundary, ::testing::Combine(::testing::Values(
    Fault{"PlotPaint", Entry::PlotPaint, [](Form1& w) { w.controls().picture1->repaint(); }},
    Fault{"PlotResize", Entry::PlotResize, [](Form1& w) { w.controls().picture1->resize(w.controls().picture1->size() - QSize(1, 0)); }},
    Fault{"PlotChange", Entry::PlotChange, [](Form1& w) {
        QEvent change(QEvent::PaletteChange);
        QCoreApplication::sendEvent(w.controls().picture1, &change); }},
    Fault{"TextChanged", Entry::TextChanged, [](Form1& w) {
        QTest::keyClick(w.findChild<QLineEdit*>(QStringLiteral("txtGenerations")), Qt::Key_0); }},
    Fault{"LogInput", Entry::LogInput, [](Form1& w) {
        QTest::keyClick(w.controls().txtOutput, Qt::Key_End, Qt::ControlModifier); }},
    // Ticking the step box runs its handler; during a run it ends the run after the pass.
    Fault{"Click", Entry::Click, [](Form1& w) { QTest::mouseClick(w.controls().chkStep, Qt::LeftButton); }},
    Fault{"Present", Entry::Present, [](Form1& w) { QTest::mouseClick(w.controls().chkStep, Qt::LeftButton); }}),
    ::testing::Bool()),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).name) + (std::get<1>(info.param) ? "InRun" : "");
    });
// clang-format on

}  // namespace
}  // namespace quillmar::uitest
