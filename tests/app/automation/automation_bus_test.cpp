// Automation on a real private session bus: the service as other programs
// call it (dbus-send, the native host, `fetchly add`), a second start of the
// program handing over, and the registration switches.
#include "app/automation/activation_file.h"
#include "app/automation/automation_server.h"
#include "browser/host/native_framing.h"
#include "tests/support/dbus_session.h"
#include "tests/support/event_wait.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_paths.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <fstream>

using namespace fetchly::automation;
using namespace fetchly::test;

namespace {

ProgramResult dbusSend(const QString &url)
{
    return RunServing("dbus-send",
                      {QStringLiteral("--session"), QStringLiteral("--print-reply"),
                       QStringLiteral("--dest=OrvFetchly.TUrlAdder"), QStringLiteral("/TUrlAdder"),
                       QStringLiteral("OrvFetchly.FetchlyAdder.AddDownLoadUrl"),
                       QStringLiteral("string:") + url});
}

// The decoded replies of the native host's output.
std::vector<QJsonObject> hostReplies(const QByteArray &out)
{
    std::vector<QJsonObject> replies;
    qsizetype at = 0;
    while (out.size() - at >= 4) {
        std::uint32_t n = 0;
        std::memcpy(&n, out.constData() + at, 4);
        if (out.size() - at - 4 < static_cast<qsizetype>(n))
            break;
        replies.push_back(QJsonDocument::fromJson(out.mid(at + 4, n)).object());
        at += 4 + n;
    }
    return replies;
}

class AutomationBus : public ::testing::Test {
protected:
    AutomationBus()
        : m_connectionName(QStringLiteral("server-%1").arg(++s_count)),
          m_connection(
              QDBusConnection::connectToBus(QString::fromStdString(m_bus.address()), m_connectionName))
    {
    }
    ~AutomationBus() override
    {
        m_server.reset();
        QDBusConnection::disconnectFromBus(m_connectionName);
    }

    // Publishes the service here, recording what the program would do.
    void serve()
    {
        m_server = std::make_unique<TAutomationServer>(
            m_connection,
            [this](const QString &url) {
                added << url;
                if (url == QLatin1String("boom"))
                    throw std::runtime_error("the window failed");
            },
            [this] { ++shown; },
            [this](const TDownloadRequest &request) {
                requests.push_back(request);
                return request.Url.find("refused") == std::string::npos;
            });
        ASSERT_EQ(m_server->Publish(), TAutomationServer::TPublishResult::Published)
            << m_server->ErrorText().toStdString();
    }

    XdgHome m_home; // before the bus: it reads its service folders from here
    DbusSession m_bus{{"OrvFetchly.TUrlAdder"}};
    inline static std::atomic<int> s_count{0};
    QString m_connectionName;
    QDBusConnection m_connection;
    std::unique_ptr<TAutomationServer> m_server;
    QStringList added;
    std::vector<TDownloadRequest> requests;
    int shown = 0;
};

} // namespace

TEST_F(AutomationBus, EveryCallAddsThenShowsAndNoneFails)
{
    serve();
    for (const QString &url : {QStringLiteral("http://127.0.0.1/a.zip"), QString(), QStringLiteral("boom")}) {
        const ProgramResult r = dbusSend(url);
        EXPECT_EQ(r.status, 0) << url.toStdString() << ": " << r.err;
    }
    EXPECT_EQ(added, (QStringList{"http://127.0.0.1/a.zip", "", "boom"}));
    EXPECT_EQ(shown, 3); // also after the window failed to take "boom"
}

TEST_F(AutomationBus, PublishesTheInterfaceOfTheXmlFile)
{
    serve();
    const ProgramResult r =
        RunServing("dbus-send", {"--session", "--print-reply", "--dest=OrvFetchly.TUrlAdder", "/TUrlAdder",
                                 "org.freedesktop.DBus.Introspectable.Introspect"});
    ASSERT_EQ(r.status, 0) << r.err;
    const QString xml = QString::fromStdString(r.out);
    EXPECT_NE(xml.indexOf(QStringLiteral("<interface name=\"OrvFetchly.FetchlyAdder\">")), -1) << r.out;
    EXPECT_NE(xml.indexOf(QStringLiteral("<method name=\"AddDownLoadUrl\">")), -1);
    EXPECT_NE(xml.indexOf(QStringLiteral("<arg direction=\"in\" type=\"s\" name=\"URL\"/>")), -1) << r.out;
    EXPECT_NE(xml.indexOf(QStringLiteral("<method name=\"AddDownloadRequest\">")), -1);
    EXPECT_NE(xml.indexOf(QStringLiteral("<arg direction=\"in\" type=\"a(ss)\" name=\"Headers\"/>")), -1)
        << r.out;
    EXPECT_NE(xml.indexOf(QStringLiteral("<arg direction=\"out\" type=\"b\" name=\"Taken\"/>")), -1) << r.out;
}

TEST_F(AutomationBus, NativeHostHandsHeadersOverTheNewCallAndReportsRefusals)
{
    serve();
    const std::string message =
        R"({"version":2,"type":"add","startNow":true,"items":[{"url":"http://127.0.0.1/in.zip",)"
        R"("referrer":"http://127.0.0.1/page","userAgent":"UA/1","fileName":"in.zip",)"
        R"("cookies":[{"name":"sid","value":"42","domain":"127.0.0.1","hostOnly":true}]}]})";
    const std::string refused = R"({"version":2,"type":"add","items":[{"url":"http://127.0.0.1/refused.zip",)"
                                R"("userAgent":"UA/1"}]})";
    const ProgramResult r = RunServing(
        programPath("fetchly-native-host"), {QStringLiteral("fetchly@fetchly.brindlewick")},
        QByteArray::fromStdString(fetchly::host::EncodeFrame(message) + fetchly::host::EncodeFrame(refused)));
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(requests.size(), 2u) << r.out;
    EXPECT_EQ(requests[0].Url, "http://127.0.0.1/in.zip");
    EXPECT_EQ(requests[0].FileName, "in.zip");
    EXPECT_TRUE(requests[0].StartNow);
    const TRequestHeaders expected{
        {"Referer", "http://127.0.0.1/page"}, {"User-Agent", "UA/1"}, {"Cookie", "sid=42"}};
    EXPECT_EQ(requests[0].Headers, expected);
    EXPECT_TRUE(added.isEmpty()); // the old call was not used
    EXPECT_EQ(shown, 1);          // only the download that was taken shows the window
    const auto replies = hostReplies(QByteArray::fromStdString(r.out));
    ASSERT_EQ(replies.size(), 2u) << r.out;
    EXPECT_TRUE(replies[0].value("ok").toBool());
    EXPECT_FALSE(replies[1].value("ok").toBool()); // the browser keeps this download
    EXPECT_NE(replies[1].value("error").toString().indexOf("does not accept"), -1);
}

TEST_F(AutomationBus, AnyBusClientGetsHeadersAndFileNamesChecked)
{
    serve();
    struct Call {
        const char *headers;
        const char *fileName;
        const char *reply;
    };
    // GVariant text: a line break inside a header, a name reaching into another
    // folder, then a call that is fine.
    for (const Call &call :
         {Call{"[('X-A', 'one\\r\\nX-B: two')]", "a.zip", "(false,)"},
          Call{"[('Cookie', 'sid=1')]", "../../.profile", "(false,)"},
          Call{"[('Cookie', 'sid=1'), ('Referer', 'http://127.0.0.1/')]", "a.zip", "(true,)"}}) {
        const ProgramResult r =
            RunServing("gdbus", {"call", "--session", "--dest", "OrvFetchly.TUrlAdder", "--object-path",
                                 "/TUrlAdder", "--method", "OrvFetchly.FetchlyAdder.AddDownloadRequest",
                                 "http://127.0.0.1/a.zip", call.headers, call.fileName, "true"});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, std::string(call.reply) + "\n") << call.headers << " " << call.fileName;
    }
    ASSERT_EQ(requests.size(), 1u); // only the last one reached the window
    EXPECT_EQ(requests[0].Headers, (TRequestHeaders{{"Cookie", "sid=1"}, {"Referer", "http://127.0.0.1/"}}));
    EXPECT_EQ(shown, 1);
}

TEST_F(AutomationBus, NativeHostAnswersTheLinkTypesOfTheOptionsFile)
{
    const auto ask = [] {
        const ProgramResult r = RunServing(
            programPath("fetchly-native-host"), {QStringLiteral("fetchly@fetchly.brindlewick")},
            QByteArray::fromStdString(fetchly::host::EncodeFrame(R"({"version":2,"type":"linkTypes"})")));
        EXPECT_EQ(r.status, 0) << r.err;
        const auto replies = hostReplies(QByteArray::fromStdString(r.out));
        return replies.empty() ? QJsonArray() : replies[0].value("linkTypes").toArray();
    };
    EXPECT_TRUE(ask().contains(QStringLiteral(".zip"))); // no file yet: the defaults
    std::ofstream(m_home.configHome() / "Fetchly.ini") << "[Values]\nLinksList=0\n[LinksList]\nCount=2\n"
                                                          "Item0=.iso\nItem1=epub\n";
    EXPECT_EQ(ask(), (QJsonArray{".iso", ".epub"}));
    EXPECT_TRUE(added.isEmpty());
}

TEST_F(AutomationBus, ASecondServerFindsTheNameTaken)
{
    serve();
    const QString otherName = QStringLiteral("other-%1").arg(++s_count);
    {
        TAutomationServer other(
            QDBusConnection::connectToBus(QString::fromStdString(m_bus.address()), otherName),
            [](const QString &) {}, [] {});
        EXPECT_EQ(other.Publish(), TAutomationServer::TPublishResult::NameTaken);
    }
    QDBusConnection::disconnectFromBus(otherName);
    EXPECT_EQ(dbusSend(QStringLiteral("http://127.0.0.1/b.zip")).status, 0);
    EXPECT_EQ(added, QStringList{"http://127.0.0.1/b.zip"}); // the first one still serves
}

TEST_F(AutomationBus, NativeHostHandsFramedUrlsToTheProgram)
{
    serve();
    const std::string first = R"({"url":"http://127.0.0.1/one.zip"})";
    const std::string second =
        "{\"urls\":[\"http://127.0.0.1/t\xc3\xa9st.jpg\",\"http://127.0.0.1/three.gif\"]}";
    const std::string input = fetchly::host::EncodeFrame(first) + fetchly::host::EncodeFrame(second) +
                              fetchly::host::EncodeFrame("[]");
    const ProgramResult r =
        RunServing(programPath("fetchly-native-host"),
                   {QStringLiteral("chrome-extension://ilgmkbdnjkcmjfmiocmdnnedeaimocob/")},
                   QByteArray::fromStdString(input));
    ASSERT_EQ(r.status, 0) << r.err; // ends when stdin closes
    EXPECT_EQ(added,
              (QStringList{"http://127.0.0.1/one.zip", QString::fromUtf8("http://127.0.0.1/t\xc3\xa9st.jpg"),
                           "http://127.0.0.1/three.gif"}));
    const auto replies = hostReplies(QByteArray::fromStdString(r.out));
    ASSERT_EQ(replies.size(), 3u) << r.out;
    EXPECT_EQ(replies[0].value("added").toInt(), 1);
    EXPECT_TRUE(replies[1].value("ok").toBool());
    EXPECT_EQ(replies[1].value("added").toInt(), 2);
    EXPECT_FALSE(replies[2].value("ok").toBool());
}

TEST_F(AutomationBus, NativeHostRefusesOtherExtensions)
{
    serve();
    const std::string input = fetchly::host::EncodeFrame(R"({"url":"http://127.0.0.1/one.zip"})");
    for (const QStringList &args :
         {QStringList{}, QStringList{"chrome-extension://aaaabbbbccccddddeeeeffffgggghhhh/"},
          QStringList{"/x/manifest.json", "evil@example.org"}}) {
        const ProgramResult r =
            RunServing(programPath("fetchly-native-host"), args, QByteArray::fromStdString(input));
        EXPECT_EQ(r.status, 1) << args.join(' ').toStdString();
        EXPECT_TRUE(r.out.empty());
    }
    EXPECT_TRUE(added.isEmpty());
}

TEST_F(AutomationBus, FirefoxStartsTheHostWithManifestAndId)
{
    serve();
    const std::string input = fetchly::host::EncodeFrame(R"({"urls":["http://127.0.0.1/ff.zip"]})");
    const ProgramResult r =
        RunServing(programPath("fetchly-native-host"),
                   {QStringLiteral("/home/u/.mozilla/native-messaging-hosts/orvfetchly.turladder.json"),
                    QStringLiteral("fetchly@fetchly.brindlewick")},
                   QByteArray::fromStdString(input));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(added, QStringList{"http://127.0.0.1/ff.zip"});
}

TEST_F(AutomationBus, AddCommandAndPlainLinksHandEveryUrlOverInOrder)
{
    serve();
    const QStringList urls = {"http://127.0.0.1/a.zip", "http://127.0.0.1/b.txt", "/home/u/c.exe"};
    // `fetchly add URL...`, and `fetchly URL...` as the desktop entry runs it.
    for (const QStringList &words : {QStringList{"add"} + urls, urls}) {
        added.clear();
        const ProgramResult r = RunServing(programPath("fetchly"), words);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(added, urls) << words.join(' ').toStdString();
    }
    EXPECT_EQ(shown, 6);
}

TEST_F(AutomationBus, AddCommandReportsUsageAndUnreachablePrograms)
{
    EXPECT_EQ(RunServing(programPath("fetchly"), {"add"}).status, 2);
    // Nobody serves the name and nothing can be started: the activation file
    // `fetchly add` writes names a program that does not exist.
    const auto file = m_home.dataHome() / "dbus-1/services/OrvFetchly.TUrlAdder.service";
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file)
        << "[D-BUS Service]\nName=OrvFetchly.TUrlAdder\nExec=/nonexistent/fetchly -AUTOMATION\n";
    const ProgramResult r = RunServing(programPath("fetchly"), {"add", "http://127.0.0.1/a.zip"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("http://127.0.0.1/a.zip"), std::string::npos) << r.err;
}

TEST_F(AutomationBus, SecondStartShowsTheRunningProgramAndEnds)
{
    serve();
    const ProgramResult r = RunServing(programPath("fetchly"), {});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(added, QStringList{QString()}); // an empty URL: nothing to add, only show
    EXPECT_EQ(shown, 1);
    // The second start also refreshed the activation file.
    EXPECT_NE(readFile(ActivationFilePath().toStdString()).find("-AUTOMATION"), std::string::npos);
}

TEST_F(AutomationBus, RegisterSwitchesWriteOrRemoveTheActivationFileAndEnd)
{
    const auto file = m_home.dataHome() / "dbus-1/services/OrvFetchly.TUrlAdder.service";
    ProgramResult r = RunServing(programPath("fetchly"), {"/RegServer"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string text = readFile(file);
    const std::string exec =
        "Exec=" + std::filesystem::canonical(binaryDir() / "app/fetchly").string() + " -AUTOMATION\n";
    EXPECT_NE(text.find("Name=OrvFetchly.TUrlAdder\n"), std::string::npos) << text;
    EXPECT_NE(text.find(exec), std::string::npos) << text;

    r = RunServing(programPath("fetchly"), {"-unregserver"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_EQ(m_bus.ownerPid("OrvFetchly.TUrlAdder"), -1); // neither switch left a program running
}
