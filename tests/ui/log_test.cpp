// The log box: its line ends, text the user types into it, a view that
// follows new lines only while the user has not scrolled away, and the pace at
// which a run's lines and counters reach the screen.
#include <QAccessible>
#include <QScrollBar>
#include <algorithm>
#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "binding_rig.h"
#include "numtext.h"
#include "window_fixture.h"

namespace quillmar::uitest {
namespace {

std::string logText(const Form1& w)
{
    return w.binding().text(TextBox::txtOutput);
}

// The binding on a window of its own, shown, written to as the engine writes.
class BindingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        rig.window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&rig.window));
    }
    void append(const std::string& line) { rig.binding.appendText(TextBox::txtOutput, line); }
    std::string logText() const { return rig.binding.text(TextBox::txtOutput); }

    testing::BindingRig rig;
    QPlainTextEdit& log = *rig.controls.txtOutput;
};

// Begin empties the log and writes one CR LF line; what the user types at its
// end stays in front of the next line, with no line break added.
TEST_F(WindowTest, TypedTextStaysInFrontOfTheNextLogLine)
{
    QTest::keyClicks(c->txtOutput, QStringLiteral("junk"));
    click(c->command1);
    const std::string sep = win->binding().decimalSeparator();
    const std::string first = plainForm(win->simulation().lowval, sep) + "\t\t1\r\n";
    ASSERT_EQ(logText(*win), first);
    EXPECT_EQ(c->txtOutput->toPlainText(), QString::fromStdString(first).remove(QLatin1Char('\r')));
    QTest::keyClick(c->txtOutput, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(c->txtOutput, QStringLiteral("note"));
    ASSERT_EQ(logText(*win), first + "note");
    click(c->chkStep);
    std::string tail;  // step until a generation crosses the threshold
    for (int press = 0; press < 500 && tail.empty(); ++press) {
        click(c->command1);
        const std::string now = logText(*win);
        ASSERT_TRUE(now.starts_with(first + "note")) << now;
        tail = now.substr(first.size() + 4);
    }
    ASSERT_FALSE(tail.empty()) << "no crossing in 500 generations";
    const std::string line =
        plainForm(win->simulation().lowval, sep) + "\t\t" + shown("txtSize").toStdString();
    EXPECT_EQ(tail, line + "\r\n");
    EXPECT_TRUE(c->txtOutput->toPlainText().endsWith(QString::fromStdString("note" + line + "\n")));
}

// Undo in the log takes back what the user typed, never the lines the
// program wrote: each line the program writes starts the box's undo afresh.
TEST_F(WindowTest, UndoInTheLogKeepsTheProgramsLines)
{
    click(c->command1);
    const std::string written = logText(*win);
    ASSERT_FALSE(written.empty());
    QTest::keyClick(c->txtOutput, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(c->txtOutput, QStringLiteral("x"));
    QTest::keyClick(c->txtOutput, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(logText(*win), written) << "the typed text is taken back";
    for (int k = 0; k < 3; ++k)
        QTest::keyClick(c->txtOutput, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(logText(*win), written) << "the program's lines stay";
}

// During a long run the log box takes its new lines while the run goes on,
// not only when it stops, at the log's pace on the window's clock, and holds
// every line once it has stopped.
TEST_F(WindowTest, LogLinesReachTheBoxDuringARun)
{
    type("txtNumPts", QStringLiteral("2000"));
    type("txtGenerations", QStringLiteral("100000000"));
    // Every pass asks; the clock moves on 1 ms at each, from a start where
    // every interval of the screen has passed.
    auto now = clock() + std::chrono::seconds(1);
    clock = [&now] { return now; };
    std::vector<int> taken;  // passes at which the box took new lines
    qsizetype shownLines = 0;
    onEveryPass([&](int pass) {
        now += std::chrono::milliseconds(1);
        const qsizetype lines = c->txtOutput->toPlainText().count(QLatin1Char('\n'));
        if (lines > shownLines)
            taken.push_back(pass);
        shownLines = lines;
        if (taken.size() == 3 || pass == 1000)
            click(c->command1);  // Pause
    });
    click(c->command1);
    ASSERT_EQ(caption(), QStringLiteral("&Resume"));
    ASSERT_EQ(taken.size(), 3u) << "the log box took new lines " << taken.size() << " times in " << passes
                                << " generations";
    // About every 100 ms, at a paint.
    for (std::size_t k = 1; k < taken.size(); ++k)
        EXPECT_TRUE(taken[k] - taken[k - 1] >= 100 && taken[k] - taken[k - 1] <= 100 + 18) << taken[k];
    const std::string held = logText(*win);
    EXPECT_EQ(c->txtOutput->toPlainText().count(QLatin1Char('\n')),
              static_cast<qsizetype>(std::count(held.begin(), held.end(), '\n')));
}

// The counters reach the screen during a run about every 16 ms on the
// window's clock, however many generations run meanwhile.
TEST_F(WindowTest, CountersReachTheScreenAtThePaintPace)
{
    type("txtGenerations", QStringLiteral("100000000"));
    auto now = clock() + std::chrono::seconds(1);  // as above
    clock = [&now] { return now; };
    std::vector<int> painted;  // passes at which txtTotIter showed a new total
    QString last = shown("txtTotIter");
    onEveryPass([&](int pass) {
        now += std::chrono::milliseconds(1);
        if (shown("txtTotIter") != last)
            painted.push_back(pass);
        last = shown("txtTotIter");
        if (pass == 200)
            click(c->command1);  // Pause
    });
    click(c->command1);
    ASSERT_GE(painted.size(), 10u);
    for (std::size_t k = 1; k < painted.size(); ++k)
        EXPECT_TRUE(painted[k] - painted[k - 1] >= 16 && painted[k] - painted[k - 1] <= 18) << painted[k];
}

// An assistive technology's edit sends no key or click, so it may meet a log
// line still waiting for the screen: that line goes in front of the text the
// edit adds at the log's end, and a line written after the edit goes after it.
struct AccessibleEdit {
    const char* name;
    void (*edit)(QAccessibleInterface& log, int end);  // end: the length the edit sees
    const char* expected;  // S the shown line, W the waiting one, N the edit's "note", L a later line
    friend void PrintTo(const AccessibleEdit& row, std::ostream* os) { *os << row.name; }
};

class EditThroughAccessibility : public BindingTest, public ::testing::WithParamInterface<AccessibleEdit> {};

TEST_P(EditThroughAccessibility, KeepsTheLogInTheOrderThingsHappened)
{
    const std::map<char, std::string> pieces = {
        {'S', "0.5\t\t1\r\n"}, {'W', "0.75\t\t2\r\n"}, {'N', "note"}, {'L', "0.875\t\t3\r\n"}, {'s', "0.5"}};
    append(pieces.at('S'));
    rig.binding.present();
    append(pieces.at('W'));
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(&log);
    ASSERT_TRUE(a && a->editableTextInterface() && a->textInterface());
    GetParam().edit(*a, a->textInterface()->characterCount());
    append(pieces.at('L'));

    std::string expected;
    for (const char* p = GetParam().expected; *p; ++p)
        expected += pieces.at(*p);
    EXPECT_EQ(logText(), expected);
    rig.binding.present();
    EXPECT_EQ(logText(), expected);
    EXPECT_EQ(log.toPlainText(), QString::fromStdString(expected).remove(QLatin1Char('\r')));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Edits, EditThroughAccessibility, ::testing::Values(
    AccessibleEdit{"InsertAtTheEnd", [](QAccessibleInterface& a, int end) {
        a.editableTextInterface()->insertText(end, QStringLiteral("note")); }, "SWNL"},
    AccessibleEdit{"InsertAtTheStart", [](QAccessibleInterface& a, int) {
        a.editableTextInterface()->insertText(0, QStringLiteral("note")); }, "NSWL"},
    AccessibleEdit{"ReplaceTheTail", [](QAccessibleInterface& a, int end) {
        a.editableTextInterface()->replaceText(3, end, QStringLiteral("note")); }, "sWNL"},
    AccessibleEdit{"DeleteTheTail", [](QAccessibleInterface& a, int end) {
        a.editableTextInterface()->deleteText(3, end); }, "sWL"},
    // What a screen reader's "set text contents" does.
    AccessibleEdit{"ReplaceAll", [](QAccessibleInterface& a, int end) {
        a.editableTextInterface()->replaceText(0, end, QStringLiteral("note")); }, "WNL"},
    AccessibleEdit{"SetTheValue", [](QAccessibleInterface& a, int) {
        a.setText(QAccessible::Value, QStringLiteral("note")); }, "WNL"}),
    testing::rowName);
// clang-format on

struct Scroll {
    const char* name;
    std::vector<std::pair<Qt::Key, Qt::KeyboardModifiers>> keys;  // typed into the log first
    bool follows;
    friend void PrintTo(const Scroll& row, std::ostream* os) { *os << row.name; }
};

class LogScroll : public BindingTest, public ::testing::WithParamInterface<Scroll> {};

TEST_P(LogScroll, NewLinesMoveTheViewOnlyWhenItIsAtTheBottom)
{
    const auto addLines = [&](int from, int to) {
        for (int i = from; i < to; ++i)
            append("0.5\t\t" + std::to_string(i) + "\r\n");
        rig.binding.present();
    };
    addLines(0, 200);
    QScrollBar* bar = log.verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    ASSERT_EQ(bar->value(), bar->maximum());
    for (const auto& [key, modifiers] : GetParam().keys)
        QTest::keyClick(&log, key, modifiers);
    const int kept = bar->value(), oldMaximum = bar->maximum();
    ASSERT_EQ(kept == oldMaximum, GetParam().follows);
    addLines(200, 260);
    EXPECT_GT(bar->maximum(), oldMaximum);
    EXPECT_EQ(bar->value(), GetParam().follows ? bar->maximum() : kept);
    EXPECT_EQ(log.toPlainText().count(QLatin1Char('\n')), 260);
}

INSTANTIATE_TEST_SUITE_P(
    Views, LogScroll,
    ::testing::Values(Scroll{"AtBottomFollows", {}, true},
                      Scroll{"ScrolledToTopStays", {{Qt::Key_Home, Qt::ControlModifier}}, false},
                      Scroll{
                          "PageUpStays", {{Qt::Key_End, Qt::ControlModifier}, {Qt::Key_PageUp, {}}}, false}),
    testing::rowName);

}  // namespace
}  // namespace quillmar::uitest
