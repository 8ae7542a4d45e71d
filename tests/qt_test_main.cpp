// Test main for suites that need a QApplication. gtest_discover_tests runs the
// binary at build time on machines without a display, so the offscreen
// platform is chosen before the application object exists.
#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
