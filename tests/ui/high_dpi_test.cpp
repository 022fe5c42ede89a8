// The window at a scale factor of 2: twice as large, the same layout in logical
// pixels, and a plot drawn at the device pixel ratio, so markers stay one
// device pixel wide instead of being blown up from a half-size picture.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTest>

#include "control_table.h"
#include "form1.h"
#include "plot_widget.h"
#include "simulation.h"
#include "test_helpers.h"

namespace quillmar {
namespace {

constexpr int kScale = 2;  // ctest sets QT_SCALE_FACTOR to it (tests/ui/CMakeLists.txt)

TEST(HighDpi, WindowIsTwiceAsLargeAndKeepsItsLayout)
{
    Form1 win;
    win.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&win));
    ASSERT_EQ(win.devicePixelRatioF(), kScale);
    const QImage shot = win.grab().toImage();
    EXPECT_EQ(shot.size(), QSize(577 * kScale, 614 * kScale));
    for (const char* name : {"txtOutput", "txtNumPts", "Command1", "txtTotIter", "Picture1", "chkRule2"}) {
        QWidget* w = win.findChild<QWidget*>(QString::fromLatin1(name));
        const QPoint device = w->mapTo(&win, QPoint(0, 0)) * kScale;
        EXPECT_EQ(device, w->pos() * kScale) << name;
        EXPECT_EQ(w->grab().size(), w->size() * kScale) << name;
    }
}

TEST(HighDpi, PlotIsDrawnAtDevicePixelsAndShownOneToOne)
{
    Form1 win;
    win.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&win));
    QTest::mouseClick(win.controls().command1, Qt::LeftButton);
    ASSERT_EQ(win.controls().command1->text(), QStringLiteral("&Resume"));

    PlotWidget* plot = win.controls().picture1;
    const QImage& image = plot->image();
    EXPECT_EQ(image.devicePixelRatio(), kScale);
    EXPECT_EQ(image.size(), plot->contentsRect().size() * kScale);

    // What reaches the screen is the backing image pixel for pixel.
    const QImage shown = plot->grab(plot->contentsRect()).toImage().convertToFormat(image.format());
    ASSERT_EQ(shown.size(), image.size());
    EXPECT_TRUE(shown == image);

    // Every marker edge is a single device pixel: inside each black box the
    // pixel next to the top-left corner, diagonally, is background.
    const Simulation& sim = win.simulation();
    const QRgb background = plot->toRgb(Colour::buttonFace());
    const QRgb black = plot->toRgb(Colour::black());
    int checked = 0;
    for (int i = 0; i < sim.num.toInt(); ++i) {
        const double f = sim.a.value(testing::i16(i));
        const QPoint corner = plot->devicePoint(i, static_cast<float>(f + 0.2));
        const QPoint far = plot->devicePoint(static_cast<float>(i + 0.2), f);
        if (far.x() - corner.x() < 3 || far.y() - corner.y() < 3 || corner.y() < 1)
            continue;  // too small to have an inside, or cut by the top edge
        if (image.pixel(corner) != black)
            continue;  // changed in the last generation (red) or crossed by the threshold
        EXPECT_EQ(image.pixel(corner + QPoint(1, 1)), background) << "species " << i;
        ++checked;
    }
    EXPECT_GT(checked, 20);
}

}  // namespace
}  // namespace quillmar
