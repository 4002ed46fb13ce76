#include <QApplication>

#include <gtest/gtest.h>

// The window tests need one QApplication for the whole run, on the offscreen
// platform even when CTest lists the cases without its environment.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
