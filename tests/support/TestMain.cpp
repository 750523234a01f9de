// Entry point of the GUI test programs: a QApplication on the offscreen platform, set up as
// the program entry sets it up, then the tests.
#include "app/Application.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    Application::setUp(app);   // as the program entry does
    return RUN_ALL_TESTS();
}
