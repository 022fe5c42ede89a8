// Monkey test of the main window: seeded random sequences of clicks, typing and
// closes, many of them delivered inside the main loop's yield so that runs nest.
// After every action and at the top of every pass the window must show a known
// caption, counters in their number forms with the generation total counted
// since the last Reset, a log whose program-written part is well-formed lines
// with rising thresholds, and a fitness array of num slots in [0, 10); no error
// box and no message but the species-count one may appear. The clock is fixed,
// so a script replays exactly: a failing seed is reported with a shortest
// sequence of actions that still fails (delta debugging).
#include <QInputMethodEvent>
#include <QTextDocument>
#include <algorithm>
#include <cstdlib>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "window_fixture.h"

namespace quillmar::uitest {
namespace {

enum class Kind { Press, Reset, StepBox, Rule2Box, Count, Target, Log, LogReplace, Close };
constexpr const char* kKindNames[] = {"Press",  "Reset", "StepBox",    "Rule2Box", "Count",
                                      "Target", "Log",   "LogReplace", "Close"};

struct Action {
    Kind kind;
    QString text;  // typed by Count, Target, Log and LogReplace; "\n" is the Return key
    int wait;      // passes a running loop makes before the action, counted from the one before
};

std::string describe(const Action& a)
{
    std::string s = kKindNames[static_cast<int>(a.kind)];
    if (a.kind >= Kind::Count && a.kind <= Kind::LogReplace) {
        if (a.text.size() > 40 && a.text.count(a.text.front()) == a.text.size())
            s += " (" + std::to_string(a.text.size()) + " x '" + QString(a.text.front()).toStdString() + "')";
        else
            s += " \"" + QString(a.text).replace(QLatin1Char('\n'), QLatin1String("\\n")).toStdString() + '"';
    }
    return s + " after " + std::to_string(a.wait) + " passes";
}

std::vector<Action> makeScript(std::uint64_t seed, int length)
{
    std::mt19937_64 g(seed);
    const auto pick = [&g](std::size_t n) { return static_cast<int>(g() % n); };
    static const char* const odd[] = {
        "",     "abc", "-",   "+4",   "-3", "1e3",   "2E-2", "5e",  "1e400", "-1e400", "99999999999999999999",
        "12.5", "0.5", ".7",  "3,5",  "0",  "32766", " 7 ",  "1 2", "µ",     "１２",   "😀",
        "4😀",   "&x",  "NaN", "0x1F", "  "};
    const auto text = [&](Kind k) {
        const bool log = k == Kind::Log || k == Kind::LogReplace;
        const int r = pick(100);
        if (r < 2)  // thousands of characters
            return QString(1000 + pick(3000), QLatin1Char("9a -"[pick(4)]));
        if (r < 40 || log)
            return QString::fromUtf8(odd[pick(std::size(odd))]) +
                   QString(log ? pick(3) : 0, QLatin1Char('\n'));
        if (k == Kind::Count)  // mostly small rings, now and then the largest
            return QString::number(r < 97 ? 1 + pick(r < 85 ? 12 : 400) : 32765);
        return QString::number(r < 97 ? 1 + pick(60) : 1000000);
    };
    std::vector<Action> s;
    for (int i = 0; i < length; ++i) {
        const int r = pick(1000), w = pick(100);
        const Kind k = r < 230   ? Kind::Press
                       : r < 300 ? Kind::Reset
                       : r < 420 ? Kind::StepBox
                       : r < 480 ? Kind::Rule2Box
                       : r < 580 ? Kind::Count
                       : r < 780 ? Kind::Target
                       : r < 960 ? Kind::Log
                                 : Kind::LogReplace;
        const int wait = w < 45 ? 0 : w < 80 ? 1 + pick(3) : w < 97 ? 4 + pick(17) : 21 + pick(180);
        const bool close = pick(20000) == 0 || (i == length - 1 && seed % 4 == 0);
        s.push_back({close ? Kind::Close : k, text(k), wait});
    }
    return s;
}

// The value of a number text in the spaced form (" 7", " .25", "-3", " 1.5E+20")
// or the plain form ("7", "0.25"), or nothing when it is in neither.
std::optional<double> numberText(std::string_view s, bool spaced, bool whole, std::string_view sep = ".")
{
    if (spaced && (s.empty() || (s[0] != ' ' && s[0] != '-')))
        return std::nullopt;
    std::size_t i = spaced || (!s.empty() && s[0] == '-') ? 1 : 0;
    const auto digits = [&] {
        const std::size_t from = i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9')
            ++i;
        return std::string(s.substr(from, i - from));
    };
    const std::string intPart = digits();
    std::string frac, exp = "+0";
    if (s.substr(i).starts_with(sep)) {
        i += sep.size();
        frac = digits();
        if (frac.empty() || frac.back() == '0')
            return std::nullopt;
    }
    const bool leadingZero = intPart.size() > 1 && intPart[0] == '0';
    if (frac.empty() ? intPart.empty() || leadingZero : leadingZero || intPart == (spaced ? "0" : ""))
        return std::nullopt;
    if (i < s.size() && s[i] == 'E') {
        if (++i >= s.size() || (s[i] != '+' && s[i] != '-') || intPart.size() != 1 || intPart == "0")
            return std::nullopt;
        exp = s[i++];
        exp += digits();
        if (exp.size() < 3)
            return std::nullopt;
    }
    const std::string all = intPart + frac;
    const std::size_t significant = all.size() - std::min(all.find_first_not_of('0'), all.size());
    if (i != s.size() || significant > 15 || (whole && (!frac.empty() || exp != "+0")))
        return std::nullopt;
    const std::string c =
        (s[0] == '-' ? "-" : "") + (intPart.empty() ? "0" : intPart) + "." + frac + "0e" + exp;
    return std::strtod(c.c_str(), nullptr);
}

constexpr const char* kCaptions[] = {"&Begin", "&Pause", "&Resume", "&Step"};
constexpr int kMaxDepth = 24;
constexpr long kMaxPasses = 400000;

// Plays one script on a fresh window and returns the first broken invariant.
class Player {
public:
    explicit Player(std::vector<Action> script) : script_(std::move(script)) {}

    std::string play()
    {
        WindowServices services;
        services.reseedClock = [t = std::uint64_t{0}]() mutable { return t += 1000003; };
        // Every pass asks for events, so every pass may deliver an action.
        services.askInterval = EventPacer::Interval::zero();
        services.askForEvents = [this] { onPass(); };
        services.reportFatal = [this](QWidget&, const QString& m) { fail("error box: " + m.toStdString()); };
        services.showMessage = [this](QWidget&, const QString& m) {
            resetPending_ = false;  // refused: nothing starts
            if (m != QLatin1String("No. Species must be a number from 1 to 32765."))
                fail("message: " + m.toStdString());
        };
        win_ = std::make_unique<Form1>(nullptr, services);
        QObject::connect(win_->controls().txtOutput->document(), &QTextDocument::contentsChange, win_.get(),
                         [this](int, int removed, int) { emptied_ |= removed > 0 && !typing_; });
        // Qt's stock controls need not paint here; the plot, painted by the program, does.
        for (QWidget* w : win_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            w->setUpdatesEnabled(w == win_->controls().picture1);
        win_->show();
        QCoreApplication::processEvents();
        check(false);
        while (!closed_ && next_ < script_.size())
            perform(script_[next_++]);
        if (win_->controller().depth() != 0)
            fail("depth: loops still running after the script");
        win_.reset();
        return failure_;
    }
    std::size_t performed() const { return next_; }
    int maxDepth() const { return maxDepth_; }

private:
    std::string held(TextBox b) const { return win_->binding().text(b); }
    static void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }

    void fail(const std::string& what)
    {
        if (failure_.empty())
            failure_ = what;
        if (!closed_) {
            closed_ = true;
            win_->close();  // unwinds every running loop
        }
    }

    // Types short Latin-1 texts key by key and Return for "\n"; commits other
    // characters, and longer texts, at once, as an input method does.
    static void type(QWidget* w, const QString& s)
    {
        const auto keyed = [&](QChar c) {
            return c == QLatin1Char('\n') || (c.unicode() < 256 && s.size() <= 6);
        };
        for (qsizetype i = 0, j = 0; i < s.size(); i = j) {
            for (j = i + 1; j < s.size() && !keyed(s[i]) && !keyed(s[j]);)
                ++j;
            if (s[i] == QLatin1Char('\n')) {
                QTest::keyClick(w, Qt::Key_Return);
            } else if (keyed(s[i])) {
                QTest::keyClick(w, s[i].toLatin1());
            } else {
                QInputMethodEvent e;
                e.setCommitString(s.mid(i, j - i));
                QApplication::sendEvent(w, &e);
            }
        }
    }

    void perform(const Action& a)
    {
        passesSince_ = 0;
        const auto replaceText = [&](QWidget* w) {
            QTest::keyClick(w, Qt::Key_A, Qt::ControlModifier);
            if (a.text.isEmpty())
                QTest::keyClick(w, Qt::Key_Backspace);
            type(w, a.text);
        };
        switch (a.kind) {
            case Kind::Press:
                begun_ |= win_->controls().command1->text() == QLatin1String("&Begin");
                click(win_->controls().command1);
                break;
            case Kind::Reset:
                begun_ = resetPending_ = true;
                click(win_->controls().cmdReset);
                break;
            case Kind::StepBox:
            case Kind::Rule2Box:
                click(a.kind == Kind::StepBox ? win_->controls().chkStep : win_->controls().chkRule2);
                break;
            case Kind::Count:
            case Kind::Target: {
                const bool count = a.kind == Kind::Count;
                replaceText(win_->controls().textBox(count ? TextBox::txtNumPts : TextBox::txtGenerations));
                if (held(count ? TextBox::txtNumPts : TextBox::txtGenerations) != a.text.toStdString())
                    fail("typed: the program does not read what was typed into the box");
                break;
            }
            case Kind::Log:
            case Kind::LogReplace: {
                typing_ = true;
                if (a.kind == Kind::LogReplace) {
                    replaceText(win_->controls().txtOutput);
                    log_.clear();
                } else {
                    QTest::keyClick(win_->controls().txtOutput, Qt::Key_End, Qt::ControlModifier);
                    type(win_->controls().txtOutput, a.text);
                }
                typing_ = false;
                // Lines still waiting for the screen go in before the typed text.
                const std::string now = held(TextBox::txtOutput);
                if (now !=
                    log_ + QString(a.text).replace(QLatin1Char('\n'), QLatin1String("\r\n")).toStdString())
                    fail("typed: the log does not end with what was typed at its end");
                log_ = now;
                break;
            }
            case Kind::Close:
                closed_ = true;
                win_->close();
                return;
        }
        if (!closed_)
            check(false);
    }

    void onPass()
    {
        maxDepth_ = std::max(maxDepth_, win_->controller().depth());
        if (closed_ || ++passes_ > kMaxPasses) {
            fail(closed_ ? "close: a loop ran on after the window closed" : "passes: the runs do not stop");
            if (!win_->controls().chkStep->isChecked())
                click(win_->controls().chkStep);
            return;
        }
        if (resetPending_)  // the first pass of an accepted Reset: the total starts again
            base_ = generations_;
        resetPending_ = false;
        check(true);
        QCoreApplication::processEvents();
        while (!closed_ && next_ < script_.size() && passesSince_ >= script_[next_].wait &&
               win_->controller().depth() < kMaxDepth)
            perform(script_[next_++]);
        ++passesSince_;
        // Out of actions, or nested too deep: step mode ends every loop after its pass.
        if (!closed_ && (next_ == script_.size() || win_->controller().depth() >= kMaxDepth) &&
            !win_->controls().chkStep->isChecked())
            click(win_->controls().chkStep);
        begun_ = false;
        ++generations_;  // the pass goes on with a generation
    }

    void check(bool inPass)
    {
        const QString caption = win_->controls().command1->text();
        if (std::none_of(std::begin(kCaptions), std::end(kCaptions), [&](auto c) { return caption == c; }))
            fail("caption: " + caption.toStdString());
        static constexpr struct {
            TextBox box;
            const char* name;
            bool spaced, whole;
        } counters[] = {{TextBox::txtNumAv, "txtNumAv", true, true},
                        {TextBox::txtLowval, "txtLowval", true, false},
                        {TextBox::txtLargest, "txtLargest", true, true},
                        {TextBox::txtTotIter, "txtTotIter", true, true},
                        {TextBox::txtSize, "txtSize", false, true},
                        {TextBox::txtIterate, "txtIterate", false, true}};
        const std::string sep = win_->binding().decimalSeparator();
        double value[6] = {};
        for (int k = 0; k < 6; ++k) {
            const auto& c = counters[k];
            const std::string t = held(c.box);
            const auto v = t == "0" ? 0.0 : numberText(t, c.spaced, c.whole, c.spaced ? "." : sep);
            if (!v || *v < 0)
                fail(std::string("counter: ") + c.name + " holds \"" + t + '"');
            value[k] = v.value_or(0);
            // Once the outermost handler has returned, the screen shows what the program holds.
            if (!inPass && win_->controller().depth() == 0 &&
                win_->controls().textBox(c.box)->text().toStdString() != t)
                fail(std::string("screen: ") + c.name + " shows another text than it holds");
        }
        if (value[2] < value[4] || value[1] >= 10)
            fail("counter: largest torrel below the last one, or threshold of 10 or more");
        if (value[3] != static_cast<double>(generations_ - base_))
            fail("counter: total " + std::to_string(value[3]) + " after " +
                 std::to_string(generations_ - base_) + " generations");

        const Simulation& s = win_->simulation();
        if (s.a.allocated()) {
            const int n = s.num.toInt(), size = s.a.size();
            // Right after a Begin, until its first generation, a spare empty slot follows.
            if (size != n && !(begun_ && size == n + 1 && s.a.isEmpty(testing::i16(n))))
                fail("array: " + std::to_string(size) + " slots for " + std::to_string(n) + " species");
            const float* f = s.a.data();
            for (int i = 0; i < std::min(n, size); ++i)
                if (!(f[i] >= 0.0f && f[i] < 10.0f))
                    fail("array: fitness " + std::to_string(f[i]) + " at " + std::to_string(i));
        }
        checkLog(sep);
    }

    // What the program appended since the last look must be whole lines
    // "<threshold>\t\t<size>\r\n", thresholds rising within (0, 10) since the
    // Begin that last emptied the log.
    void checkLog(const std::string& sep)
    {
        const std::string now = held(TextBox::txtOutput);
        if (emptied_ && !begun_)
            fail("log: emptied outside a Begin");
        const bool fresh = emptied_ || (begun_ && !now.starts_with(log_));
        if (!fresh && !now.starts_with(log_))
            fail("log: text before the new lines changed");
        if (fresh || log_.empty())
            threshold_ = 0;
        std::string_view added(now);
        added.remove_prefix(fresh ? 0 : std::min(log_.size(), now.size()));
        while (!added.empty()) {
            const std::size_t end = added.find("\r\n"), tabs = added.find("\t\t");
            const std::string_view line = added.substr(0, end);
            const auto t = numberText(line.substr(0, tabs), false, false, sep);
            const auto n = tabs < end ? numberText(line.substr(tabs + 2), false, true, sep) : std::nullopt;
            if (end == std::string_view::npos || !t || !n || *t <= threshold_ || *t >= 10 || *n < 1) {
                fail("log: bad line \"" + std::string(line) + "\" after threshold " +
                     std::to_string(threshold_));
                break;
            }
            threshold_ = *t;
            added.remove_prefix(end + 2);
        }
        emptied_ = false;
        log_ = now;
    }

    std::vector<Action> script_;
    std::unique_ptr<Form1> win_;
    std::size_t next_ = 0;
    int passesSince_ = 0, maxDepth_ = 0;
    long passes_ = 0, generations_ = 0, base_ = 0;  // base_: generations before the last Reset
    bool closed_ = false, typing_ = false, emptied_ = false, resetPending_ = false;
    bool begun_ = false;  // a Begin may have run since the last generation
    std::string log_, failure_;
    double threshold_ = 0;
};

std::string kindOf(const std::string& failure)
{
    return failure.substr(0, failure.find(':'));
}

// Delta debugging by complements: drops chunks of the script, down to single
// actions, while the same kind of failure remains.
std::vector<Action> shrink(std::vector<Action> s, const std::string& kind)
{
    std::size_t n = 2;
    for (int budget = 400; s.size() >= 2 && budget > 0;) {
        const std::size_t chunk = (s.size() + n - 1) / n;
        bool reduced = false;
        for (std::size_t from = 0; from < s.size() && budget-- > 0 && !reduced; from += chunk) {
            std::vector<Action> rest(s.begin(), s.begin() + static_cast<std::ptrdiff_t>(from));
            rest.insert(rest.end(), s.begin() + static_cast<std::ptrdiff_t>(std::min(from + chunk, s.size())),
                        s.end());
            if ((reduced = kindOf(Player(rest).play()) == kind)) {
                s = std::move(rest);
                n = std::max<std::size_t>(n - 1, 2);
            }
        }
        if (!reduced && n >= s.size())
            break;
        if (!reduced)
            n = std::min(n * 2, s.size());
    }
    return s;
}

constexpr int kShards = 8, kSeedsPerShard = 25, kActions = 2000;

class Monkey : public ::testing::TestWithParam<int> {};

TEST_P(Monkey, RandomUserActionsKeepTheWindowConsistent)
{
    std::size_t performed = 0;
    int deepest = 0;
    for (int k = 0; k < kSeedsPerShard; ++k) {
        const auto seed = static_cast<std::uint64_t>(GetParam() * kSeedsPerShard + k);
        std::vector<Action> script = makeScript(seed, kActions);
        Player player(script);
        const std::string failure = player.play();
        performed += player.performed();
        deepest = std::max(deepest, player.maxDepth());
        if (failure.empty())
            continue;
        script.resize(player.performed());
        const std::vector<Action> minimal = shrink(script, kindOf(failure));
        std::string listing;
        for (const Action& a : minimal)
            listing += "  " + describe(a) + "\n";
        ADD_FAILURE() << "seed " << seed << ": " << failure << "\nshortest failing sequence ("
                      << minimal.size() << " actions):\n"
                      << listing << "which fails with: " << Player(minimal).play();
    }
    // The monkey must really act: most of the actions performed, runs nested.
    std::cout << "shard " << GetParam() << ": " << performed << " actions, deepest nesting " << deepest
              << "\n";
    EXPECT_GT(performed, kSeedsPerShard * kActions * 3 / 4);
    EXPECT_GE(deepest, 3);
}

INSTANTIATE_TEST_SUITE_P(Seeds, Monkey, ::testing::Range(0, kShards));

}  // namespace
}  // namespace quillmar::uitest
