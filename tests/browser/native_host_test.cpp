// The native host without a browser: its framing on real pipes, and the
// message handler as a function from one message to one reply.
#include "browser/host/host_message_handler.h"
#include "browser/host/native_framing.h"

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

TEST(HostMessage, HandsEachUrlOnInOrder)
{
    QStringList calls;
    const auto record = [&](const QString &url) {
        calls << url;
        return QString();
    };
    QJsonObject reply = parse(HandleHostMessage(R"({"url":"http://a/x.zip"})", record));
    EXPECT_TRUE(reply.value("ok").toBool());
    EXPECT_EQ(reply.value("added").toInt(), 1);
    reply = parse(HandleHostMessage(
        QByteArray("{\"urls\":[\"http://a/1.jpg\",\"\",\"http://a/\xc3\xa9.gif\"]}"), record));
    EXPECT_TRUE(reply.value("ok").toBool());
    EXPECT_EQ(reply.value("added").toInt(), 2); // the empty one is not passed on
    EXPECT_EQ(calls,
              (QStringList{"http://a/x.zip", "http://a/1.jpg", QString::fromUtf8("http://a/\xc3\xa9.gif")}));
}

TEST(HostMessage, MalformedMessagesMakeNoCall)
{
    int calls = 0;
    const auto count = [&](const QString &) {
        ++calls;
        return QString();
    };
    for (const char *bad :
         {"", "not json", "[\"http://a/x.zip\"]", "{}", "{\"url\":5}", "{\"urls\":\"http://a/x.zip\"}",
          "{\"urls\":[\"http://a/x.zip\",7]}", "{\"url\":\"http://a/\xff.zip\"}"}) {
        SCOPED_TRACE(bad);
        const QJsonObject reply = parse(HandleHostMessage(QByteArray(bad), count));
        EXPECT_FALSE(reply.value("ok").toBool());
        EXPECT_EQ(reply.value("added").toInt(), 0);
        EXPECT_FALSE(reply.value("error").toString().isEmpty());
    }
    EXPECT_EQ(calls, 0);
}

TEST(HostMessage, AFailedCallStopsAndSaysHowManyWentThrough)
{
    QStringList calls;
    const auto failSecond = [&](const QString &url) {
        calls << url;
        return calls.size() == 2 ? QStringLiteral("The name is not activatable") : QString();
    };
    const QJsonObject reply = parse(
        HandleHostMessage(R"({"urls":["http://a/1.zip","http://a/2.zip","http://a/3.zip"]})", failSecond));
    EXPECT_FALSE(reply.value("ok").toBool());
    EXPECT_EQ(reply.value("added").toInt(), 1);
    EXPECT_NE(reply.value("error").toString().indexOf("not activatable"), -1);
    EXPECT_EQ(calls.size(), 2);
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
