#include "display_probe.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace quillmar {

namespace {

std::string env(const char* name)
{
    const char* v = std::getenv(name);
    return v ? v : "";
}

// libxcb writes the X server's reason for refusing a connection to standard
// error; it is caught here to go into the one line.
xcb_connection_t* connectX(int* screen, std::string& said)
{
    std::FILE* sink = std::tmpfile();
    const int saved = sink ? dup(STDERR_FILENO) : -1;
    if (saved >= 0 && dup2(fileno(sink), STDERR_FILENO) < 0) {
        close(saved);
        std::fclose(sink);
        sink = nullptr;
    }
    xcb_connection_t* c = xcb_connect(nullptr, screen);
    if (sink) {
        dup2(saved, STDERR_FILENO);
        close(saved);
        std::rewind(sink);
        char text[512];
        said.assign(text, std::fread(text, 1, sizeof text, sink));
        std::fclose(sink);
        for (char& ch : said)
            if (ch == '\n' || ch == '\r')
                ch = ' ';
        while (!said.empty() && said.back() == ' ')
            said.pop_back();
    }
    return c;
}

// Empty when the X server at DISPLAY accepts a connection, which is then kept.
std::string probeX(xcb_connection_t*& kept)
{
    const std::string display = env("DISPLAY");
    if (display.empty())
        return "DISPLAY is not set";
    int screen = 0;
    std::string said;
    xcb_connection_t* c = connectX(&screen, said);
    const int error = xcb_connection_has_error(c);
    if (error == 0) {
        kept = c;
        return {};
    }
    xcb_disconnect(c);
    const std::string at = "DISPLAY=" + display;
    switch (error) {
        case XCB_CONN_CLOSED_PARSE_ERR:
            return at + " is not an X display name";
        case XCB_CONN_CLOSED_INVALID_SCREEN:
            return "the X server at " + at + " has no such screen";
        case XCB_CONN_ERROR:
            if (!said.empty())
                return "the X server at " + at + " refused the connection: " + said;
            return "no X server answers at " + at;
        default:
            return "the connection to the X server at " + at + " failed (libxcb error " +
                   std::to_string(error) + ")";
    }
}

// Empty when a Wayland compositor accepts a connection. The socket is found as
// libwayland finds it: an absolute WAYLAND_DISPLAY is the socket itself, any
// other name lies in XDG_RUNTIME_DIR, and wayland-0 stands for none.
std::string probeWayland()
{
    if (!env("WAYLAND_SOCKET").empty())
        return {};  // a connection handed over by the compositor: Qt's to use
    std::string name = env("WAYLAND_DISPLAY");
    if (name.empty())
        name = "wayland-0";
    std::string path = name;
    if (name.front() != '/') {
        const std::string dir = env("XDG_RUNTIME_DIR");
        if (dir.empty())
            return "XDG_RUNTIME_DIR is not set, so the Wayland display " + name + " cannot be found";
        path = dir + "/" + name;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return "the Wayland socket name " + path + " is too long";
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return {};  // no socket to ask with: Qt finds out for itself
    // A compositor too busy to accept at once (EAGAIN) is still there.
    const bool answers =
        connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 || errno == EAGAIN;
    close(fd);
    if (answers)
        return {};
    return "no Wayland compositor answers at " + path;
}

}  // namespace

DisplayProbe::DisplayProbe()
{
    const std::string platforms = env("QT_QPA_PLATFORM");
    const bool waylandNamed = !env("WAYLAND_DISPLAY").empty();
    if (platforms.empty() && env("DISPLAY").empty() && !waylandNamed) {
        refusal_ = "no display found (DISPLAY is not set)";
        return;
    }
    // Qt tries the platforms that QT_QPA_PLATFORM lists ("name:options;..."),
    // by default X11 and, depending on the session, Wayland.
    bool x = platforms.empty();
    bool wayland = platforms.empty();
    for (std::string_view rest = platforms; !rest.empty();) {
        const std::string_view entry = rest.substr(0, rest.find(';'));
        rest.remove_prefix(std::min(rest.size(), entry.size() + 1));
        const std::string_view name = entry.substr(0, entry.find(':'));
        if (name == "xcb")
            x = true;
        else if (name.starts_with("wayland"))
            wayland = true;
        else if (!name.empty())
            return;  // offscreen, vnc, a plugin of its own: Qt's to judge
    }
    if (!x && !wayland)
        return;
    std::vector<std::string> reasons;
    if (x) {
        std::string why = probeX(x_);
        if (why.empty())
            return;
        reasons.push_back(std::move(why));
    }
    if (wayland) {
        std::string why = probeWayland();
        if (why.empty())
            return;
        // Unasked for, the default Wayland display is not worth a mention.
        if (!platforms.empty() || waylandNamed)
            reasons.push_back(std::move(why));
    }
    refusal_ = "no usable display (";
    for (std::size_t i = 0; i < reasons.size(); ++i)
        refusal_ += (i ? "; " : "") + reasons[i];
    refusal_ += ")";
}

DisplayProbe::~DisplayProbe()
{
    release();
}

void DisplayProbe::release()
{
    if (x_)
        xcb_disconnect(x_);
    x_ = nullptr;
}

}  // namespace quillmar
