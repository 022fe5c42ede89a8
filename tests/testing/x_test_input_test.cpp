// Real input through the X server: a click lands on the widget under the
// pointer, and a chord types its keys in order, modifiers included. Needs an
// X server (Xvfb in the test command); skips itself without one.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <initializer_list>

#include "x_test_input.h"

namespace quillmar::testing {
namespace {

constexpr unsigned long kShiftL = 0xffe1;

class XTestInputTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!onXServer())
            GTEST_SKIP() << "needs an X server";
        ASSERT_TRUE(input.available()) << "needs libX11 and libXtst";
    }
    // Shows `w` and makes it the active window, which takes the keys.
    static void showActive(QWidget& w)
    {
        w.show();
        w.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    }

    XTestInput input;
};

TEST_F(XTestInputTest, AClickLandsOnTheWidgetUnderThePointer)
{
    QPushButton button(QStringLiteral("Press"));
    button.resize(200, 80);
    showActive(button);
    int clicks = 0;
    QObject::connect(&button, &QPushButton::clicked, [&] { ++clicks; });
    input.moveTo(button.mapToGlobal(button.rect().center()));
    input.clickLeft();
    EXPECT_TRUE(QTest::qWaitFor([&] { return clicks > 0; }, 5000));
    QTest::qWait(100);  // a second click would arrive by now
    EXPECT_EQ(clicks, 1);
}

TEST_F(XTestInputTest, AChordTypesItsKeysInOrder)
{
    const struct {
        std::initializer_list<unsigned long> keys;
        const char* typed;
    } cases[] = {
        {{'q'}, "q"},
        {{kShiftL, 'q'}, "Q"},
        {{'a', 'b', 'c'}, "abc"},
    };
    QLineEdit edit;
    showActive(edit);
    ASSERT_TRUE(edit.hasFocus());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        edit.clear();
        input.chord(c.keys);
        const QString typed = QString::fromLatin1(c.typed);
        EXPECT_TRUE(QTest::qWaitFor([&] { return edit.text() == typed; }, 5000)) << edit.text().toStdString();
    }
}

}  // namespace
}  // namespace quillmar::testing
