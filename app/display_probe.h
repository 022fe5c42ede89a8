#pragma once

#include <string>

struct xcb_connection_t;

namespace quillmar {

// Asks, before Qt starts, whether a display answers that Qt's platform plugins
// could open: Qt aborts the program when none can. Which plugin is used stays
// Qt's choice; a platform other than X11 and Wayland is left to Qt.
class DisplayProbe {
public:
    // Probes the displays that DISPLAY, WAYLAND_DISPLAY and QT_QPA_PLATFORM name.
    DisplayProbe();
    ~DisplayProbe();
    DisplayProbe(const DisplayProbe&) = delete;
    DisplayProbe& operator=(const DisplayProbe&) = delete;

    // Why the window cannot open, for one line ("no display found (...)");
    // empty when a display answers or the platform is left to Qt.
    const std::string& refusal() const { return refusal_; }

    // Closes the probe's X connection. It is kept until Qt has its own: an X
    // server started without -noreset resets whenever its last client leaves,
    // and Qt's connection would arrive during that reset.
    void release();

private:
    xcb_connection_t* x_ = nullptr;
    std::string refusal_;
};

}  // namespace quillmar
