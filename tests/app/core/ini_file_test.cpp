#include "app/core/ini_file.h"
#include "tests/support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <stdexcept>
#include <sys/stat.h>

namespace fetchly {
namespace {

TIniFile parsed(const std::string &text)
{
    TIniFile ini;
    ini.Parse(text);
    return ini;
}

TEST(IniReading, NamesIgnoreCaseAndTheFirstDuplicateWins)
{
    const TIniFile ini = parsed("[Values]\nProxEdit = proxy:8080 \nproxedit=second\n[values]\nOther=1\n");
    EXPECT_EQ(ini.ReadString("VALUES", "proxEDIT", "def"), "proxy:8080");
    EXPECT_EQ(ini.ReadString("Values", "Other", "def"), "1");
    EXPECT_EQ(ini.ReadString("Values", "Missing", "def"), "def");
    EXPECT_EQ(ini.ReadString("Nope", "ProxEdit", "def"), "def");
}

TEST(IniReading, EmptyValueIsNotTheDefault)
{
    const TIniFile ini = parsed("[Values]\nProxEdit=\n");
    EXPECT_EQ(ini.ReadString("Values", "ProxEdit", "def"), "");
    EXPECT_EQ(ini.ReadInteger("Values", "ProxEdit", 7), 7);
}

TEST(IniReading, QuotesAreStrippedAndLongValuesCut)
{
    const std::string longValue(3000, 'v');
    const TIniFile ini = parsed("[S]\nq=\"  spaced  \"\nl=" + longValue + "\n");
    EXPECT_EQ(ini.ReadString("S", "q", ""), "  spaced  ");
    EXPECT_EQ(ini.ReadString("S", "l", "").size(), 2047u);
}

TEST(IniReading, IntegersDecimalOrHexElseTheDefault)
{
    const TIniFile ini =
        parsed("[S]\na=42\nb=-3\nc=0x1F\nd=0XfF\ne=yes\nf=12abc\ng=0x\nh=99999999999\ni=0xFFFFFFFF\n");
    EXPECT_EQ(ini.ReadInteger("S", "a", 0), 42);
    EXPECT_EQ(ini.ReadInteger("S", "b", 0), -3);
    EXPECT_EQ(ini.ReadInteger("S", "c", 0), 31);
    EXPECT_EQ(ini.ReadInteger("S", "d", 0), 255);
    EXPECT_EQ(ini.ReadInteger("S", "e", 5), 5);
    EXPECT_EQ(ini.ReadInteger("S", "f", 5), 5);
    EXPECT_EQ(ini.ReadInteger("S", "g", 5), 5);
    EXPECT_EQ(ini.ReadInteger("S", "h", 5), 5);
    EXPECT_EQ(ini.ReadInteger("S", "i", 5), -1);
}

TEST(IniReading, BooleansAreIntegersTrueWhenNotZero)
{
    const TIniFile ini = parsed("[S]\non=1\ntwo=2\noff=0\nyes=yes\n");
    EXPECT_TRUE(ini.ReadBool("S", "on", false));
    EXPECT_TRUE(ini.ReadBool("S", "two", false));
    EXPECT_FALSE(ini.ReadBool("S", "off", true));
    // Not a number: the default stays.
    EXPECT_TRUE(ini.ReadBool("S", "yes", true));
    EXPECT_FALSE(ini.ReadBool("S", "yes", false));
}

TEST(IniReading, MalformedTextReadsWhatItCanAndNeverThrows)
{
    const TIniFile ini = parsed("garbage before\n[Broken\nk=v\n]\n=novalue\n[ok]\n;comment\nx=1\nnoequals\n");
    EXPECT_EQ(ini.ReadString("Broken", "k", ""), "v");
    EXPECT_EQ(ini.ReadInteger("ok", "x", 0), 1);
    EXPECT_EQ(ini.KeyNames("ok"), std::vector<std::string>{"x"});
}

TEST(IniWriting, KeepsSectionAndKeyOrderAndComments)
{
    TIniFile ini = parsed("[Position]\nLeft=1\n; mine\n[Values]\nB=2\n");
    ini.WriteString("Values", "A", "new");
    ini.WriteString("values", "b", "3");
    ini.WriteInteger("Position", "Top", 5);
    ini.WriteBool("Extra", "Flag", true);
    EXPECT_EQ(ini.Text(), "[Position]\nLeft=1\n; mine\nTop=5\n[Values]\nB=3\nA=new\n[Extra]\nFlag=1\n");
}

TEST(IniWriting, LineBreaksInValuesCannotForgeKeys)
{
    TIniFile ini;
    ini.WriteString("Values", "ProxEdit", "x\n[Values]\nPassEdit=stolen");
    const TIniFile back = parsed(ini.Text());
    EXPECT_EQ(back.ReadString("Values", "PassEdit", "none"), "none");
    EXPECT_EQ(back.KeyNames("Values").size(), 1u);
}

TEST(IniWriting, DeleteKeyAndEraseSection)
{
    TIniFile ini = parsed("[A]\nx=1\ny=2\n[B]\nz=3\n");
    ini.DeleteKey("a", "X");
    ini.EraseSection("b");
    EXPECT_EQ(ini.Text(), "[A]\ny=2\n");
}

TEST(IniDisk, MissingFileReadsEmptyAndUpdateCreatesItPrivately)
{
    test::TempDir dir;
    const auto path = dir.path() / "sub" / "Fetchly.ini";
    TIniFile ini(path);
    EXPECT_TRUE(ini.LoadError().empty());
    EXPECT_EQ(ini.ReadString("Values", "diredit", "d"), "d");
    ini.WriteString("Values", "PassEdit", "secret");
    ini.UpdateFile();
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(TIniFile(path).ReadString("Values", "PassEdit", ""), "secret");
}

TEST(IniDisk, UnreadableFileKeepsDefaultsAndSaysWhy)
{
    test::TempDir dir;
    std::filesystem::create_directories(dir.path() / "Fetchly.ini");
    const TIniFile ini(dir.path() / "Fetchly.ini");
    EXPECT_FALSE(ini.LoadError().empty());
    EXPECT_EQ(ini.ReadInteger("Values", "CheckBox1", 0), 0);
}

TEST(IniDisk, FailedUpdateThrowsUnableToWriteAndKeepsTheOldFile)
{
    test::TempDir dir;
    const auto blocker = dir.write("file-not-dir", "x");
    TIniFile ini(blocker / "Fetchly.ini");
    ini.WriteString("Values", "A", "1");
    try {
        ini.UpdateFile();
        FAIL() << "no exception";
    } catch (const std::runtime_error &e) {
        EXPECT_EQ(std::string(e.what()).rfind("Unable to write to " + (blocker / "Fetchly.ini").string(), 0),
                  0u);
    }
    EXPECT_EQ(test::readFile(blocker), "x");
}

TEST(IniDisk, BinaryGarbageParsesWithoutHarm)
{
    test::TempDir dir;
    std::string bytes;
    for (int i = 0; i < 2000; ++i)
        bytes += static_cast<char>((i * 131 + 7) & 0xFF);
    const auto path = dir.write("Fetchly.ini", "[Values]\nCheckBox1=1\n" + bytes);
    const TIniFile ini(path);
    EXPECT_TRUE(ini.ReadBool("Values", "CheckBox1", false));
    // What follows a NUL is not read: the file counts as damaged.
    EXPECT_EQ(ini.LoadError().rfind("damaged at line 5", 0), 0u) << ini.LoadError();
}

} // namespace
} // namespace fetchly
