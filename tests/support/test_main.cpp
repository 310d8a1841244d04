// The main of every test program: the C locale, and with Qt an application
// object on the offscreen platform unless a platform is chosen.
#include <clocale>
#include <cstdlib>
#include <gtest/gtest.h>

#if defined(FETCHLY_TEST_MAIN_WIDGETS)
#include <QApplication>
#define FETCHLY_TEST_APPLICATION QApplication
#elif defined(FETCHLY_TEST_MAIN_CORE)
#include <QCoreApplication>
#define FETCHLY_TEST_APPLICATION QCoreApplication
#endif

int main(int argc, char **argv)
{
    ::setenv("LC_ALL", "C", 1);
    std::setlocale(LC_ALL, "C");
    ::testing::InitGoogleTest(&argc, argv);
#ifdef FETCHLY_TEST_APPLICATION
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    FETCHLY_TEST_APPLICATION app(argc, argv);
    FETCHLY_TEST_APPLICATION::setApplicationName(QStringLiteral("Fetchly"));
    FETCHLY_TEST_APPLICATION::setOrganizationName(QStringLiteral("Brindlewick"));
#endif
    return RUN_ALL_TESTS();
}
