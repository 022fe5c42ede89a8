// Entry point of the Qt test programs: the window tests need a QApplication
// before the first widget exists. Listing the tests needs no display at all.
#include <gtest/gtest.h>

#include <QApplication>
#include <QByteArray>

#include "toolkit_setup.h"

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS();
#ifdef QUILLMAR_UI_ON_X11
    // A real X server when there is one; the tests skip themselves otherwise.
    qputenv("QT_QPA_PLATFORM", qEnvironmentVariableIsEmpty("DISPLAY") ? "offscreen" : "xcb");
#else
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    quillmar::prepareToolkit();
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
