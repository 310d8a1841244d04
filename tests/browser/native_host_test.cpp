// The native host without a browser: its framing on real pipes, and the
// message handler as a function from one message to one reply.
#include "browser/host/host_message_handler.h"
#include "browser/host/native_framing.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

using namespace fetchly::host;

namespace {

// A pipe whose read end is handed to ReadFrame; the writer runs on a thread
// so inputs larger than the pipe's buffer do not block the test.
class Pipe {
public:
    Pipe()
    {
        if (::pipe2(m_fds, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe failed");
    }
    ~Pipe()
    {
        closeWriter();
        if (m_writer.joinable())
            m_writer.join();
        ::close(m_fds[0]);
    }
    void feed(std::string bytes)
    {
        m_writer = std::thread([this, bytes = std::move(bytes)] {
            std::size_t done = 0;
            while (done < bytes.size()) {
                const ssize_t n = ::write(m_fds[1], bytes.data() + done, bytes.size() - done);
                if (n <= 0)
                    break;
                done += static_cast<std::size_t>(n);
            }
            closeWriter();
        });
    }
    int reader() const { return m_fds[0]; }

private:
    void closeWriter()
    {
        const int fd = m_fds[1];
        m_fds[1] = -1;
        if (fd >= 0)
            ::close(fd);
    }
    int m_fds[2];
    std::thread m_writer;
};

std::string lengthPrefix(std::uint32_t n)
{
    std::string prefix(4, '\0');
    std::memcpy(prefix.data(), &n, 4);
    return prefix;
}

QJsonObject parse(const QByteArray &reply)
{
    return QJsonDocument::fromJson(reply).object();
}

} // namespace

TEST(NativeFraming, PrefixIsTheByteLengthInNativeOrder)
{
    const std::string text =
        "{\"url\":\"http://h/\xc3\xa9\xe2\x82\xac.zip\"}"; // é and € are 5 bytes, 2 chars
    const std::string frame = EncodeFrame(text);
    ASSERT_EQ(frame.size(), text.size() + 4);
    EXPECT_EQ(frame.substr(0, 4), lengthPrefix(static_cast<std::uint32_t>(text.size())));
    EXPECT_EQ(frame.substr(4), text);
}

TEST(NativeFraming, ReadsMessagesBackToBackThenEndOfInput)
{
    Pipe pipe;
    const std::string first = "{\"url\":\"\xe2\x82\xac\"}";
    pipe.feed(EncodeFrame(first) + EncodeFrame("") + EncodeFrame("{}"));
    TFrame frame = ReadFrame(pipe.reader());
    ASSERT_EQ(frame.status, TFrameStatus::Message);
    EXPECT_EQ(frame.bytes, first);
    frame = ReadFrame(pipe.reader());
    ASSERT_EQ(frame.status, TFrameStatus::Message);
    EXPECT_EQ(frame.bytes, "");
    frame = ReadFrame(pipe.reader());
    ASSERT_EQ(frame.status, TFrameStatus::Message);
    EXPECT_EQ(frame.bytes, "{}");
    EXPECT_EQ(ReadFrame(pipe.reader()).status, TFrameStatus::EndOfInput);
}

TEST(NativeFraming, OversizedMessageIsDroppedAndTheNextOneStillReads)
{
    Pipe pipe;
    const std::string big(kMaxMessageBytes + 1, 'x');
    const std::string exact(kMaxMessageBytes, 'y');
    pipe.feed(EncodeFrame(big) + EncodeFrame(exact) + EncodeFrame("{\"ok\":1}"));
    TFrame frame = ReadFrame(pipe.reader());
    EXPECT_EQ(frame.status, TFrameStatus::TooLarge);
    EXPECT_EQ(frame.declaredLength, kMaxMessageBytes + 1);
    EXPECT_TRUE(frame.bytes.empty());
    frame = ReadFrame(pipe.reader());
    ASSERT_EQ(frame.status, TFrameStatus::Message); // exactly 1 MiB is allowed
    EXPECT_EQ(frame.bytes.size(), kMaxMessageBytes);
    frame = ReadFrame(pipe.reader());
    ASSERT_EQ(frame.status, TFrameStatus::Message);
    EXPECT_EQ(frame.bytes, "{\"ok\":1}");
}

TEST(NativeFraming, InputEndingInsideAFrameIsTruncated)
{
    {
        Pipe pipe;
        pipe.feed(lengthPrefix(10) + "abc");
        EXPECT_EQ(ReadFrame(pipe.reader()).status, TFrameStatus::Truncated);
    }
    {
        Pipe pipe;
        pipe.feed(std::string("\x05\x00", 2));
        EXPECT_EQ(ReadFrame(pipe.reader()).status, TFrameStatus::Truncated);
    }
    {
        // A huge declared length with nothing behind it allocates nothing.
        Pipe pipe;
        pipe.feed(lengthPrefix(0xFFFFFFFFu));
        EXPECT_EQ(ReadFrame(pipe.reader()).status, TFrameStatus::Truncated);
    }
}

TEST(NativeFraming, WriteSendsWholeFramesAndRefusesOversizedOnes)
{
    int fds[2];
    ASSERT_EQ(::pipe2(fds, O_CLOEXEC | O_NONBLOCK), 0);
    EXPECT_FALSE(WriteFrame(fds[1], std::string(kMaxMessageBytes + 1, 'x')));
    char buffer[64];
    EXPECT_LT(::read(fds[0], buffer, sizeof buffer), 0); // nothing at all was written
    ASSERT_TRUE(WriteFrame(fds[1], "{\"ok\":true}"));
    const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
    EXPECT_EQ(std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0), EncodeFrame("{\"ok\":true}"));
    ::close(fds[0]);
    ::close(fds[1]);
}

namespace {

// The host's calls, recording every download handed on; `refuse` makes the
// call with that URL fail as the program would.
struct RecordingCalls {
    std::vector<fetchly::automation::TDownloadRequest> requests;
    std::string refuse;
    THostCalls calls()
    {
        return {[this](const fetchly::automation::TDownloadRequest &request) {
                    requests.push_back(request);
                    return request.Url == refuse ? QStringLiteral("The name is not activatable") : QString();
                },
                [] {
                    return std::vector<std::string>{".zip", ".tar.gz"};
                }};
    }
    QStringList urls() const
    {
        QStringList list;
        for (const auto &r : requests)
            list << QString::fromStdString(r.Url);
        return list;
    }
};

QByteArray addMessage(const QString &items, const QString &extra = {})
{
    return QStringLiteral("{\"version\":2,\"type\":\"add\",%1\"items\":[%2]}").arg(extra, items).toUtf8();
}

} // namespace

TEST(HostMessage, FirstVersionHandsEachUrlOnInOrder)
{
    RecordingCalls host;
    QJsonObject reply = parse(HandleHostMessage(R"({"url":"http://a/x.zip"})", host.calls()));
    EXPECT_TRUE(reply.value("ok").toBool());
    EXPECT_EQ(reply.value("added").toInt(), 1);
    reply = parse(HandleHostMessage(
        QByteArray("{\"urls\":[\"http://a/1.jpg\",\"\",\"http://a/\xc3\xa9.gif\"],\"later\":1}"),
        host.calls()));
    EXPECT_TRUE(reply.value("ok").toBool());
    EXPECT_EQ(reply.value("added").toInt(), 2); // the empty one is not passed on
    EXPECT_EQ(host.urls(),
              (QStringList{"http://a/x.zip", "http://a/1.jpg", QString::fromUtf8("http://a/\xc3\xa9.gif")}));
    EXPECT_TRUE(host.requests[0].Headers.empty());
}

TEST(HostMessage, SecondVersionCarriesWhatTheSiteNeeds)
{
    RecordingCalls host;
    const QJsonObject reply = parse(HandleHostMessage(
        addMessage(R"({"url":"https://dl.example.org/a.zip","referrer":"https://example.org/page",
                      "userAgent":"Mozilla/5.0 X11","fileName":"a (1).zip","someday":[1],
                      "cookies":[{"name":"sid","value":"s=1","domain":".example.org"},
                                 {"name":"lang","value":"de","domain":"dl.example.org","hostOnly":true}]},
                     {"url":"ftp://127.0.0.1/b.tar.gz"})",
                   R"("startNow":true,)"),
        host.calls()));
    EXPECT_TRUE(reply.value("ok").toBool()) << reply.value("error").toString().toStdString();
    EXPECT_EQ(reply.value("version").toInt(), 2);
    ASSERT_EQ(host.requests.size(), 2u);
    const auto &first = host.requests[0];
    EXPECT_EQ(first.FileName, "a (1).zip");
    EXPECT_TRUE(first.StartNow);
    const fetchly::automation::TRequestHeaders expected{{"Referer", "https://example.org/page"},
                                                        {"User-Agent", "Mozilla/5.0 X11"},
                                                        {"Cookie", "sid=s=1; lang=de"}};
    EXPECT_EQ(first.Headers, expected);
    EXPECT_TRUE(host.requests[1].Headers.empty());
}

TEST(HostMessage, AnswersTheAcceptedLinkTypes)
{
    RecordingCalls host;
    const QJsonObject reply = parse(HandleHostMessage(R"({"version":2,"type":"linkTypes"})", host.calls()));
    EXPECT_TRUE(reply.value("ok").toBool());
    EXPECT_EQ(reply.value("linkTypes").toArray(), (QJsonArray{".zip", ".tar.gz"}));
    EXPECT_TRUE(host.requests.empty());
}

// Every message the host must refuse whole: the reply says why (`reason`
// is part of it) and nothing is handed on.
struct Refusal {
    const char *name;
    QByteArray message;
    const char *reason;
};

void PrintTo(const Refusal &refusal, std::ostream *out)
{
    *out << refusal.name;
}

class HostRefusal : public ::testing::TestWithParam<Refusal> {};

TEST_P(HostRefusal, SaysWhyAndHandsNothingOn)
{
    RecordingCalls host;
    const QJsonObject reply = parse(HandleHostMessage(GetParam().message, host.calls()));
    EXPECT_FALSE(reply.value("ok").toBool());
    EXPECT_EQ(reply.value("added").toInt(), 0);
    EXPECT_NE(reply.value("error").toString().indexOf(QLatin1String(GetParam().reason)), -1)
        << reply.value("error").toString().toStdString();
    EXPECT_TRUE(host.requests.empty());
}

namespace {
const QString goodItem = R"({"url":"http://a.example/x.zip"})";
QByteArray withItem(const QString &item)
{
    return addMessage(goodItem + QLatin1Char(',') + item);
}
// An item for `url` with one cookie (its JSON fields).
QByteArray withCookie(const char *url, const char *cookie)
{
    return withItem(QStringLiteral(R"({"url":"%1","cookies":[{"name":"sid",%2}]})").arg(url, cookie));
}
} // namespace

INSTANTIATE_TEST_SUITE_P(
    Messages, HostRefusal,
    ::testing::Values(
        Refusal{"Empty", "", "not JSON"}, Refusal{"NotJson", "not json", "not JSON"},
        Refusal{"NotAnObject", "[\"http://a/x.zip\"]", "not a JSON object"},
        Refusal{"NoUrl", "{}", "neither"}, Refusal{"UrlNotText", "{\"url\":5}", "not a text"},
        Refusal{"UrlsNotList", "{\"urls\":\"http://a/x.zip\"}", "not a list"},
        Refusal{"UrlsEntryNotText", "{\"urls\":[\"http://a/x.zip\",7]}", "not a text"},
        Refusal{"BadUtf8", "{\"url\":\"http://a/\xff.zip\"}", "not JSON"},
        Refusal{"OverOneMiB", "{\"url\":\"http://a/" + QByteArray(1024 * 1024, 'x') + ".zip\"}", "1 MiB"},
        Refusal{"NewerVersion", R"({"version":3,"type":"add","items":[]})", "version 3"},
        Refusal{"VersionNotNumber", R"({"version":"2","type":"add","items":[]})", "version"},
        Refusal{"UnknownType", R"({"version":2,"type":"remove"})", "\"remove\""},
        Refusal{"ItemsNotList", R"({"version":2,"type":"add","items":{}})", "not a list"},
        Refusal{"ItemNotObject", withItem("\"http://a/y.zip\""), "link 2"},
        Refusal{"NotAWebLink", withItem(R"({"url":"file:///etc/passwd"})"), "not an http"},
        Refusal{"CrInReferrer",
                withItem(R"({"url":"http://a.example/y.zip","referrer":"http://a/\r\nX: 1"})"), "line break"},
        Refusal{"LfInUserAgent", withItem(R"({"url":"http://a.example/y.zip","userAgent":"UA\nX-Evil: 1"})"),
                "line break"},
        Refusal{"NulInCookie",
                withCookie("http://a.example/y.zip", R"("value":"b\u0000","domain":"a.example")"),
                "line break"},
        Refusal{"CookieOfAnotherHost",
                withCookie("http://a.example/y.zip", R"("value":"1","domain":".bank.example")"),
                "cookie of .bank.example was given for a link to a.example"},
        Refusal{
            "HostOnlyCookieForASubdomain",
            withCookie("http://dl.a.example/y.zip", R"("value":"1","domain":"a.example","hostOnly":true)"),
            "cookie of a.example"},
        Refusal{"LookalikeDomain",
                withCookie("http://evila.example/y.zip", R"("value":"1","domain":"a.example")"),
                "cookie of a.example"},
        Refusal{"CookieWithoutDomain", withCookie("http://a.example/y.zip", R"("value":"1")"), "domain"},
        Refusal{"FileNameWithFolder", withItem(R"({"url":"http://a.example/y.zip","fileName":"../.bashrc"})"),
                "file name"},
        Refusal{"FileNameDotDot", withItem(R"({"url":"http://a.example/y.zip","fileName":".."})"),
                "file name"}),
    [](const ::testing::TestParamInfo<Refusal> &info) { return std::string(info.param.name); });

TEST(HostMessage, AFailedCallStopsAndSaysHowManyWentThrough)
{
    RecordingCalls host;
    host.refuse = "http://a/2.zip";
    const QJsonObject reply = parse(
        HandleHostMessage(R"({"urls":["http://a/1.zip","http://a/2.zip","http://a/3.zip"]})", host.calls()));
    EXPECT_FALSE(reply.value("ok").toBool());
    EXPECT_EQ(reply.value("added").toInt(), 1);
    EXPECT_NE(reply.value("error").toString().indexOf("not activatable"), -1);
    EXPECT_EQ(host.requests.size(), 2u);
}

TEST(HostMessage, OnlyOurExtensionMayStartTheHost)
{
    EXPECT_TRUE(CallerAllowed({"host", "chrome-extension://ilgmkbdnjkcmjfmiocmdnnedeaimocob/"}));
    EXPECT_TRUE(CallerAllowed({"host", "/home/u/.mozilla/native-messaging-hosts/orvfetchly.turladder.json",
                               "fetchly@fetchly.brindlewick"}));
    EXPECT_FALSE(CallerAllowed({"host"}));
    EXPECT_FALSE(CallerAllowed({"host", "chrome-extension://aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa/"}));
    EXPECT_FALSE(CallerAllowed({"host", "/path/manifest.json", "other@example.org"}));
    // The program name itself does not count.
    EXPECT_FALSE(CallerAllowed({"fetchly@fetchly.brindlewick"}));
}
