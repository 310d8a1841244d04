// The command-line switches and the activation file the bus starts us from.
#include "app/automation/activation_file.h"
#include "app/automation/command_switches.h"
#include "tests/support/temp_dir.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace fetchly::automation;
using fetchly::test::readFile;
using fetchly::test::XdgHome;

namespace {
TServerSwitches parse(std::initializer_list<const char *> words)
{
    QStringList arguments{QStringLiteral("fetchly")};
    for (const char *w : words)
        arguments << QString::fromLatin1(w);
    return ParseServerSwitches(arguments);
}
} // namespace

TEST(ServerSwitches, AcceptDashOrSlashInAnyCase)
{
    EXPECT_TRUE(parse({"-REGSERVER"}).regServer);
    EXPECT_TRUE(parse({"/regserver"}).regServer);
    EXPECT_TRUE(parse({"-UnRegServer"}).unregServer);
    EXPECT_FALSE(parse({"-UnRegServer"}).regServer);
    EXPECT_TRUE(parse({"/Automation"}).automation);
    EXPECT_TRUE(parse({"-embedding"}).automation);
}

TEST(ServerSwitches, IgnoreOtherWordsAndTheProgramName)
{
    const TServerSwitches none = parse({"REGSERVER", "--regserver", "-REGSERVERX", "-", "/"});
    EXPECT_FALSE(none.regServer);
    EXPECT_FALSE(none.unregServer);
    EXPECT_FALSE(none.automation);
    // The program's own path is never a switch, even when it looks like one.
    EXPECT_FALSE(ParseServerSwitches({QStringLiteral("/regserver")}).regServer);
}

TEST(ActivationFile, NamesTheServiceAndStartsInAutomationMode)
{
    EXPECT_EQ(ActivationFileText(QStringLiteral("/usr/bin/fetchly")).toStdString(),
              "[D-BUS Service]\nName=OrvFetchly.TUrlAdder\nExec=/usr/bin/fetchly -AUTOMATION\n");
}

TEST(ActivationFile, QuotesPathsTheBusWouldSplit)
{
    EXPECT_EQ(ActivationFileText(QStringLiteral("/opt/My Apps/fetchly")).toStdString(),
              "[D-BUS Service]\nName=OrvFetchly.TUrlAdder\nExec='/opt/My Apps/fetchly' -AUTOMATION\n");
    EXPECT_NE(ActivationFileText(QStringLiteral("/opt/it's/fetchly"))
                  .indexOf(QStringLiteral("'/opt/it'\\''s/fetchly'")),
              -1);
}

TEST(ActivationFile, IsWrittenUnderXdgDataHomeAndRemoved)
{
    XdgHome home;
    const auto expected = home.dataHome() / "dbus-1/services/OrvFetchly.TUrlAdder.service";
    EXPECT_EQ(ActivationFilePath().toStdString(), expected.string());

    WriteActivationFile(QStringLiteral("/usr/bin/fetchly"));
    EXPECT_EQ(readFile(expected), ActivationFileText(QStringLiteral("/usr/bin/fetchly")).toStdString());
    WriteActivationFile(QStringLiteral("/opt/fetchly/bin/fetchly")); // a moved program repairs it
    EXPECT_NE(readFile(expected).find("Exec=/opt/fetchly/bin/fetchly -AUTOMATION"), std::string::npos);

    RemoveActivationFile();
    EXPECT_FALSE(std::filesystem::exists(expected));
    EXPECT_NO_THROW(RemoveActivationFile()); // already gone is fine
}

TEST(ActivationFile, RefusesRelativePathsAndReportsUnwritableFolders)
{
    XdgHome home;
    EXPECT_THROW(WriteActivationFile(QStringLiteral("fetchly")), std::runtime_error);
    // A file where the services folder should be.
    std::filesystem::create_directories(home.dataHome() / "dbus-1");
    QFile blocker(QString::fromStdString((home.dataHome() / "dbus-1/services").string()));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_THROW(WriteActivationFile(QStringLiteral("/usr/bin/fetchly")), std::runtime_error);
}
