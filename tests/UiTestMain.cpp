#include <QApplication>
#include <clocale>
#include <cstdlib>
#include <gtest/gtest.h>

// gtest_discover_tests runs the binary without the test's environment, so the
// offscreen platform is chosen here when nothing else was asked for.
int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
