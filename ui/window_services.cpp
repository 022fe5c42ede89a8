#include "window_services.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QWidget>
#include <cstdio>

namespace quillmar {

void WindowServices::processEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void WindowServices::warningBox(QWidget& window, const QString& message)
{
    QMessageBox::warning(&window, window.windowTitle(), message);
}

void WindowServices::fatalBox(QWidget& window, const QString& message)
{
    fatalLine(message);
    QMessageBox::critical(&window, window.windowTitle(), message);
    window.hide();
    QCoreApplication::exit(1);
}

void WindowServices::fatalLine(const QString& message)
{
    std::fputs(QStringLiteral("quillmar: %1\n").arg(message).toLocal8Bit().constData(), stderr);
}

}  // namespace quillmar
