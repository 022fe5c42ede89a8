#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QScreen>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <mutex>
#include <string>
#include <vector>

#include "form1.h"
#include "window_services.h"

#if defined(Q_OS_UNIX)
#include <fcntl.h>

#include <cerrno>
#endif
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#if defined(QUILLMAR_DISPLAY_PROBE)
#include "display_probe.h"
#endif

namespace {

// The window cannot open: say why in one line. The advice serves the
// installed program and scripts/run.sh alike.
void refuse(const std::string& why)
{
    const std::string line = "quillmar: " + why +
                             "; to run without a screen, put xvfb-run -a in front of the command "
                             "(xvfb-run -a quillmar)\n";
    std::fputs(line.c_str(), stderr);
}

// A standard descriptor closed at start would be taken by the first file the
// program opens, such as the X connection, and standard error would write into it.
void openClosedStandardDescriptors()
{
#if defined(Q_OS_UNIX)
    for (int fd = 0; fd <= 2; ++fd)
        if (fcntl(fd, F_GETFD) < 0 && errno == EBADF)
            open("/dev/null", O_RDWR);  // takes the lowest free number: fd
#endif
}

// Qt reports a platform plugin that cannot start with a fatal message, then
// aborts. While QApplication starts its messages wait here, so that such a
// failure ends in one line and status 1, and a good start passes them on.
class StartupMessages {
public:
    StartupMessages() { previous_ = qInstallMessageHandler(hold); }
    StartupMessages(const StartupMessages&) = delete;
    StartupMessages& operator=(const StartupMessages&) = delete;

    // Qt has started: its messages go where they went before, the held ones first.
    void passOn()
    {
        qInstallMessageHandler(previous_);
        const std::lock_guard lock(mutex_);
        const auto text = [](const QByteArray& b) { return b.isNull() ? nullptr : b.constData(); };
        for (const Held& m : held_)
            previous_(m.type, QMessageLogContext(text(m.file), m.line, text(m.function), text(m.category)),
                      m.text);
        held_.clear();
    }

private:
    struct Held {
        QtMsgType type;
        QByteArray file, function, category;
        int line;
        QString text;
    };

    static void hold(QtMsgType type, const QMessageLogContext& context, const QString& text)
    {
        if (type == QtFatalMsg) {
            const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
            refuse(platform.isEmpty()
                       ? "no usable display (Qt could not start a platform plugin for it; QT_DEBUG_PLUGINS=1 "
                         "says why)"
                       : "no usable display (Qt could not start the platform QT_QPA_PLATFORM=" +
                             platform.toStdString() + "; QT_DEBUG_PLUGINS=1 says why)");
            std::_Exit(1);
        }
        // Asked for, the plugin loader's account is shown as it comes.
        if (qEnvironmentVariableIsSet("QT_DEBUG_PLUGINS")) {
            previous_(type, context, text);
            return;
        }
        const std::lock_guard lock(mutex_);  // Qt's own threads may report too
        held_.push_back({type, context.file, context.function, context.category, context.line, text});
    }

    static inline QtMessageHandler previous_ = nullptr;
    static inline std::mutex mutex_;
    static inline std::vector<Held> held_;
};

}  // namespace

int main(int argc, char** argv)
{
    openClosedStandardDescriptors();
#if defined(__GLIBC__)
    // One heap for all threads. After a failed allocation glibc moves a thread
    // to another thread's heap, where, once that is full, every allocation maps
    // pages of its own: the reserve freed for the error message (ErrorBoundary)
    // would be gone before the message is up.
    mallopt(M_ARENA_MAX, 1);
#endif
#if defined(QUILLMAR_DISPLAY_PROBE)
    quillmar::DisplayProbe probe;
    if (!probe.refusal().empty()) {
        refuse(probe.refusal());
        return 1;
    }
#endif
    // The program takes no command line: Qt gets the program's name only, so its
    // own options (-reverse, -stylesheet, ...) change nothing. Its environment
    // variables still apply.
    char fallbackName[] = "quillmar";
    char* qtArgv[] = {argc > 0 && argv[0] ? argv[0] : fallbackName, nullptr};
    int qtArgc = 1;
    StartupMessages startup;
    QApplication app(qtArgc, qtArgv);
#if defined(QUILLMAR_DISPLAY_PROBE)
    probe.release();
#endif
    // With fewer than 15 bits a pixel Qt crashes at the first click into a text
    // box. The refusal is the one line: Qt's held messages go unsaid.
    if (const QScreen* screen = QGuiApplication::primaryScreen(); screen && screen->depth() < 15) {
        refuse("no usable display (the screen has " + std::to_string(screen->depth()) +
               " bits a pixel; the window needs 15 or more)");
        return 1;
    }
    startup.passOn();
    QApplication::setApplicationName(QStringLiteral("quillmar"));
    QApplication::setApplicationVersion(QStringLiteral(QUILLMAR_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("quillmar"));
    QIcon icon;
    for (int size : {16, 32, 48, 64, 256})
        icon.addFile(QStringLiteral(":/icons/quillmar-%1.png").arg(size), QSize(size, size));
    QApplication::setWindowIcon(icon);
    try {
        quillmar::Form1 window;
        window.show();
        return QApplication::exec();
    } catch (...) {
        const QString message = quillmar::ErrorBoundary::errorText(std::current_exception());
        quillmar::WindowServices::fatalLine(message);
        QMessageBox::critical(nullptr, QStringLiteral("Quillmar"), message);
    }
    return 1;
}
