// Local file copies, including the failure codes and a full disk.
#include "tests/support/event_recorder.h"
#include "tests/support/root_only.h"
#include "tests/support/temp_dir.h"

#include "transfer/fetch_engine.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>

namespace fs = std::filesystem;
using namespace fetchly;
using namespace fetchly::test;

namespace {

TFetchItem copyItem(const std::string &source, const std::string &targetDir, const std::string &name = {})
{
    TFetchItem item;
    item.Protocol = TFetchProtocol::wpFile;
    item.URL = source;
    item.TargetDir = targetDir;
    item.TargetFilename = name;
    return item;
}

class FileCopy : public ::testing::Test {
protected:
    TempDir dir;
    TFetchEngine engine;
    EventRecorder events{engine};
};

TEST_F(FileCopy, CopiesIn16384ByteChunksIntoNewDirectories)
{
    const std::string data = patternBytes(40000);
    auto source = dir.write("src/a.bin", data);
    const fs::path targetDir = dir.path() / "out" / "deeper";
    engine.Items.Add(copyItem(source.string(), targetDir.string()));
    engine.ShowCompletion = true;
    runToEnd(engine);

    EXPECT_EQ(readFile(targetDir / "a.bin"), data);
    std::vector<TFetchSize> sizes;
    for (const auto &p : events.progressSteps()) {
        sizes.push_back(p.size);
        EXPECT_EQ(p.totsize, 40000);
    }
    // The last pass reads nothing and reports the final count again.
    EXPECT_EQ(sizes, (std::vector<TFetchSize>{16384, 32768, 40000, 40000}));
    EXPECT_TRUE(engine.Items.Get(0).Done);
    EXPECT_EQ(engine.CurrentTarget(), (targetDir / "a.bin").string());
    EXPECT_EQ(engine.CurrentTargetDir(), targetDir.string());
    auto dialog = engine.Progress().Snapshot();
    EXPECT_EQ(dialog.FileLabel, "File : a.bin from ");
    EXPECT_EQ(dialog.Animation, TDialogAnimation::Copy);
    EXPECT_EQ(dialog.Caption, "Copying : 100% completed");
    EXPECT_EQ(events.log(),
              (std::vector<std::string>{"FileStart 0 0", "Progress", "FileDone 0 0", "CopyDone"}));
}

TEST_F(FileCopy, ProgressEventComesBeforeTheDialogUpdate)
{
    auto source = dir.write("p.bin", patternBytes(20000));
    engine.Items.Add(copyItem(source.string(), (dir.path() / "t").string()));
    std::vector<std::string> seen;
    events.onProgress = [&](const ProgressEvent &e) {
        seen.push_back(std::to_string(e.size) + " / " + engine.Progress().Snapshot().ProgressLabel);
    };
    runToEnd(engine);
    EXPECT_EQ(seen, (std::vector<std::string>{"16384 / Progress :", "20000 / Progress : 16.38 Kb of 20.00 Kb",
                                              "20000 / Progress : 20.00 Kb of 20.00 Kb"}));
}

TEST_F(FileCopy, IdenticalPathsAreCode0AndTouchNothing)
{
    auto source = dir.write("same.txt", "precious");
    engine.Items.Add(copyItem(source.string(), dir.str()));
    // The same file through "." and through a symbolic link.
    engine.Items.Add(copyItem((dir.path() / "." / "same.txt").string(), dir.str()));
    fs::create_directory_symlink(dir.path(), dir.path() / "link");
    engine.Items.Add(copyItem((dir.path() / "link" / "same.txt").string(), dir.str()));
    runToEnd(engine);

    EXPECT_EQ(events.errors(),
              (std::vector<std::string>{
                  "0: Cannot copy identical files " + source.string(),
                  "0: Cannot copy identical files " + (dir.path() / "./same.txt").string(),
                  "0: Cannot copy identical files " + (dir.path() / "link/same.txt").string()}));
    EXPECT_EQ(readFile(source), "precious");
    EXPECT_TRUE(events.overwriteAsked().empty());
}

TEST_F(FileCopy, LetterCaseMakesADifferentFile)
{
    auto source = dir.write("Case.txt", "upper");
    engine.Items.Add(copyItem(source.string(), dir.str(), "case.txt"));
    runToEnd(engine);
    EXPECT_TRUE(events.errors().empty());
    EXPECT_EQ(readFile(dir.path() / "case.txt"), "upper");
    EXPECT_EQ(readFile(source), "upper");
}

TEST_F(FileCopy, ZeroLengthSourceIsCode2WithoutATarget)
{
    auto source = dir.write("empty.txt", "");
    const fs::path out = dir.path() / "out";
    engine.Items.Add(copyItem(source.string(), out.string()));
    runToEnd(engine);
    EXPECT_EQ(events.errors(), std::vector<std::string>{"2: Zero length source file " + source.string()});
    EXPECT_FALSE(fs::exists(out));
    EXPECT_FALSE(engine.Items.Get(0).Done);
}

TEST_F(FileCopy, UnreadableSourceIsCode1)
{
    const fs::path missing = dir.path() / "missing.txt";
    engine.Items.Add(copyItem(missing.string(), (dir.path() / "out").string()));
    engine.Items.Add(copyItem(dir.str(), (dir.path() / "out").string(), "dir"));
    runToEnd(engine);
    EXPECT_EQ(events.errors(), (std::vector<std::string>{"1: Cannot open source file " + missing.string(),
                                                         "1: Cannot open source file " + dir.str()}));
    EXPECT_EQ(events.count("FileDone 1 0"), 1);
}

TEST_F(FileCopy, OverwriteQuestionDecides)
{
    auto source = dir.write("src/o.txt", "fresh");
    auto target = dir.write("dst/o.txt", "old");
    engine.Items.Add(copyItem(source.string(), target.parent_path().string()));
    expectOverwriteQuestionDecides(engine, events, target.string(), "old", "fresh");
}

TEST_F(FileCopy, TargetThatCannotBeCreatedIsCode3AndTheRunGoesOn)
{
    auto source = dir.write("t.txt", "text");
    // No directory at all: the target would land in the process's folder.
    engine.Items.Add(copyItem(source.string(), ""));
    // A file stands where the target directory should be.
    dir.write("blocker", "");
    engine.Items.Add(copyItem(source.string(), (dir.path() / "blocker").string()));
    engine.Items.Add(copyItem(source.string(), (dir.path() / "ok").string()));
    runToEnd(engine);

    EXPECT_EQ(events.errors(), (std::vector<std::string>{"3: Cannot create target file t.txt",
                                                         "3: Cannot create target file " +
                                                             (dir.path() / "blocker/t.txt").string()}));
    EXPECT_FALSE(fs::exists("t.txt"));
    EXPECT_EQ(readFile(dir.path() / "ok" / "t.txt"), "text");
    EXPECT_EQ(events.count("CopyDone"), 1);
    EXPECT_TRUE(engine.Items.Get(2).Done);
}

TEST_F(FileCopy, CancelLeavesTheTargetAsItWas)
{
    const std::string data = patternBytes(10 * 16384);
    auto source = dir.write("c.bin", data);
    const fs::path out = dir.path() / "out";
    dir.write("out/c.bin", "earlier copy");
    engine.Items.Add(copyItem(source.string(), out.string()));
    engine.Items.Add(copyItem(source.string(), (dir.path() / "never").string()));
    events.onProgress = [this](const ProgressEvent &e) {
        if (e.size == 2 * 16384)
            engine.CancelClick();
    };
    runToEnd(engine);

    EXPECT_EQ(readFile(out / "c.bin"), "earlier copy");
    EXPECT_FALSE(fs::exists(out / "c.bin.part"));
    EXPECT_FALSE(engine.Items.Get(0).Done);
    EXPECT_FALSE(fs::exists(dir.path() / "never"));
    EXPECT_EQ(events.log(),
              (std::vector<std::string>{"FileStart 0 0", "CopyOverWrite", "Progress", "CopyDone"}));
}

TEST_F(FileCopy, WriteErrorIsCode5)
{
    auto source = dir.write("w.bin", patternBytes(50000));
    auto target = dir.write("out/w.bin", "good");
    engine.Items.Add(copyItem(source.string(), target.parent_path().string()));
    {
        FileSizeLimit full(5000);
        runToEnd(engine);
    }
    EXPECT_EQ(events.errors(),
              std::vector<std::string>{"5: Error writing to destination file " + target.string()});
    EXPECT_FALSE(engine.Items.Get(0).Done);
    EXPECT_EQ(readFile(target), "good");

    // Nor does a FIFO in its place block the copy.
    fs::remove(target);
    ASSERT_EQ(mkfifo(target.c_str(), 0600), 0);
    runToEnd(engine);
    EXPECT_EQ(events.errors().back(),
              "3: Cannot create target file " + target.string() + ": not a regular file");
}

// A 64 KiB tmpfs as the target: the copy runs out of space part-way.
class SmallDisk {
public:
    explicit SmallDisk(const fs::path &where) : m_path(where)
    {
        fs::create_directories(m_path);
        if (::mount("tmpfs", m_path.c_str(), "tmpfs", 0, "size=64k") != 0)
            throw std::runtime_error(std::string("cannot mount a small tmpfs: ") + std::strerror(errno));
    }
    ~SmallDisk() { ::umount2(m_path.c_str(), MNT_DETACH); }
    SmallDisk(const SmallDisk &) = delete;
    SmallDisk &operator=(const SmallDisk &) = delete;
    const fs::path &path() const { return m_path; }

private:
    fs::path m_path;
};

TEST_F(FileCopy, FullDiskIsCode5AndKeepsThePartialFile)
{
    SKIP_UNLESS_ROOT("mount a small tmpfs");
    const std::string data = patternBytes(300000);
    auto source = dir.write("big.bin", data);
    SmallDisk disk(dir.path() / "small");
    engine.Items.Add(copyItem(source.string(), disk.path().string()));
    runToEnd(engine);

    const fs::path target = disk.path() / "big.bin";
    EXPECT_EQ(events.errors(),
              std::vector<std::string>{"5: Error writing to destination file " + target.string()});
    EXPECT_FALSE(engine.Items.Get(0).Done);
    EXPECT_FALSE(fs::exists(target));
    std::string partial = readFile(target.string() + ".part");
    EXPECT_GT(partial.size(), 0u);
    EXPECT_LT(partial.size(), data.size());
    EXPECT_EQ(partial, data.substr(0, partial.size()));
}

} // namespace
