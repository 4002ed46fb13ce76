#include <gtest/gtest.h>

#include <QApplication>

// The application must outlive every window of the tests and go before Qt's
// own statics do, so it lives in main rather than in a static.
// Tests never need a display: the offscreen platform unless one is chosen.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
