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
#include "plot_widget.h"
#include "test_helpers.h"

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
    WindowTest()
    {
        services.askInterval = EventPacer::Interval::zero();
        services.paceClock = [this] { return clock(); };
    }

    void SetUp() override
    {
        services.reportFatal = [this](QWidget&, const QString& m) {
            fatals << m;
            if (onFatal)
                onFatal();
        };
        services.showMessage = [this](QWidget&, const QString& m) { messages << m; };
        services.askForEvents = [this] {
            if (onPass_)
                onPass_(++passes);
            QCoreApplication::processEvents();
            if (afterAsk)
                afterAsk();
        };
        services.injectFault = [this](Entry e) {
            if (fault)
                fault(e);
        };
        win = std::make_unique<Form1>(nullptr, services);
        c = &win->controls();
        win->show();
        win->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(win.get()));
    }

    QString caption() const { return c->command1->text(); }
    QLineEdit* box(const char* name) const { return win->findChild<QLineEdit*>(QString::fromLatin1(name)); }
    // The text a box shows on screen.
    QString shown(const char* name) const { return box(name)->text(); }
    // The text the program holds for a box (the screen may lag behind it).
    QString held(TextBox b) const { return QString::fromStdString(win->binding().text(b)); }
    static void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }

    // Replaces the text of an input box as a user does: select all, erase, type.
    void type(const char* name, const QString& text) const
    {
        QLineEdit* e = box(name);
        QTest::keyClick(e, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(e, Qt::Key_Backspace);
        QTest::keyClicks(e, text);
    }

    // Runs `onPass` where the main loop's yield asks for events (with the
    // default interval of zero: at every pass), with the pass number counted
    // from 1 across nested loops, before Qt processes the pending events.
    void onEveryPass(std::function<void(int)> onPass) { onPass_ = std::move(onPass); }

    // What the window takes from its surroundings; by default every pass asks
    // for events, so onEveryPass sees every pass. Change before SetUp runs.
    WindowServices services;
    // The clock that paces the asks, the paints and the log: the steady clock
    // unless a test replaces it, at any time, with one that goes on from it.
    EventPacer::Clock clock = EventPacer::steadyClock();
    // Runs at the start of all work at each place where Qt calls into the window.
    std::function<void(Entry)> fault;
    // Runs where an ask for events has returned.
    std::function<void()> afterAsk;
    // Runs when the error that ends the program is reported, after it is recorded.
    std::function<void()> onFatal;

    std::unique_ptr<Form1> win;
    const Controls* c = nullptr;
    QStringList fatals, messages;
    int passes = 0;

private:
    std::function<void(int)> onPass_;
};

}  // namespace quillmar::uitest
