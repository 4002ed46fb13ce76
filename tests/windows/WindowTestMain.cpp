#include <gtest/gtest.h>

#include <QApplication>

// The application must outlive every window of the tests and go before Qt's
// own statics do, so it lives in main rather than in a static.
int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
