#include "app/core/app_options.h"
#include "app/core/download_lines.h"
#include "app/core/ini_file.h"
#include "tests/support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <stdexcept>

namespace fetchly {
namespace {

TAppOptions readText(const std::string &text, const TAppOptions &defaults = {})
{
    TIniFile ini;
    ini.Parse(text);
    return ReadAppOptions(ini, defaults);
}

std::string designedLinkTypes()
{
    std::string text = "[LinksList]\nCount=17\n";
    for (std::size_t i = 0; i < DefaultLinkTypes().size(); ++i)
        text += "Item" + std::to_string(i) + "=" + DefaultLinkTypes()[i] + "\n";
    return text;
}

TEST(AppOptionsFile, ANewFileHoldsTheDesignedValuesInTheirOrder)
{
    TAppOptions options;
    options.TargetDir = "/home/u/Downloads/";
    TIniFile ini;
    WriteAppOptions(options, ini);
    EXPECT_EQ(ini.Text(), "[Values]\nCheckBox1=0\nProxEdit=\nPassEdit=\nUserEdit=\nCheckBox2=0\nCheckBox3=0\n"
                          "CheckBox4=0\ndiredit=/home/u/Downloads/\nLinksList=-1\n" +
                              designedLinkTypes() +
                              "[Transfer]\nConnections=8\nRetries=5\nSimultaneous=4\nLimitRate=0\n");
}

// A file as the program writes it from its second save on: the link types'
// section is written afresh each time, so it has moved to the end.
TEST(AppOptionsFile, AStoredFileIsReadAndSavedBackByteForByte)
{
    const std::string stored =
        "; kept by hand\n[Values]\ncheckbox1=1\nProxEdit=proxy:3128\nPassEdit=pw\n"
        "UserEdit=me\nCheckBox2=0\nCheckBox3=1\nCheckBox4=0\ndiredit=/srv/in/\n"
        "LinksList=1\nOther=kept\n[Transfer]\nConnections=4\nRetries=0\nSimultaneous=10\nLimitRate=500\n"
        "[LinksList]\nCount=3\nItem0=.jpg\nItem1=.pdf\nItem2=.zip\n";
    test::TempDir dir;
    const auto path = dir.write("Fetchly.ini", stored);
    TOptionsFile file(path);
    const TAppOptions options = file.Load(TAppOptions());
    EXPECT_TRUE(file.LoadProblem().empty());
    EXPECT_TRUE(options.FtpPassive);
    EXPECT_EQ(options.Proxy, "proxy:3128");
    EXPECT_EQ(options.ProxyUserID, "me");
    EXPECT_TRUE(options.ShowOpenFile);
    EXPECT_EQ(options.TargetDir, "/srv/in/");
    EXPECT_EQ(options.LinkTypes, (TLinkTypeList{{".jpg", ".pdf", ".zip"}, 1}));
    EXPECT_EQ(options.Connections, 4);
    EXPECT_EQ(options.Retries, 0);
    EXPECT_EQ(options.Simultaneous, 10);
    EXPECT_EQ(options.LimitRate, 500);
    file.Save(options);
    EXPECT_EQ(test::readFile(path), stored);
}

TEST(AppOptionsFile, DamagedOrMissingKeysFallBackToTheirDefaults)
{
    TAppOptions defaults;
    defaults.FtpPassive = true;
    defaults.TargetDir = "/default/";
    const TAppOptions read =
        readText("[Values]\nProxEdit=p\nCheckBox2=yes\nCheckBox3=0x1\nLinksList=17\n"
                 "[Transfer]\nConnections=99\nRetries=x\nSimultaneous=0\nLimitRate=-5\n");
    const TAppOptions kept = readText("[Values]\nCheckBox2=yes\nProxEdit=p\n", defaults);
    EXPECT_TRUE(kept.FtpPassive);
    EXPECT_EQ(kept.TargetDir, "/default/");
    EXPECT_EQ(read.Proxy, "p");
    EXPECT_FALSE(read.ShowDialog);
    EXPECT_TRUE(read.ShowOpenFile);
    EXPECT_EQ(read.LinkTypes, (TLinkTypeList{DefaultLinkTypes(), -1}));
    EXPECT_EQ(read.Connections, MaxConnections);
    EXPECT_EQ(read.Retries, 5);
    EXPECT_EQ(read.Simultaneous, 1);
    EXPECT_EQ(read.LimitRate, 0);
}

TEST(AppOptionsFile, StoredTypesWithoutDotGetOneAndDuplicatesGo)
{
    const TAppOptions options =
        readText("[Values]\nLinksList=1\n[LinksList]\nCount=4\nItem0=jpg\nItem1=.JPG\nItem2=pdf\n");
    EXPECT_EQ(options.LinkTypes, (TLinkTypeList{{".jpg", ".pdf"}, 1}));
    EXPECT_TRUE(options.IsAcceptedLink("http://h/x.PDF"));
    EXPECT_FALSE(options.IsAcceptedLink("http://h/x.zip"));
}

TEST(AppOptionsFile, AFileThatCanNeitherBeReadNorMovedIsNeverWritten)
{
    test::TempDir dir;
    const auto path = dir.path() / "Fetchly.ini";
    std::filesystem::create_directories(path / "inside");
    TOptionsFile file(path);
    EXPECT_EQ(file.Load(TAppOptions()), TAppOptions());
    EXPECT_NE(file.LoadProblem().find("It will not be written over."), std::string::npos)
        << file.LoadProblem();
    try {
        file.Save(TAppOptions());
        FAIL() << "no exception";
    } catch (const std::runtime_error &e) {
        EXPECT_EQ(std::string(e.what()).rfind("Unable to write to " + path.string(), 0), 0u) << e.what();
    }
    EXPECT_TRUE(std::filesystem::is_directory(path / "inside"));
}

} // namespace
} // namespace fetchly
