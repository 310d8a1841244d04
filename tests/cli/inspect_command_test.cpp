// `fetchly inspect` run as a program, as scripts use it.
#include "digest/sha256_stream.h"
#include "inspect/inspection_report.h"
#include "tests/cli/run_fetchly.h"
#include "tests/support/stalled_fifo.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>

namespace fetchly::inspect {
namespace {

fetchly::test::ProgramResult runInspect(const fetchly::test::TempDir &dir, std::vector<std::string> args)
{
    args.insert(args.begin(), "inspect");
    return fetchly::test::runFetchly(args, dir.path());
}

std::string zipOf(const std::string &name)
{
    std::string h = std::string("PK\x03\x04", 4) + std::string(22, '\0');
    h += static_cast<char>(name.size());
    h += std::string(3, '\0');
    return h + name + "PK\x05\x06" + std::string(18, '\0');
}

TEST(InspectCommand, RawKeepsTheReportBytes)
{
    fetchly::test::TempDir dir;
    const auto zip = dir.write("a.zip", zipOf("inside.txt"));
    const std::string sha = digest::Sha256Hex(zipOf("inside.txt"));
    const fetchly::test::ProgramResult r = runInspect(dir, {"--raw", zip.string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, WithContentLines(InspectPath(zip.string()), "", sha).Report);
    EXPECT_EQ(r.out, zip.string() + "\n\rinside.txt\n\rSHA-256: " + sha + "\n\r");
    // A page under an archive's name says so first.
    const auto page = dir.write("b.zip", "<!DOCTYPE html><title>Log in</title>");
    EXPECT_EQ(runInspect(dir, {page.string()}).out.substr(0, 32), "An HTML page, not a ZIP archive\n");
}

TEST(InspectCommand, NativeLineEndsAndSeveralFiles)
{
    fetchly::test::TempDir dir;
    const auto zip = dir.write("a.zip", zipOf("inside.txt"));
    const auto mp3 = dir.write("b.mp3", std::string(10, '\0'));
    const fetchly::test::ProgramResult r = runInspect(dir, {zip.string(), mp3.string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, zip.string() + "\ninside.txt\nSHA-256: " + digest::Sha256Hex(zipOf("inside.txt")) +
                         "\n\nSong File  : b.mp3\nSHA-256: " + digest::Sha256Hex(std::string(10, '\0')) +
                         "\n");
    EXPECT_EQ(r.err, "");
}

TEST(InspectCommand, UnreadableFilesAndUsage)
{
    fetchly::test::TempDir dir;
    const auto zip = dir.write("a.zip", zipOf("ok.txt"));
    const std::string missing = dir.str() + "/missing.jpg";
    const fetchly::test::ProgramResult r = runInspect(dir, {missing, zip.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Error : Cannot open file " + missing + "\n");
    EXPECT_EQ(r.out.substr(0, zip.string().size() + 8), zip.string() + "\nok.txt\n"); // the other file still
    // A pipe named like an archive is refused at once, not waited on.
    const fetchly::test::StalledFifo fifo(dir.path() / "pipe.zip", std::chrono::seconds(20));
    const auto started = std::chrono::steady_clock::now();
    const fetchly::test::ProgramResult pipe = runInspect(dir, {fifo.path().string()});
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    EXPECT_EQ(pipe.status, 1);
    EXPECT_EQ(pipe.err, "Error : Cannot open file " + fifo.path().string() + "\n");
    const fetchly::test::ProgramResult none = runInspect(dir, {});
    EXPECT_EQ(none.status, 2);
    EXPECT_NE(none.err.find("usage: fetchly inspect"), std::string::npos);
    EXPECT_EQ(runInspect(dir, {"--bogus", "x.zip"}).status, 2);
    const auto txt = dir.write("notes.txt", "text");
    const fetchly::test::ProgramResult other = runInspect(dir, {txt.string()});
    EXPECT_EQ(other.status, 1);
    EXPECT_NE(other.err.find("no report for this kind of file"), std::string::npos);
}

} // namespace
} // namespace fetchly::inspect
