#include "base/fd_io.h"
#include "base/unique_fd.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/time.h>
#include <thread>
#include <unistd.h>

namespace fetchly {
namespace {

bool isOpen(int fd)
{
    return ::fcntl(fd, F_GETFD) != -1;
}

// A timer signal every half millisecond, without SA_RESTART, so that reads
// and writes on a pipe come back interrupted or short over and over.
class SignalStorm {
public:
    SignalStorm()
    {
        struct sigaction action {};
        action.sa_handler = [](int) {};
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGALRM, &action, &m_old);
        const itimerval every{{0, 500}, {0, 500}};
        ::setitimer(ITIMER_REAL, &every, nullptr);
    }
    ~SignalStorm()
    {
        const itimerval off{};
        ::setitimer(ITIMER_REAL, &off, nullptr);
        ::sigaction(SIGALRM, &m_old, nullptr);
    }

private:
    struct sigaction m_old {};
};

TEST(FdIo, EveryByteCrossesAPipeWhileSignalsInterrupt)
{
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    TUniqueFd readEnd(ends[0]), writeEnd(ends[1]);
    std::string sent(8 << 20, '\0');
    for (std::size_t i = 0; i < sent.size(); ++i)
        sent[i] = static_cast<char>(i * 7 + i / 4096);
    std::string got(sent.size(), '\0');
    std::size_t gotCount = 0;
    SignalStorm storm;
    std::thread reader([&] { gotCount = ReadFully(readEnd.Get(), got.data(), got.size()); });
    const bool written = WriteAll(writeEnd.Get(), sent.data(), sent.size());
    reader.join();
    EXPECT_TRUE(written);
    EXPECT_EQ(gotCount, sent.size());
    EXPECT_TRUE(got == sent);
}

TEST(FdIo, EndErrorAndFullDiskAreToldApart)
{
    char buf[64];
    std::FILE *tmp = std::tmpfile();
    ASSERT_NE(tmp, nullptr);
    const int fd = ::fileno(tmp);
    ASSERT_TRUE(WriteAllAt(fd, "0123456789", 10, 5));
    EXPECT_EQ(ReadFullyAt(fd, buf, sizeof buf, 5), 10u) << "fewer bytes at the end of the file";
    EXPECT_EQ(errno, 0);
    EXPECT_EQ(std::string(buf, 4), "0123");
    std::fclose(tmp);

    const TUniqueFd dir(::open("/", O_RDONLY | O_DIRECTORY));
    EXPECT_EQ(ReadFully(dir.Get(), buf, sizeof buf), 0u);
    EXPECT_EQ(errno, EISDIR);

    const TUniqueFd full(::open("/dev/full", O_WRONLY));
    ASSERT_TRUE(full.Valid());
    EXPECT_FALSE(WriteAll(full.Get(), buf, sizeof buf));
    EXPECT_EQ(errno, ENOSPC);
}

TEST(UniqueFd, OwnsExactlyOneDescriptor)
{
    TUniqueFd first(::open("/dev/null", O_RDONLY));
    const int firstNumber = first.Get();
    TUniqueFd second(::open("/dev/null", O_RDONLY));
    const int secondNumber = second.Get();
    second = std::move(first); // the descriptor held before is closed
    EXPECT_FALSE(isOpen(secondNumber));
    EXPECT_EQ(second.Get(), firstNumber);
    EXPECT_FALSE(first.Valid());

    const int kept = second.Release();
    EXPECT_TRUE(isOpen(kept)) << "a released descriptor stays open";
    ::close(kept);
    int scopedNumber = -1;
    {
        TUniqueFd scoped(::open("/dev/null", O_RDONLY));
        EXPECT_TRUE(scoped.Close());
        EXPECT_TRUE(scoped.Close()) << "closing nothing succeeds";
        scoped.Reset(::open("/dev/null", O_RDONLY));
        scopedNumber = scoped.Get();
    }
    EXPECT_FALSE(isOpen(scopedNumber)) << "closed with its owner";
}

} // namespace
} // namespace fetchly
