// Version strings of Windows programs and libraries.
#include "inspect/inspection_report.h"
#include "inspect/version_resource.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_paths.h"

#include <gtest/gtest.h>

namespace fetchly::inspect {
namespace {

std::string pe(const char *name)
{
    return (fetchly::test::testDataDir() / "pe" / name).string();
}

TEST(VersionResource, ThirtyTwoAndSixtyFourBitPrograms)
{
    for (const char *file : {"sample32.exe", "sample64.exe"}) {
        const TVersionResource info(pe(file));
        EXPECT_TRUE(info.Valid()) << file;
        EXPECT_EQ(info.Translation(), "040904B0");
        EXPECT_EQ(info.FileVersion(), "3.1.4 (build 1592; beta)");
        EXPECT_EQ(info.CompanyName(), "Brindlewick Sample Works");
        EXPECT_EQ(info.FileDescription(), "Sample console program");
        EXPECT_EQ(info.InternalName(), "sample32");
        EXPECT_EQ(info.LegalCopyright(), "Copyright (C) 2026 Brindlewick");
        EXPECT_EQ(info.Comments(), "Built for the inspection tests");
        EXPECT_EQ(info.VersionValue("companyname"), "Brindlewick Sample Works");
        EXPECT_EQ(info.VersionValue("NoSuchString"), "");
    }
}

TEST(VersionResource, FileVersionFallsBackToTheFixedPart)
{
    const TVersionResource info(pe("nofilever64.dll"));
    EXPECT_TRUE(info.Valid());
    EXPECT_EQ(info.Translation(), "040904E4");
    EXPECT_EQ(info.VersionValue("FileVersion"), "");
    EXPECT_EQ(info.FileVersion(), "1.2.0.15");
    EXPECT_EQ(info.CompanyName(), "Caf\xC3\xA9 Utilities");
    EXPECT_EQ(info.FileDescription(), "Library without a FileVersion string");
    EXPECT_EQ(info.InternalName(), "nofilever");
}

TEST(VersionResource, StringsUnderAnotherTranslationAreNotFound)
{
    const TVersionResource info(pe("othertrans32.exe"));
    EXPECT_TRUE(info.Valid());
    EXPECT_EQ(info.Translation(), "040904B0");
    EXPECT_EQ(info.CompanyName(), "");
    EXPECT_EQ(info.Comments(), "");
    EXPECT_EQ(info.FileVersion(), "7.0.2.9");
}

TEST(VersionResource, FilesWithoutABlockGiveEmptyValues)
{
    fetchly::test::TempDir dir;
    const std::string sample = fetchly::test::readFile(pe("sample32.exe"));
    ASSERT_FALSE(sample.empty());
    const std::vector<std::string> files = {
        pe("plain64.exe"), dir.write("readme.txt", "Just some text.\n").string(), "/nonexistent/x.exe",
        dir.write("cut.exe", sample.substr(0, sample.size() / 2)).string(),
        dir.write("empty.exe", "").string()};
    for (const std::string &file : files) {
        const TVersionResource info(file);
        EXPECT_FALSE(info.Valid()) << file;
        EXPECT_EQ(info.Translation(), "");
        EXPECT_EQ(info.FileVersion(), "");
        EXPECT_EQ(info.CompanyName(), "");
        EXPECT_EQ(info.Comments(), "");
    }
}

TEST(VersionResource, StringsAreReturnedAsTheyAreAndShownSafely)
{
    // The description with its "c" of "console" turned into U+202E.
    std::string sample = fetchly::test::readFile(pe("sample32.exe"));
    const std::string needle("c\0o\0n\0s\0o\0l\0e\0", 14);
    const std::size_t at = sample.find(needle);
    ASSERT_NE(at, std::string::npos);
    sample[at] = '\x2E';
    sample[at + 1] = '\x20';
    fetchly::test::TempDir dir;
    const auto file = dir.write("tricky.exe", sample);
    EXPECT_EQ(TVersionResource(file.string()).FileDescription(), "Sample \xE2\x80\xAEonsole program");
    const std::string report = ReportVersionInfo(file.string()).Report;
    EXPECT_NE(report.find("\n\rDescription : Sample <U+202E>onsole program\n\r"), std::string::npos)
        << report;
}

TEST(VersionResource, DamagedBlocksNeverReadOutsideTheFile)
{
    // Every truncation and a sweep of single-byte changes over the headers
    // and the version block must end cleanly (ASan builds check the reads).
    const std::string sample = fetchly::test::readFile(pe("sample64.exe"));
    const std::size_t block = sample.find(std::string("V\0S\0_\0V\0E\0R", 11));
    ASSERT_NE(block, std::string::npos);
    for (std::size_t cut = 0; cut < sample.size(); cut += 97) {
        const auto info = TVersionResource::FromMemory(std::string_view(sample).substr(0, cut));
        // A block that does not lie wholly inside the file is not read.
        if (cut <= block) {
            EXPECT_FALSE(info.Valid()) << cut;
        }
        (void)info.FileVersion();
    }
    for (std::size_t at : {std::size_t{0x3C}, block - 6, block - 4, block + 30, block + 90}) {
        for (int v : {0x00, 0x7F, 0xFF}) {
            std::string damaged = sample;
            damaged[at] = static_cast<char>(v);
            const auto info = TVersionResource::FromMemory(damaged);
            (void)info.FileVersion();
            (void)info.Comments();
        }
    }
}

} // namespace
} // namespace fetchly::inspect
