#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "form1.h"

namespace {

// Qt aborts when it finds no display; say so plainly instead. The message
// serves the installed program and scripts/run.sh alike.
bool displayAvailable()
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    const auto set = [](const char* name) {
        const char* v = std::getenv(name);
        return v && *v;
    };
    return set("DISPLAY") || set("WAYLAND_DISPLAY") || set("QT_QPA_PLATFORM");
#else
    return true;
#endif
}

}  // namespace

int main(int argc, char** argv)
{
    if (!displayAvailable()) {
        std::fputs(
            "quillmar: no display found (DISPLAY is not set); to run without a screen, put "
            "xvfb-run -a in front of the command (xvfb-run -a quillmar)\n",
            stderr);
        return 1;
    }
    // The program takes no command line: Qt gets the program's name only, so its
    // own options (-reverse, -stylesheet, ...) change nothing. Its environment
    // variables still apply.
    char fallbackName[] = "quillmar";
    char* qtArgv[] = {argc > 0 && argv[0] ? argv[0] : fallbackName, nullptr};
    int qtArgc = 1;
    QApplication app(qtArgc, qtArgv);
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
        QMessageBox::critical(nullptr, QStringLiteral("Quillmar"),
                              quillmar::ErrorBoundary::errorText(std::current_exception()));
    }
    return 1;
}
