// Main of the window tests: a QApplication on the offscreen platform, the C
// locale.
#include <QApplication>

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
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Fetchly"));
    QApplication::setOrganizationName(QStringLiteral("Brindlewick"));
    return RUN_ALL_TESTS();
}
