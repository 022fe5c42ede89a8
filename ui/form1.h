#pragma once

#include <QString>
#include <QWidget>
#include <exception>
#include <functional>
#include <memory>
#include <optional>

#include "error_boundary.h"
#include "event_pacer.h"
#include "form_binding.h"
#include "random_source.h"

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace quillmar {

class PlotWidget;
class RunController;
class Simulation;

// The main window: its 22 controls, built from the control table, and the
// three click handlers, which hand over to the run controller. What reaches
// the screen and when is the binding's (FormBinding); the window holds the
// error boundary and handles its closing. No exception leaves the window's
// code for Qt's: an error in a handler, an event or a slot unwinds every
// running loop, is reported once and ends the program.
class Form1 final : public QWidget {
    Q_OBJECT

public:
    // How long a run goes on between two asks for the window system's events.
    static const EventPacer::Interval kAskInterval;

    // `clock` feeds the random generator's reseeds; tests pass a fixed one to
    // replay a run exactly. `askClock` and `askInterval` pace the run loop's
    // asks for events; with an interval of zero every pass asks.
    explicit Form1(QWidget* parent = nullptr, ClockMixedRandom::Clock clock = ClockMixedRandom::systemClock(),
                   EventPacer::Clock askClock = EventPacer::steadyClock(),
                   EventPacer::Interval askInterval = kAskInterval);
    ~Form1() override;

    // The font every control uses.
    static QFont windowFont();

    // A control by its name in the control table, or nullptr.
    QWidget* control(const QString& name) const;
    QLineEdit* textBox(const QString& name) const;
    QPlainTextEdit* txtOutput() const;
    QPushButton* command1() const;
    QPushButton* cmdReset() const;
    QCheckBox* chkStep() const;
    QCheckBox* chkRule2() const;
    PlotWidget* picture1() const;

    Simulation& simulation() { return *sim_; }
    RunController& controller() { return *controller_; }
    FormBinding& binding() { return *binding_; }

    // Replaces the modal error report (tests); the default shows a message box
    // and ends the event loop with status 1.
    std::function<void(const QString&)> fatalHook;
    // Replaces the yield's event processing (tests); runs before the abandon check.
    std::function<void()> yieldHook;
    // Called at the start of all work inside the error boundary (tests inject faults with it).
    std::function<void(Entry)> faultHook;

    // The one error boundary, for all work that Qt calls into. An error that
    // `work` throws stops every running loop at its next yield and is reported
    // by the outermost handler, or, when no handler runs, as soon as the event
    // loop has control again. A further error while one is reported is ignored.
    void shield(Entry entry, const std::function<void()>& work);
    // The message that reports an error caught as `e`.
    static QString errorText(std::exception_ptr e);

    bool closing() const { return closing_; }
    const std::optional<QString>& failure() const { return failure_; }
    // Shows pending texts, log lines and plot changes on screen now.
    void present();

public slots:
    void Command1_Click();
    void cmdReset_Click();
    void chkStep_Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Load();
    void buildControls();
    void yield();
    void handle(const std::function<void()>& handler);
    void reportFailure();

    ControlWidgets widgets_{};  // one per row of the control table

    ClockMixedRandom random_;
    EventPacer pacer_;
    std::unique_ptr<FormBinding> binding_;
    std::unique_ptr<Simulation> sim_;
    std::unique_ptr<RunController> controller_;

    int handlerDepth_ = 0;
    bool closing_ = false;
    std::optional<QString> failure_;
    bool reported_ = false;
};

}  // namespace quillmar
