// The window as built: every control's class, text, place and state, the focus
// order, the labels beside their boxes and the ways of pressing Command1.
#include <QClipboard>
#include <QFontInfo>
#include <QInputMethodEvent>
#include <QLabel>
#include <tuple>

#include "binding_rig.h"
#include "window_fixture.h"

namespace quillmar::uitest {
namespace {

struct Designed {
    const char* name;
    const char* cls;
    const char* text;
    int left, top, width, height;  // twips, 15 to the pixel
    int tab;
    bool enabled;
    friend void PrintTo(const Designed& row, std::ostream* os) { *os << row.name; }
};

// clang-format off
const Designed kDesign[] = {
    {"txtOutput",      "QPlainTextEdit",       "",                          5160,    0, 3375, 1455, 11, true},
    {"txtNumPts",      "QLineEdit",            "50",                        1080,   90,  495,  285,  2, true},
    {"Label5",         "QLabel",               "No. Species:",               120,  120,  915,  195, 10, true},
    {"Label2",         "QLabel",               "Number of Torrels",         2160,  120, 1620,  195,  6, true},
    {"txtNumAv",       "QLineEdit",            "0",                         3840,  120,  855,  285, 12, false},
    {"Label4",         "QLabel",               "Generations:",               240,  480,  900,  195,  9, true},
    {"txtGenerations", "QLineEdit",            "1",                         1320,  480,  855,  285, 15, true},
    {"Label3",         "QLabel",               "Last Torel:",               2640,  480, 1065,  195,  7, true},
    {"txtSize",        "QLineEdit",            "0",                         3840,  480,  855,  285,  8, false},
    {"chkStep",        "QCheckBox",            "Step Through",               360,  840, 1335,  255, 16, false},
    {"Label1",         "QLabel",               "Threshold Fitness:",        2400,  840, 1290,  195,  5, true},
    {"txtLowval",      "QLineEdit",            "0",                         3840,  840,  855,  285,  4, false},
    {"chkRule2",       "QCheckBox",            "Remove Rule 2",              360, 1200, 1575,  255, 21, true},
    {"Label6",         "QLabel",               "Largest Torrel",            2400, 1200, 1335,  195, 13, true},
    {"txtLargest",     "QLineEdit",            "0",                         3840, 1200,  855,  285, 14, false},
    {"Command1",       "QPushButton",          "&Begin",                     120, 1560, 1095,  375,  0, true},
    {"cmdReset",       "QPushButton",          "&Reset",                    1440, 1560, 1095,  375, 17, true},
    {"Si",             "QLabel",               "Size of Current Torel",     2760, 1560, 1335,  375, 19, true},
    {"txtIterate",     "QLineEdit",            "0",                         4200, 1680, 1095,  285,  3, false},
    {"Label7",         "QLabel",               "Total Generations So Far:", 5520, 1680, 1815,  195, 20, true},
    {"txtTotIter",     "QLineEdit",            "0",                         7440, 1680, 1095,  285, 18, false},
    {"Picture1",       "quillmar::PlotWidget", "",                             0, 2040, 8535, 7095,  1, true},
};
// clang-format on

bool isLabel(const Designed& d)
{
    return QLatin1String(d.cls) == QLatin1String("QLabel");
}
// Every label but Si sizes itself to its caption.
bool autoSize(const Designed& d)
{
    return isLabel(d) && QLatin1String(d.name) != QLatin1String("Si");
}

class ControlLayout : public WindowTest, public ::testing::WithParamInterface<Designed> {};

TEST_P(ControlLayout, ClassTextPlaceAndState)
{
    const Designed& d = GetParam();
    QWidget* c = win->findChild<QWidget*>(QString::fromLatin1(d.name));
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->objectName(), QLatin1String(d.name));
    EXPECT_EQ(c->parentWidget(), win.get());
    EXPECT_STREQ(c->metaObject()->className(), d.cls);
    EXPECT_EQ(c->property(qobject_cast<QPlainTextEdit*>(c) ? "plainText" : "text").toString(),
              QString::fromUtf8(d.text));
    if (auto* box = qobject_cast<QCheckBox*>(c)) {
        EXPECT_FALSE(box->isChecked());
    }
    if (auto* label = qobject_cast<QLabel*>(c)) {
        EXPECT_EQ(label->wordWrap(), !autoSize(d));
    }
    const QRect designed(d.left / 15, d.top / 15, d.width / 15, d.height / 15);
    const QRect expected = autoSize(d) ? QRect(designed.topLeft(), c->sizeHint()) : designed;
    EXPECT_EQ(c->geometry(), expected);
    EXPECT_EQ(c->isEnabled(), d.enabled);
    EXPECT_EQ(c->font(), win->font()) << "no control sets its own font";
    // No layout: resizing the window leaves every control where it is.
    for (const QSize s : {QSize(300, 200), QSize(900, 900)}) {
        win->resize(s);
        QCoreApplication::processEvents();
        EXPECT_EQ(c->geometry(), expected) << "window " << s.width() << "x" << s.height();
    }
}

INSTANTIATE_TEST_SUITE_P(Design, ControlLayout, ::testing::ValuesIn(kDesign), testing::rowName);

TEST_F(WindowTest, TitleClientAreaFontAndBackground)
{
    EXPECT_EQ(win->windowTitle(), QStringLiteral("Quillmar (ver 1.0)"));
    EXPECT_EQ(win->size(), QSize(8655 / 15, 9210 / 15));
    EXPECT_EQ(QFontInfo(win->font()).family(), QStringLiteral("Liberation Sans"));
    EXPECT_EQ(win->palette().color(QPalette::Window), win->palette().color(QPalette::Button));
    EXPECT_EQ(win->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly).size(), std::size(kDesign));
    auto* log = c->txtOutput;
    EXPECT_EQ(log->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    EXPECT_EQ(log->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_NE(log->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
}

struct TabCycle {
    const char* name;
    bool afterFirstBegin;
    QStringList order;  // from Command1 round to it again
    friend void PrintTo(const TabCycle& row, std::ostream* os) { *os << row.name; }
};

class TabOrder : public WindowTest, public ::testing::WithParamInterface<TabCycle> {};

TEST_P(TabOrder, TabAndShiftTabVisitTheEnabledControls)
{
    ASSERT_EQ(QApplication::focusWidget(), c->command1) << "the focus starts on Command1";
    if (GetParam().afterFirstBegin)
        click(c->command1);
    const QStringList& order = GetParam().order;
    for (int i = 1; i <= order.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget()->objectName(), order[i % order.size()]) << "Tab " << i;
    }
    for (int i = order.size() - 1; i >= 0; --i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        ASSERT_EQ(QApplication::focusWidget()->objectName(), order[i]) << "Shift+Tab to " << i;
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cycles, TabOrder, ::testing::Values(
    TabCycle{"BeforeFirstBegin", false,
             {"Command1", "Picture1", "txtNumPts", "txtOutput", "txtGenerations", "cmdReset", "chkRule2"}},
    TabCycle{"StepBoxEnabledByBegin", true,
             {"Command1", "Picture1", "txtNumPts", "txtOutput", "txtGenerations", "chkStep", "cmdReset", "chkRule2"}}),
    testing::rowName);
// clang-format on

TEST_F(WindowTest, EachLabelStandsLeftOfItsBoxOnTheSameRow)
{
    const std::pair<const char*, const char*> buddies[] = {
        {"Label5", "txtNumPts"}, {"Label4", "txtGenerations"}, {"Label2", "txtNumAv"},
        {"Label3", "txtSize"},   {"Label1", "txtLowval"},      {"Label6", "txtLargest"},
        {"Si", "txtIterate"},    {"Label7", "txtTotIter"},
    };
    for (const auto& [labelName, boxName] : buddies) {
        auto* label = qobject_cast<QLabel*>(win->findChild<QWidget*>(QString::fromLatin1(labelName)));
        QWidget* box = win->findChild<QWidget*>(QString::fromLatin1(boxName));
        ASSERT_TRUE(label && box) << labelName;
        EXPECT_EQ(label->buddy(), box) << labelName;
        const QRect l = label->geometry(), b = box->geometry();
        EXPECT_LT(l.right(), b.left()) << labelName;
        EXPECT_TRUE(l.top() <= b.bottom() && b.top() <= l.bottom()) << labelName;
    }
    // Si's caption does not fit on one line of its width and wraps onto two.
    const QWidget* si = win->findChild<QWidget*>(QStringLiteral("Si"));
    const QFontMetrics fm(si->font());
    const QString caption = QStringLiteral("Size of Current Torel");
    EXPECT_GT(fm.horizontalAdvance(caption), 1335 / 15);
    EXPECT_EQ(
        fm.boundingRect(QRect(0, 0, 1335 / 15, 1000), Qt::TextWordWrap, caption).height() / fm.lineSpacing(),
        2);
}

TEST_F(WindowTest, BeforeTheFirstPressStepBoxAndCountersIgnoreTheUser)
{
    click(c->chkStep);
    QTest::keyClick(c->chkStep, Qt::Key_Space);
    EXPECT_FALSE(c->chkStep->isChecked());
    EXPECT_EQ(caption(), QStringLiteral("&Begin"));
    for (const char* name : {"txtNumAv", "txtSize", "txtLowval", "txtLargest", "txtIterate", "txtTotIter"}) {
        QLineEdit* e = box(name);
        click(e);
        QTest::keyClicks(e, QStringLiteral("77"));
        EXPECT_NE(QApplication::focusWidget(), e) << name;
        EXPECT_EQ(e->text(), QStringLiteral("0")) << name;
    }
}

// No single-line box cuts a long text, whether typed (committed at once, as an
// input method does), pasted or written by the program.
enum class Way { Typed, Pasted, Written };
constexpr const char* kWays[] = {"Typed", "Pasted", "Written"};
constexpr const char* kBoxNames[] = {
    "",          "txtNumPts",  "txtNumAv",   "txtGenerations", "txtSize",
    "txtLowval", "txtLargest", "txtIterate", "txtTotIter"};  // in TextBox order

class LongText : public ::testing::TestWithParam<std::tuple<TextBox, Way>> {};

TEST_P(LongText, BoxKeepsEveryCharacter)
{
    const auto [box, way] = GetParam();
    testing::BindingRig rig;
    rig.window.show();
    QLineEdit* e = rig.controls.textBox(box);
    const QString text = QStringLiteral("12") + QString(40000, QLatin1Char('7'));
    if (way == Way::Written) {
        rig.binding.setText(box, text.toStdString());
        rig.binding.present();
    } else {
        QTest::keyClick(e, Qt::Key_A, Qt::ControlModifier);
        if (way == Way::Pasted) {
            QGuiApplication::clipboard()->setText(text);
            QTest::keyClick(e, Qt::Key_V, Qt::ControlModifier);
        } else {
            QInputMethodEvent commit;
            commit.setCommitString(text);
            QApplication::sendEvent(e, &commit);
        }
    }
    EXPECT_EQ(e->text().size(), text.size());
    EXPECT_EQ(rig.binding.text(box).size(), static_cast<std::size_t>(text.size()));
}

std::string longTextName(const ::testing::TestParamInfo<std::tuple<TextBox, Way>>& info)
{
    const auto [box, way] = info.param;
    return std::string(kBoxNames[indexOf(box)]) + "_" + kWays[static_cast<int>(way)];
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Editable, LongText, ::testing::Combine(
    ::testing::Values(TextBox::txtNumPts, TextBox::txtGenerations),
    ::testing::Values(Way::Typed, Way::Pasted, Way::Written)), longTextName);
INSTANTIATE_TEST_SUITE_P(Counters, LongText, ::testing::Combine(
    ::testing::Values(TextBox::txtNumAv, TextBox::txtSize, TextBox::txtLowval, TextBox::txtLargest,
                      TextBox::txtIterate, TextBox::txtTotIter),
    ::testing::Values(Way::Written)), longTextName);
// clang-format on

struct Press {
    const char* name;
    void (*act)(Form1&);
    bool starts;
    friend void PrintTo(const Press& row, std::ostream* os) { *os << row.name; }
};

class PressCommand1 : public WindowTest, public ::testing::WithParamInterface<Press> {};

TEST_P(PressCommand1, ByMouseKeyboardOrAccessKey)
{
    GetParam().act(*win);
    // An access key presses the button after a short animation: wait for it.
    (void)QTest::qWaitFor([&] { return caption() != QLatin1String("&Begin"); }, 500);
    EXPECT_EQ(caption(), GetParam().starts ? QStringLiteral("&Resume") : QStringLiteral("&Begin"));
    EXPECT_EQ(shown("txtTotIter"), GetParam().starts ? QStringLiteral(" 1") : QStringLiteral("0"));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Ways, PressCommand1, ::testing::Values(
    Press{"Click", [](Form1& w) { QTest::mouseClick(w.controls().command1, Qt::LeftButton); }, true},
    Press{"Space", [](Form1& w) { QTest::keyClick(w.controls().command1, Qt::Key_Space); }, true},
    Press{"EnterOnTheButton", [](Form1& w) { QTest::keyClick(w.controls().command1, Qt::Key_Return); }, true},
    Press{"AltB", [](Form1& w) { QTest::keyClick(&w, Qt::Key_B, Qt::AltModifier); }, true},
    Press{"EscapePressesNone", [](Form1& w) { QTest::keyClick(w.controls().command1, Qt::Key_Escape); }, false},
    Press{"EnterInSpeciesBox", [](Form1& w) {
        w.findChild<QLineEdit*>(QStringLiteral("txtNumPts"))->setFocus();
        QTest::keyClick(w.findChild<QLineEdit*>(QStringLiteral("txtNumPts")), Qt::Key_Return); }, false}),
    testing::rowName);
// clang-format on

}  // namespace
}  // namespace quillmar::uitest
