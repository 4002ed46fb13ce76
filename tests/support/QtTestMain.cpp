#include <QApplication>

#include <gtest/gtest.h>

// The window tests need one QApplication for the whole run, on the offscreen
// platform even when CTest lists the cases without its environment. Run by
// hand, as under CTest, they have no user settings: a case that stores some
// there would otherwise change what the next run reads.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    if (qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME")) {
        qputenv("XDG_CONFIG_HOME", "/dev/null");
    }
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
