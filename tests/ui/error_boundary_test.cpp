// The one error boundary: an error injected in each place where Qt calls the
// window's code, during a run or when no handler runs, is reported once, by a
// message that names it, after the screen has caught up with everything done
// before it; the program's own report writes it to standard error before the
// box shows it, also when memory has run out.
#include <sys/resource.h>
#include <unistd.h>

#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <new>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

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

// Standard error, kept in a file while the test runs.
class CapturedStderr {
public:
    CapturedStderr() : file_(std::tmpfile()), saved_(dup(STDERR_FILENO))
    {
        dup2(fileno(file_), STDERR_FILENO);
    }
    ~CapturedStderr()
    {
        dup2(saved_, STDERR_FILENO);
        close(saved_);
        std::fclose(file_);
    }
    // Allocates nothing: it is asked while memory is used up.
    bool contains(std::string_view text) const
    {
        char written[4096];
        const ssize_t n = pread(fileno(file_), written, sizeof written, 0);
        return n > 0 &&
               std::string_view(written, static_cast<std::size_t>(n)).find(text) != std::string_view::npos;
    }

private:
    std::FILE* file_;
    int saved_;
};

// The address space the process has mapped, in bytes.
rlim_t addressSpaceInUse()
{
    std::ifstream status("/proc/self/status");
    std::string word;
    rlim_t kib = 0;
    while (status >> word && !(word == "VmSize:" && status >> kib)) {
    }
    return kib * 1024;
}

// Every allocation fails while it is full: it lowers the address-space limit to
// a little above what the process uses and takes the rest, down to 16 bytes.
class Ballast {
public:
    void fill()
    {
        blocks_.reserve(std::size_t{1} << 20);
        getrlimit(RLIMIT_AS, &saved_);
        rlimit low = saved_;
        low.rlim_cur = addressSpaceInUse() + (rlim_t{64} << 20);
        ASSERT_EQ(setrlimit(RLIMIT_AS, &low), 0);
        for (std::size_t size = std::size_t{64} << 20; size >= 16; size /= 2)
            while (blocks_.size() < blocks_.capacity()) {
                void* p = std::malloc(size);
                if (!p)
                    break;
                blocks_.push_back(p);
            }
        full_ = std::malloc(16) == nullptr;
    }
    bool full() const { return full_; }
    void empty()
    {
        for (void* p : blocks_)
            std::free(p);
        if (!blocks_.empty())
            setrlimit(RLIMIT_AS, &saved_);
        blocks_.clear();
    }
    ~Ballast() { empty(); }

private:
    std::vector<void*> blocks_;
    rlimit saved_{};
    bool full_ = false;
};

// The program's own fatal report, line and box, after an error during a run:
// with memory to spare and with all of it used up, as when an allocation fails.
// Offscreen the test has a single heap, as main() makes the program keep.
class FatalReport : public WindowTest, public ::testing::WithParamInterface<bool> {};

TEST_P(FatalReport, WritesTheLineThenShowsTheBox)
{
    const bool exhausted = GetParam();
#if defined(__SANITIZE_ADDRESS__)
    if (exhausted)
        GTEST_SKIP() << "AddressSanitizer ends the program when an allocation fails";
#endif
    const QString message = QStringLiteral("Run-time error '7': Out of memory");
    CapturedStderr err;
    Ballast ballast;
    bool lineFirst = false;
    QString shownInBox;
    QTimer boxWatch;
    boxWatch.setInterval(10);
    QObject::connect(&boxWatch, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            lineFirst = err.contains("quillmar: Run-time error '7': Out of memory\n");
            shownInBox = box->text();
            box->done(0);
        }
    });
    boxWatch.start();
    onFatal = [&] { WindowServices::fatalBox(*win, fatals.back()); };
    bool armed = false;
    fault = [&](Entry e) {
        if (armed && e == Entry::PlotPaint) {
            armed = false;
            if (exhausted)
                ballast.fill();
            throw std::bad_alloc();
        }
    };
    type("txtGenerations", QStringLiteral("1000000"));
    onEveryPass([&](int pass) {
        if (pass == 20000) {
            armed = true;
            c->picture1->repaint();
        }
    });
    // As in the program, the box ends the event loop with status 1.
    QTimer::singleShot(0, win.get(), [this] { click(c->command1); });
    QTimer::singleShot(60000, win.get(), [] { QCoreApplication::exit(2); });  // the report went missing
    const int status = QCoreApplication::exec();
    const bool wasFull = ballast.full();
    ballast.empty();
    EXPECT_EQ(wasFull, exhausted);
    EXPECT_EQ(status, 1);
    ASSERT_EQ(fatals, QStringList{message});
    EXPECT_TRUE(lineFirst);
    EXPECT_EQ(shownInBox, message);
    EXPECT_EQ(c->txtOutput->toPlainText(), held(TextBox::txtOutput).remove(QLatin1Char('\r')));
}

INSTANTIATE_TEST_SUITE_P(Memory, FatalReport, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Exhausted" : "ToSpare"; });

}  // namespace
}  // namespace quillmar::uitest
