#include "window_services.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QWidget>

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
    QMessageBox::critical(&window, window.windowTitle(), message);
    window.hide();
    QCoreApplication::exit(1);
}

}  // namespace quillmar
