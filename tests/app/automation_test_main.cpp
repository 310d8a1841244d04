// Shared main of the automation tests: a QCoreApplication (the bus needs one),
// the C locale, and no display.
#include <QCoreApplication>

#include <clocale>
#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    ::setenv("LC_ALL", "C", 1);
    std::setlocale(LC_ALL, "C");
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
