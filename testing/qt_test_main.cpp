// Entry point of the Qt test programs: the window tests need a QApplication
// before the first widget exists. Listing the tests needs no display at all.
//
// The platform is the one QT_QPA_PLATFORM names (offscreen when unset). A
// test program that asks for a real X server (xcb) runs offscreen when there
// is none, and its tests skip themselves.
#include <gtest/gtest.h>

#include <QApplication>
#include <QByteArray>


int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS();
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform.isEmpty() || (platform == "xcb" && qEnvironmentVariableIsEmpty("DISPLAY")))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
