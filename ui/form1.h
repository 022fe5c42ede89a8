#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <optional>

#include "controls.h"
#include "error_boundary.h"
#include "event_pacer.h"
#include "form_binding.h"
#include "plot_widget.h"
#include "random_source.h"
#include "run_controller.h"
#include "simulation.h"
#include "window_services.h"

namespace quillmar {

// The main window: its look, its 22 controls and the three click handlers,
// which hand over to the run controller. The program sees the window through
// the binding (FormBinding); the window's yield decides, on its one clock,
// when a run asks for events and when the screen catches up. All work that Qt
// calls into runs inside the one error boundary, so an error in a handler, an
// event or a slot unwinds every running loop, is reported once and ends the
// program.
class Form1 final : public QWidget {
    Q_OBJECT

public:
    explicit Form1(QWidget* parent = nullptr, WindowServices services = {});

    // Gives `window` the window's designed look, its caption, font, background
    // and client size, and returns it. Controls built on it afterwards size
    // their captions in its font.
    static QWidget* withLook(QWidget* window);

    // What the window's surroundings may read of it.
    const Controls& controls() const { return controls_; }
    const FormBinding& binding() const { return binding_; }
    const Simulation& simulation() const { return sim_; }
    const RunController& controller() const { return controller_; }
    bool closing() const { return boundary_.closing(); }
    const std::optional<QString>& failure() const { return boundary_.failure(); }

public slots:
    void Command1_Click();
    void cmdReset_Click();
    void chkStep_Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Load();
    void handle(const std::function<void()>& handler);
    void yield();
    void catchUpScreen();
    void reportFailure(const QString& message);

    WindowServices services_;
    ErrorBoundary boundary_;
    // Its events run inside the boundary, so it goes before the boundary does.
    PlotWidget picture1_;
    Controls controls_;
    ClockMixedRandom random_;
    // On the one clock of the services: the yield's asks for events, the
    // paints of the counters and the plot, and the log's waiting lines.
    EventPacer asks_, paints_, logs_;
    FormBinding binding_;
    Simulation sim_;
    RunController controller_;
};

}  // namespace quillmar
