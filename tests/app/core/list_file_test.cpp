#include "app/core/kept_aside.h"
#include "app/core/list_file.h"
#include "app/core/list_saver.h"
#include "tests/support/temp_dir.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/stat.h>

namespace fetchly {
namespace {

// Lowers the largest file this process may write, for the object's lifetime.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lower = m_old;
        lower.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lower);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

using Lines = std::vector<std::string>;

TEST(ListFileText, SplitsAtCrLfLoneCrAndLoneLf)
{
    EXPECT_EQ(ParseListText("a\r\nb\rc\nd"), (Lines{"a", "b", "c", "d"}));
    EXPECT_EQ(ParseListText("a\r\n"), (Lines{"a"}));
    EXPECT_EQ(ParseListText("a\n\r"), (Lines{"a", ""}));
    EXPECT_EQ(ParseListText(""), Lines{});
    EXPECT_EQ(ParseListText("\r\n"), (Lines{""}));
    EXPECT_EQ(ParseListText("a\r\n\r\n\nb"), (Lines{"a", "", "", "b"}));
}

TEST(ListFileText, NulEndsTheText)
{
    EXPECT_EQ(ParseListText(std::string("a\r\nb\0c\r\nd", 10)), (Lines{"a", "b"}));
    EXPECT_EQ(ParseListText(std::string("\0abc", 4)), Lines{});
}

TEST(ListFileText, DamageIsFoundOnItsLine)
{
    EXPECT_EQ(FindListDamage("a\r\nb\n"), std::nullopt);
    EXPECT_EQ(FindListDamage(std::string("\0", 1)), 1);
    EXPECT_EQ(FindListDamage(std::string("a\r\nb\rc\nd\0", 9)), 4);
    EXPECT_EQ(FindListDamage(std::string("a\r\0", 3)), 2);
}

TEST(ListFileText, WritesEveryLineWithCrLfIncludingTheLast)
{
    EXPECT_EQ(FormatListText({"a=<x>", "", "b"}), "a=<x>\r\n\r\nb\r\n");
    EXPECT_EQ(FormatListText({}), "");
    const Lines lines = {"http://h/a.jpg=<IMG src=\"idx:3\">", "", "x"};
    EXPECT_EQ(ParseListText(FormatListText(lines)), lines);
}

TEST(ListFileDisk, RoundTripsByteForByte)
{
    test::TempDir dir;
    const auto path = dir.path() / "list.ufi";
    const Lines lines = {"http://h/\xe4.jpg=<B>x</B>", "plain"};
    SaveListFile(path, lines);
    EXPECT_EQ(test::readFile(path), "http://h/\xe4.jpg=<B>x</B>\r\nplain\r\n");
    EXPECT_EQ(LoadListFile(path), lines);
    SaveListFile(path, {});
    EXPECT_EQ(test::readFile(path), "");
    // Keys may hold passwords: the owner alone reads a list.
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(ListFileDisk, BinaryFileLoadsUpToItsFirstNul)
{
    test::TempDir dir;
    std::string bytes;
    for (int i = 0; i < 4096; ++i)
        bytes += static_cast<char>((i * 37 + 1) & 0xFF);
    const auto path = dir.write("binary.ufi", bytes);
    const Lines lines = LoadListFile(path);
    EXPECT_EQ(FormatListText(lines).size() <= bytes.size() + lines.size(), true);
    EXPECT_EQ(ParseListText(bytes), lines);
}

TEST(ListFileDisk, MissingOrUnreadableFilesThrowWithTheName)
{
    test::TempDir dir;
    try {
        LoadListFile(dir.path() / "nope.ufi");
        FAIL() << "no exception";
    } catch (const std::runtime_error &e) {
        EXPECT_NE(std::string(e.what()).find("nope.ufi"), std::string::npos);
    }
    EXPECT_THROW(LoadListFile(dir.path()), std::runtime_error);
}

// A write that fails half-way (here: a file-size limit, as a full disk
// would) must leave the old file as it was and no temporary file behind.
TEST(ListFileDisk, FailedWriteLeavesTheOldFileWholeAndNoTemporaryFile)
{
    test::TempDir dir;
    const auto path = dir.write("list.ufi", "old\r\n");
    {
        FileSizeLimit limit(16);
        EXPECT_THROW(SaveListFile(path, {std::string(200, 'x')}), std::runtime_error);
    }
    EXPECT_EQ(test::readFile(path), "old\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(ListFileDisk, ADirectoryInTheWayIsAnErrorAndStays)
{
    test::TempDir dir;
    dir.write("taken/inner.txt", "x");
    EXPECT_THROW(SaveListFile(dir.path() / "taken", {"x"}), std::runtime_error);
    EXPECT_EQ(test::readFile(dir.path() / "taken" / "inner.txt"), "x");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(ListFileDisk, WriteIntoAMissingFolderFailsCleanly)
{
    test::TempDir dir;
    EXPECT_THROW(SaveListFile(dir.path() / "missing" / "list.ufi", {"x"}), std::runtime_error);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "missing"));
}

TEST(ListFileDisk, ReplacingAFileLeavesNoTemporaryFilesBehind)
{
    test::TempDir dir;
    const auto path = dir.path() / "list.ufi";
    for (int i = 0; i < 3; ++i)
        SaveListFile(path, {"line " + std::to_string(i)});
    int files = 0;
    for ([[maybe_unused]] const auto &entry : std::filesystem::directory_iterator(dir.path()))
        ++files;
    EXPECT_EQ(files, 1);
    EXPECT_EQ(test::readFile(path), "line 2\r\n");
}

TEST(ListFileDisk, KeptAsideWholeUnderANewNameAndNeverOverAnother)
{
    test::TempDir dir;
    const auto path = dir.write("SavedFiles.ufi", "first");
    const auto kept = KeepAside(path, "unreadable");
    dir.write("SavedFiles.ufi", "second");
    const auto again = KeepAside(path, "unreadable");
    EXPECT_EQ(kept.parent_path(), dir.path());
    EXPECT_EQ(kept.filename().string().rfind("SavedFiles.ufi.unreadable-", 0), 0u) << kept;
    EXPECT_NE(again, kept);
    EXPECT_EQ(test::readFile(kept), "first");
    EXPECT_EQ(test::readFile(again), "second");
    EXPECT_FALSE(std::filesystem::exists(path));
    dir.write("folder/inner", "x");
    EXPECT_THROW(KeepAside(dir.path() / "folder", "unreadable"), std::runtime_error);
    EXPECT_EQ(test::readFile(dir.path() / "folder" / "inner"), "x");
}

TEST(ListFileDisk, LeftoversOfAnInterruptedSaveAreRemovedAndNothingElse)
{
    test::TempDir dir;
    const auto path = dir.write("SavedFiles.ufi", "list");
    for (const char *name : {".SavedFiles.ufi.a1B2c3", ".SavedFiles.ufi.XXXXXX", ".SavedFiles.ufi.toolong7",
                             ".SavedFiles.ufi.ab-cde", "SavedFiles.ufi.unreadable-1", ".Other.ufi.a1B2c3"})
        dir.write(name, "x");
    std::filesystem::create_directory(dir.path() / ".SavedFiles.ufi.dir123");
    EXPECT_EQ(RemoveLeftoverTemporaries(path), 2);
    EXPECT_EQ(test::filesStartingWith(dir.path(), ".SavedFiles.ufi."),
              (std::vector<std::filesystem::path>{dir.path() / ".SavedFiles.ufi.ab-cde",
                                                  dir.path() / ".SavedFiles.ufi.dir123",
                                                  dir.path() / ".SavedFiles.ufi.toolong7"}));
    EXPECT_EQ(test::readFile(path), "list");
}

TEST(ListFileDisk, SaverWritesTheNewestLinesAndReportsWhatFailed)
{
    test::TempDir dir;
    const auto path = dir.path() / "list.ufi";
    std::vector<std::string> errors;
    {
        TListSaver saver([&](const std::filesystem::path &, const std::string &error) {
            if (!error.empty())
                errors.push_back(error);
        });
        auto lines = std::make_shared<Lines>(Lines{"a"});
        for (int i = 0; i < 20; ++i) {
            lines = std::make_shared<Lines>(*lines);
            lines->push_back(std::to_string(i));
            saver.Submit(path, lines);
        }
        saver.Submit(dir.path() / "missing" / "list.ufi", lines);
        EXPECT_THROW(saver.SaveNow(dir.path() / "missing" / "x.ufi", lines), std::runtime_error);
        saver.SaveNow(path, lines);
    }
    EXPECT_EQ(LoadListFile(path).size(), 21u);
    EXPECT_LE(errors.size(), 1u); // the failed submitted write, unless the newer one replaced it
    for (const std::string &e : errors)
        EXPECT_NE(e.find("missing"), std::string::npos) << e;
}

} // namespace
} // namespace fetchly
