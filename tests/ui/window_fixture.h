#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <memory>
#include <ostream>

#include "form1.h"
#include "form_binding.h"
#include "plot_widget.h"
#include "run_controller.h"
#include "simulation.h"

// Readable QStrings in failure messages.
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace quillmar::uitest {

// A fresh main window for every test, shown and active, with the modal error
// box and the species-count message replaced by recorders.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        win = std::make_unique<Form1>(nullptr, ClockMixedRandom::systemClock(), askClock, askInterval);
        win->fatalHook = [this](const QString& m) { fatals << m; };
        win->binding().messageHook = [this](const QString& m) { messages << m; };
        win->show();
        win->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(win.get()));
    }

    QString caption() const { return win->command1()->text(); }
    // The text a box shows on screen.
    QString shown(const char* box) const { return win->textBox(QString::fromLatin1(box))->text(); }
    // The text the program holds for a box (the screen may lag behind it).
    QString held(TextBox box) const { return QString::fromStdString(win->binding().text(box)); }
    static void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }

    // Replaces the text of an input box as a user does: select all, erase, type.
    void type(const char* box, const QString& text) const
    {
        QLineEdit* e = win->textBox(QString::fromLatin1(box));
        QTest::keyClick(e, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(e, Qt::Key_Backspace);
        QTest::keyClicks(e, text);
    }

    // Hooks the main loop's yield where it asks for events (with the default
    // interval of zero: at every pass): `onPass` gets the pass number, counted
    // from 1 across nested loops, before Qt processes the pending events.
    void onEveryPass(std::function<void(int)> onPass)
    {
        win->yieldHook = [this, onPass] {
            onPass(++passes);
            QCoreApplication::processEvents();
        };
    }

    // How the run loop's yield paces its asks for events: by default every
    // pass asks, so the yield hook sees every pass.
    EventPacer::Clock askClock = EventPacer::steadyClock();
    EventPacer::Interval askInterval = EventPacer::Interval::zero();

    std::unique_ptr<Form1> win;
    QStringList fatals, messages;
    int passes = 0;
};

}  // namespace quillmar::uitest
