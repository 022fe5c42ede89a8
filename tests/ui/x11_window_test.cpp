// The window on a real X server (Xvfb in the test script): where it opens,
// what the screen shows of the plot after another window covered it, and keys
// typed on the server's keyboard, into the window and into a message box.
#include <QElapsedTimer>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>

#include "window_fixture.h"
#include "x_test_input.h"

namespace quillmar::uitest {
namespace {

class OnX11 : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!testing::onXServer())
            GTEST_SKIP() << "needs an X server";
        win.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&win));
    }

    // The plot's inner area as the X server holds it, read back from the screen.
    QImage plotOnScreen()
    {
        PlotWidget& p = *win.controls().picture1;
        const QRect r(p.mapToGlobal(p.contentsRect().topLeft()), p.contentsRect().size());
        return win.screen()
            ->grabWindow(0, r.x(), r.y(), r.width(), r.height())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    }

    static WindowServices failOnFatal()
    {
        WindowServices s;
        s.reportFatal = [](QWidget&, const QString& m) { ADD_FAILURE() << m.toStdString(); };
        return s;
    }

    Form1 win{nullptr, failOnFatal()};
};

TEST_F(OnX11, OpensInTheTopLeftCornerWithTheDesignedClientArea)
{
    EXPECT_EQ(win.frameGeometry().topLeft(), QPoint(0, 0));
    EXPECT_EQ(win.size(), QSize(577, 614));
}

TEST_F(OnX11, PlotComesBackAfterBeingCovered)
{
    if (win.screen()->depth() < 24 || !win.screen()->geometry().contains(win.frameGeometry()))
        GTEST_SKIP() << "needs a 24-bit screen that holds the whole window";
    QTest::mouseClick(win.controls().command1, Qt::LeftButton);
    const QImage picture = win.controls().picture1->image().convertToFormat(QImage::Format_RGB32);
    ASSERT_TRUE(QTest::qWaitFor([&] { return plotOnScreen() == picture; }, 5000))
        << "plot never reached the screen";

    QWidget cover(nullptr, Qt::FramelessWindowHint);
    cover.setPalette(QPalette(Qt::darkGreen));
    cover.setAutoFillBackground(true);
    PlotWidget& p = *win.controls().picture1;
    cover.setGeometry(QRect(p.mapToGlobal(QPoint(0, 0)), p.size()));
    cover.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&cover));
    ASSERT_TRUE(QTest::qWaitFor([&] { return plotOnScreen() != picture; }, 5000)) << "the cover never showed";

    cover.hide();
    EXPECT_TRUE(QTest::qWaitFor([&] { return plotOnScreen() == picture; }, 5000));
    EXPECT_EQ(p.image().convertToFormat(QImage::Format_RGB32), picture);
}

// Alt+B on the keyboard presses "Begin"; with a count the run refuses, the
// warning box opens modally and Return on the keyboard closes it.
TEST_F(OnX11, KeysReachTheWindowAndItsMessageBox)
{
    testing::XTestInput keyboard;
    ASSERT_TRUE(keyboard.available()) << "needs libX11 and libXtst";
    win.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&win));

    win.controls().textBox(TextBox::txtNumPts)->setText(QStringLiteral("abc"));
    // The box opens modally inside the press: a timer watches for it, types
    // Return once the box has the keyboard, and gives up after a while.
    QString shown;
    bool gaveUp = false;
    const QMessageBox* answered = nullptr;
    QElapsedTimer since;
    since.start();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        shown = box->text();
        if (since.hasExpired(5000)) {
            gaveUp = true;
            box->reject();
        } else if (box->isActiveWindow() && box != answered) {
            answered = box;  // once: a second Return would press the focused button after the box
            keyboard.chord({testing::XTestInput::kReturn});
        }
    });
    poll.start(50);
    keyboard.chord({testing::XTestInput::kAltL, 'b'});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !shown.isEmpty() && !QApplication::activeModalWidget(); }, 8000))
        << "the message box never opened, or never closed";
    poll.stop();
    EXPECT_FALSE(gaveUp) << "Return typed on the keyboard did not close the message box";
    EXPECT_EQ(shown, QString::fromUtf8(kSpeciesCountMessage.data(), kSpeciesCountMessage.size()));
    EXPECT_EQ(win.controls().command1->text(), QStringLiteral("&Begin"));

    win.controls().textBox(TextBox::txtNumPts)->setText(QStringLiteral("50"));
    win.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&win));
    keyboard.chord({testing::XTestInput::kAltL, 'b'});
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return win.controls().command1->text() == QLatin1String("&Resume"); }, 5000));
    EXPECT_EQ(win.controls().textBox(TextBox::txtTotIter)->text(), QStringLiteral(" 1"));
}

}  // namespace
}  // namespace quillmar::uitest
