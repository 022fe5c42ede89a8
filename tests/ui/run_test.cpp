// The run controller driven through the real window: refused species counts,
// step mode, and clicks, closes and errors delivered inside the loop's yield.
#include <chrono>
#include <tuple>
#include <utility>
#include <vector>

#include "errors.h"
#include "numtext.h"
#include "window_fixture.h"

namespace quillmar::uitest {
namespace {

// Everything a refused Begin or Reset must leave alone.
auto snapshot(const Form1& w)
{
    QStringList shown{w.controls().command1->text(), w.controls().txtOutput->toPlainText(),
                      QString::number(w.controls().chkStep->isEnabled())};
    for (const char* box : {"txtNumPts", "txtNumAv", "txtGenerations", "txtSize", "txtLowval", "txtLargest",
                            "txtIterate", "txtTotIter"})
        shown << w.findChild<QLineEdit*>(QString::fromLatin1(box))->text();
    const Simulation& s = w.simulation();
    return std::tuple(shown, w.controls().picture1->image().copy(), s.num, s.a.size(), s.xpos, s.xposold,
                      s.lowval, s.cursize, s.running, s.numtorrels);
}

struct BadCount {
    const char* name;
    const char* text;
    friend void PrintTo(const BadCount& row, std::ostream* os) { *os << row.name; }
};

class RefusedSpeciesCount : public WindowTest,
                            public ::testing::WithParamInterface<std::tuple<BadCount, bool>> {};

TEST_P(RefusedSpeciesCount, ShowsTheMessageAndChangesNothing)
{
    const auto& [bad, viaReset] = GetParam();
    if (viaReset)
        click(c->command1);
    type("txtNumPts", QString::fromLatin1(bad.text));
    const auto before = snapshot(*win);
    click(viaReset ? c->cmdReset : c->command1);
    EXPECT_EQ(messages, QStringList{QStringLiteral("No. Species must be a number from 1 to 32765.")});
    EXPECT_TRUE(snapshot(*win) == before);
    EXPECT_TRUE(fatals.isEmpty());
    // The window stays usable: a good count starts a run as usual.
    type("txtNumPts", QStringLiteral("9"));
    click(viaReset ? c->cmdReset : c->command1);
    EXPECT_EQ(shown("txtTotIter"), QStringLiteral(" 1"));
    EXPECT_EQ(win->simulation().num.toInt(), 9);
}

// The rule's wiring; the whole rule is tabled with it, in the model's tests.
INSTANTIATE_TEST_SUITE_P(Texts, RefusedSpeciesCount,
                         ::testing::Combine(::testing::Values(BadCount{"Letters", "abc"}), ::testing::Bool()),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) ? "_Reset" : "_Begin");
                         });

// What the user does inside the yield of a pass: press Command1 or Reset, click
// the step box, type 7 as the target, close the window; or the step box's
// handler fails, with a subscript out of range.
enum class Act { Press, Reset, StepBox, Target7, Close, Fail };

struct Scenario {
    const char* name;
    const char* target;
    std::vector<std::pair<int, Act>> acts;  // by pass number
    int passes;                             // yields entered, nested loops included
    const char* total;
    const char* caption;
    int depthAtLastAct;
    bool closed, failed;
    friend void PrintTo(const Scenario& row, std::ostream* os) { *os << row.name; }
};

class RunThroughWindow : public WindowTest, public ::testing::WithParamInterface<Scenario> {};

TEST_P(RunThroughWindow, StopsWhereTheLoopRulesSay)
{
    const Scenario& sc = GetParam();
    type("txtGenerations", QString::fromLatin1(sc.target));
    int depth = 0;
    onEveryPass([&](int pass) {
        for (const auto& [at, act] : sc.acts) {
            if (at != pass)
                continue;
            depth = win->controller().depth();
            switch (act) {
                case Act::Press:
                    click(c->command1);
                    break;
                case Act::Reset:
                    click(c->cmdReset);
                    break;
                case Act::StepBox:
                    click(c->chkStep);
                    break;
                case Act::Target7:
                    type("txtGenerations", QStringLiteral("7"));
                    break;
                case Act::Close:
                    win->close();
                    break;
                case Act::Fail:
                    fault = [](Entry e) {
                        if (e == Entry::Click)
                            raise(ErrorCode::SubscriptOutOfRange);
                    };
                    click(c->chkStep);
                    break;
            }
        }
    });
    EXPECT_NO_THROW(click(c->command1));
    EXPECT_EQ(passes, sc.passes);
    EXPECT_EQ(held(TextBox::txtTotIter), QString::fromLatin1(sc.total));
    EXPECT_EQ(caption(), QString::fromLatin1(sc.caption));
    EXPECT_EQ(depth, sc.depthAtLastAct);
    EXPECT_EQ(win->controller().depth(), 0);
    EXPECT_EQ(win->closing(), sc.closed);
    EXPECT_EQ(win->failure().has_value(), sc.failed);
    ASSERT_EQ(fatals.size(), sc.failed ? 1 : 0);
    if (sc.failed) {
        EXPECT_TRUE(fatals.front().contains(QStringLiteral("Subscript out of range")))
            << qPrintable(fatals.front());
    }
    if (!sc.closed && !sc.failed) {
        EXPECT_EQ(shown("txtTotIter"), QString::fromLatin1(sc.total));
        return;
    }
    // The program is ending: a further press starts nothing and reports nothing.
    EXPECT_NO_THROW(click(c->command1));
    EXPECT_EQ(passes, sc.passes);
    EXPECT_EQ(caption(), QString::fromLatin1(sc.caption));
    EXPECT_EQ(fatals.size(), sc.failed ? 1 : 0);
}

using enum Act;
// Big targets keep a run going until an act stops it. A Pause lets the pass
// that delivered it finish; every nested level adds its pending generation.
// clang-format off
INSTANTIATE_TEST_SUITE_P(Scenarios, RunThroughWindow, ::testing::Values(
    Scenario{"DefaultTextsRunOneGeneration", "1", {}, 1, " 1", "&Resume", 0, false, false},
    Scenario{"PauseLetsItsPassFinish", "1000000", {{5, Press}}, 5, " 5", "&Resume", 1, false, false},
    Scenario{"PauseAtTheFirstPass", "1000000", {{1, Press}}, 1, " 1", "&Resume", 1, false, false},
    Scenario{"StepBoxTickedEndsAfterThePass", "1000000", {{4, StepBox}}, 4, " 4", "&Step", 1, false, false},
    // Cleared again, the box shows "&Resume" on a running loop; pressing it nests a loop.
    Scenario{"StepBoxTickedAndClearedRunsOn", "1000000", {{3, StepBox}, {3, StepBox}, {9, Press}, {10, Press}},
             10, " 10", "&Resume", 2, false, false},
    Scenario{"NewTargetCountsFromTheNextPass", "1000000", {{3, Target7}}, 7, " 7", "&Resume", 1, false, false},
    Scenario{"NonNumericTargetNeverStops", "x", {{30, Press}}, 30, " 30", "&Resume", 1, false, false},
    Scenario{"ResetEndsAtTargetPlusOne", "20", {{5, Reset}}, 25, " 21", "&Resume", 1, false, false},
    Scenario{"TwoNestedResetsEndAtTargetPlusTwo", "6", {{2, Reset}, {4, Reset}}, 10, " 8", "&Resume", 2, false, false},
    Scenario{"PauseAndResumeNestALoop", "1000000", {{2, Press}, {2, Press}, {6, Press}}, 6, " 6", "&Resume", 2,
             false, false},
    Scenario{"CloseAtDepthOne", "100000000", {{3, Close}}, 3, " 2", "&Pause", 1, true, false},
    Scenario{"CloseAtDepthTwo", "100000000", {{2, Press}, {2, Press}, {3, Close}}, 3, " 1", "&Pause", 2, true, false},
    Scenario{"ErrorAtDepthOne", "1000000", {{3, Fail}}, 3, " 2", "&Pause", 1, false, true},
    Scenario{"ErrorAtDepthTwo", "1000000", {{2, Press}, {2, Press}, {4, Fail}}, 4, " 2", "&Pause", 2,
             false, true}),
    testing::rowName);
// clang-format on

// The yield asks for events at the first pass of every run, nested runs
// included, at the next pass after a handler returned (a refused Reset's
// message), and otherwise only at a pass where it reads the clock and finds
// the interval passed since the last ask returned; it reads the clock at
// least every few passes.
class AskPacing : public WindowTest {
protected:
    static constexpr std::chrono::nanoseconds kInterval{1'000'000};

    enum class Kind { Ask, Returned, Reading };
    struct Event {
        Kind kind;
        double total;  // generations run before this pass
        std::chrono::nanoseconds time;
    };

    AskPacing()
    {
        services.askInterval = kInterval;
        // Each reading moves the clock on by a fraction of the interval.
        clock = [this] {
            now += kInterval * 2 / 5;
            events.push_back({Kind::Reading, total(), now});
            return now;
        };
    }
    double total() const { return win ? leadingNumber(win->binding().text(TextBox::txtTotIter)) : 0; }

    std::chrono::nanoseconds now{};
    std::vector<Event> events;
};

TEST_F(AskPacing, AsksAtEveryRunsFirstPassAfterHandlersAndOnceTheIntervalHasPassed)
{
    type("txtGenerations", QStringLiteral("3000"));
    events.clear();
    std::vector<double> forced{0};  // totals of the passes that ask whatever the clock says
    int asks = 0;
    onEveryPass([&](int) {
        events.push_back({Kind::Ask, total(), now});
        ++asks;
        if (asks == 3) {  // refused with a message: the loop goes on and asks at its next pass
            type("txtNumPts", QStringLiteral("0"));
            click(c->cmdReset);
            forced.push_back(total() + 1);
        } else if (asks == 6) {  // a nested run from Begin
            type("txtNumPts", QStringLiteral("40"));
            click(c->cmdReset);
        }
    });
    afterAsk = [&] { events.push_back({Kind::Returned, total(), now}); };
    click(c->command1);
    ASSERT_EQ(messages.size(), 1);
    ASSERT_EQ(held(TextBox::txtTotIter), QStringLiteral(" 3001"));  // the nested run, then one more pass
    forced.insert(forced.begin() + 2, 0);

    std::size_t nextForced = 0;
    std::chrono::nanoseconds lastReturn{};
    double lastReading = 0;
    bool due = false;
    for (std::size_t i = 0; i < events.size(); ++i) {
        const Event& e = events[i];
        switch (e.kind) {
            case Kind::Ask:
                if (!due) {
                    ASSERT_LT(nextForced, forced.size()) << "an ask at " << e.total;
                    EXPECT_EQ(e.total, forced[nextForced++]);
                }
                due = false;
                break;
            case Kind::Returned:
                // The next reading is the moment the ask returned.
                ASSERT_LT(i + 1, events.size());
                ASSERT_EQ(events[i + 1].kind, Kind::Reading);
                lastReturn = events[++i].time;
                lastReading = e.total;
                break;
            case Kind::Reading: {
                // Before an ask the screen's pacers read the clock too: the
                // readings of one pass up to an ask are one decision.
                std::size_t last = i;
                while (last + 1 < events.size() && events[last + 1].kind == Kind::Reading &&
                       events[last + 1].total == e.total)
                    ++last;
                const bool asks = last + 1 < events.size() && events[last + 1].kind == Kind::Ask;
                i = last;
                if (asks && nextForced < forced.size() && forced[nextForced] == e.total)
                    break;  // an ask whatever the clock says: these were the screen's readings
                EXPECT_LE(e.total - lastReading, EventPacer::kPassesPerReading) << "at " << e.total;
                lastReading = e.total;
                due = e.time - lastReturn >= kInterval;
                EXPECT_EQ(asks, due) << "at " << e.total;
                break;
            }
        }
    }
    EXPECT_EQ(nextForced, forced.size());
    EXPECT_GT(asks, 50);
}

// With step mode ticked every press runs one generation; reaching the target
// shows "&Resume", and the next press steps again. A Reset still starts under
// "&Pause"; after its one generation a press on "&Pause" runs nothing.
TEST_F(WindowTest, StepModeRunsOneGenerationPerPress)
{
    onEveryPass([](int) {});
    click(c->command1);
    click(c->chkStep);
    ASSERT_EQ(caption(), QStringLiteral("&Step"));
    const std::tuple<const char*, QWidget*, const char*, const char*, int> presses[] = {
        {"1", c->command1, " 2", "&Step", 1},        {"1", c->command1, " 3", "&Step", 1},
        {"4", c->command1, " 4", "&Resume", 1},      {"4", c->command1, " 5", "&Step", 1},
        {"1000000", c->cmdReset, " 1", "&Pause", 1}, {"1000000", c->command1, " 1", "&Resume", 0}};
    for (const auto& [target, button, total, after, generations] : presses) {
        const int before = passes;
        type("txtGenerations", QString::fromLatin1(target));
        click(button);
        EXPECT_EQ(passes, before + generations) << total << after;
        EXPECT_EQ(shown("txtTotIter"), QString::fromLatin1(total));
        EXPECT_EQ(caption(), QString::fromLatin1(after));
    }
    click(c->chkStep);
    EXPECT_EQ(caption(), QStringLiteral("&Resume"));
}

}  // namespace
}  // namespace quillmar::uitest
