// The log box: its line ends, text the user types into it, and a view that
// follows new lines only while the user has not scrolled away.
#include <QScrollBar>
#include <string>
#include <vector>

#include "numtext.h"
#include "window_fixture.h"

namespace quillmar::uitest {
namespace {

std::string logText(Form1& w)
{
    return w.binding().text(TextBox::txtOutput);
}

// Begin empties the log and writes one CR LF line; what the user types at its
// end stays in front of the next line, with no line break added.
TEST_F(WindowTest, TypedTextStaysInFrontOfTheNextLogLine)
{
    QTest::keyClicks(win->txtOutput(), QStringLiteral("junk"));
    click(win->command1());
    const std::string sep = win->binding().decimalSeparator();
    const std::string first = plainForm(win->simulation().lowval, sep) + "\t\t1\r\n";
    ASSERT_EQ(logText(*win), first);
    EXPECT_EQ(win->txtOutput()->toPlainText(), QString::fromStdString(first).remove(QLatin1Char('\r')));
    QTest::keyClick(win->txtOutput(), Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(win->txtOutput(), QStringLiteral("note"));
    ASSERT_EQ(logText(*win), first + "note");
    click(win->chkStep());
    std::string tail;  // step until a generation crosses the threshold
    for (int press = 0; press < 500 && tail.empty(); ++press) {
        click(win->command1());
        const std::string now = logText(*win);
        ASSERT_TRUE(now.starts_with(first + "note")) << now;
        tail = now.substr(first.size() + 4);
    }
    ASSERT_FALSE(tail.empty()) << "no crossing in 500 generations";
    const std::string line =
        plainForm(win->simulation().lowval, sep) + "\t\t" + shown("txtSize").toStdString();
    EXPECT_EQ(tail, line + "\r\n");
    EXPECT_TRUE(win->txtOutput()->toPlainText().endsWith(QString::fromStdString("note" + line + "\n")));
}

struct Scroll {
    const char* name;
    std::vector<std::pair<Qt::Key, Qt::KeyboardModifiers>> keys;  // typed into the log first
    bool follows;
    friend void PrintTo(const Scroll& row, std::ostream* os) { *os << row.name; }
};

class LogScroll : public WindowTest, public ::testing::WithParamInterface<Scroll> {};

TEST_P(LogScroll, NewLinesMoveTheViewOnlyWhenItIsAtTheBottom)
{
    QPlainTextEdit& log = *win->txtOutput();
    const auto addLines = [&](int from, int to) {
        for (int i = from; i < to; ++i)
            win->binding().appendText(TextBox::txtOutput, "0.5\t\t" + std::to_string(i) + "\r\n");
        win->present();
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
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quillmar::uitest
