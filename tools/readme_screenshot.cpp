// Renders the window after a run into a PNG, for the README:
//   quillmar-screenshot OUT.png [SPECIES] [GENERATIONS]
#include <QApplication>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTest>
#include <cstdio>

#include "form1.h"

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fputs("usage: quillmar-screenshot OUT.png [SPECIES] [GENERATIONS]\n", stderr);
        return 2;
    }
    QApplication app(argc, argv);
    quillmar::Form1 window;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    const quillmar::Controls& c = window.controls();
    c.textBox(quillmar::TextBox::txtNumPts)->setText(QString::fromLocal8Bit(argc > 2 ? argv[2] : "300"));
    c.textBox(quillmar::TextBox::txtGenerations)
        ->setText(QString::fromLocal8Bit(argc > 3 ? argv[3] : "200000"));
    QTest::mouseClick(c.command1, Qt::LeftButton);  // the screen shows all when the handler returns
    QCoreApplication::processEvents();
    if (!window.grab().save(QString::fromLocal8Bit(argv[1])))
        return 1;
    return 0;
}
