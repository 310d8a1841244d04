#include "app/core/ini_file.h"
#include "app/form_settings.h"
#include "app/main_form.h"
#include "app/options_form.h"
#include "tests/support/widget_helpers.h"
#include "ui/input_box.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <fstream>
#include <gtest/gtest.h>

namespace fetchly {
namespace {

using test::XdgHome;

void writeIni(const std::string &text)
{
    std::filesystem::create_directories(test::IniPath().parent_path());
    std::ofstream(test::IniPath(), std::ios::binary) << text;
}

TEST(OptionsDialog, DesignedControlsAndLinkTypes)
{
    XdgHome home;
    TOptionsForm dialog;
    EXPECT_EQ(dialog.windowTitle(), "Orv Fetchly Options");
    EXPECT_EQ(dialog.size(), QSize(355, 327));
    EXPECT_EQ(dialog.CheckBox1->text(), "FTP Passive");
    EXPECT_EQ(dialog.CheckBox2->text(), "Show Status Dialog");
    EXPECT_EQ(dialog.CheckBox3->text(), "Show Open File Dialog");
    EXPECT_EQ(dialog.CheckBox4->text(), "Show Open Folder Dialog");
    EXPECT_EQ(dialog.PassEdit->echoMode(), QLineEdit::Normal);
    EXPECT_TRUE(dialog.diredit->isHidden());
    EXPECT_EQ(dialog.Button1->text(), "Ok");
    EXPECT_TRUE(dialog.Button1->isDefault());
    EXPECT_EQ(dialog.Button2->text(), "Cancel");
    EXPECT_EQ(dialog.AddLinkType1->text(), "&Add Link Type");
    EXPECT_EQ(dialog.DeleteLinkType1->text(), "&Delete Link Type");
    EXPECT_EQ(dialog.LinkTypes().size(), 17u);
    EXPECT_EQ(dialog.LinkTypes().front(), ".jpg");
    EXPECT_EQ(dialog.LinkTypes().back(), ".c");
    EXPECT_EQ(dialog.pos(), QPoint(268, 148));
    for (QCheckBox *box : {dialog.CheckBox1, dialog.CheckBox2, dialog.CheckBox3, dialog.CheckBox4})
        EXPECT_FALSE(box->isChecked());
}

TEST(OptionsSettings, FirstRunWritesTheValuesInTheirOrder)
{
    XdgHome home;
    {
        TOptionsForm dialog;
    }
    const TIniFile ini(test::IniPath());
    EXPECT_FALSE(ini.SectionExists("Position"));
    EXPECT_EQ(ini.SectionNames().front(), "Values");
    EXPECT_EQ(ini.KeyNames("Values"),
              (std::vector<std::string>{"CheckBox1", "ProxEdit", "PassEdit", "UserEdit", "CheckBox2",
                                        "CheckBox3", "CheckBox4", "diredit", "LinksList"}));
    EXPECT_EQ(ini.ReadString("Values", "CheckBox1", "?"), "0");
    EXPECT_EQ(ini.ReadString("Values", "ProxEdit", "?"), "");
    EXPECT_EQ(ini.ReadString("Values", "diredit", "?"), DefaultTargetDir().toStdString());
    EXPECT_EQ(ini.ReadString("Values", "LinksList", "?"), "-1");
    EXPECT_EQ(ini.KeyNames("Transfer"), (std::vector<std::string>{"Connections", "Retries"}));
    EXPECT_EQ(ini.ReadString("Transfer", "Connections", "?"), "8");
    EXPECT_EQ(ini.ReadString("Transfer", "Retries", "?"), "5");
}

TEST(OptionsSettings, StoredValuesAreReadAndNonNumbersKeepTheDesign)
{
    XdgHome home;
    writeIni(
        "[Values]\nCheckBox1=1\nProxEdit=proxy:3128\nPassEdit=pw\nUserEdit=me\nCheckBox2=yes\n"
        "CheckBox3=0x1\nCheckBox4=0\ndiredit=/tmp/x/\nLinksList=2\n[Transfer]\nConnections=99\nRetries=x\n");
    TOptionsForm dialog;
    EXPECT_EQ(dialog.Transfer.Connections, 16);
    EXPECT_EQ(dialog.Transfer.Retries, 5);
    EXPECT_TRUE(dialog.CheckBox1->isChecked());
    EXPECT_EQ(dialog.ProxEdit->text(), "proxy:3128");
    EXPECT_EQ(dialog.PassEdit->text(), "pw");
    EXPECT_EQ(dialog.UserEdit->text(), "me");
    EXPECT_FALSE(dialog.CheckBox2->isChecked());
    EXPECT_TRUE(dialog.CheckBox3->isChecked());
    EXPECT_EQ(dialog.diredit->text(), "/tmp/x/");
    EXPECT_EQ(dialog.LinksList->currentRow(), 2);
}

TEST(OptionsSettings, UnreadableIniKeepsTheDesignedValues)
{
    XdgHome home;
    std::filesystem::create_directories(test::IniPath());
    TOptionsForm dialog;
    EXPECT_FALSE(dialog.CheckBox1->isChecked());
    EXPECT_EQ(dialog.LinkTypes().size(), 17u);
    // Saving then fails with the message naming the file.
    try {
        dialog.FormDestroy();
        FAIL() << "no exception";
    } catch (const std::runtime_error &e) {
        EXPECT_EQ(std::string(e.what()).rfind("Unable to write to " + test::IniPath().string(), 0), 0u);
    }
}

TEST(OptionsSettings, CancelRestoresWhatTheDialogShowed)
{
    XdgHome home;
    TOptionsForm dialog;
    test::OnNextModal([&](QWidget *) {
        dialog.CheckBox1->setChecked(true);
        dialog.ProxEdit->setText("changed");
        dialog.LinksList->addItem(".pdf");
        dialog.Button2->click();
    });
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    EXPECT_FALSE(dialog.CheckBox1->isChecked());
    EXPECT_EQ(dialog.ProxEdit->text(), "");
    EXPECT_EQ(dialog.LinksList->count(), 17);
    dialog.FormDestroy();
    EXPECT_EQ(TIniFile(test::IniPath()).ReadString("Values", "ProxEdit", "?"), "");
}

TEST(OptionsSettings, OkWritesAndTheMainWindowAppliesToTheEngine)
{
    XdgHome home;
    TDownloadForm form;
    test::OnNextModal([&](QWidget *) {
        form.OptionsForm->CheckBox1->setChecked(true);
        form.OptionsForm->ProxEdit->setText("proxy:8080");
        form.OptionsForm->PassEdit->setText("secret");
        form.OptionsForm->UserEdit->setText("user");
        form.OptionsForm->CheckBox2->setChecked(true);
        form.OptionsForm->CheckBox4->setChecked(true);
        test::OnNextModal([](QWidget *advanced) {
            auto *dialog = qobject_cast<TTransferOptionsDialog *>(advanced);
            ASSERT_NE(dialog, nullptr);
            dialog->ConnectionsEdit->setValue(3);
            dialog->RetriesEdit->setValue(0);
            dialog->accept();
        });
        form.OptionsForm->AdvancedButton->click();
        form.OptionsForm->Button1->click();
    });
    form.ToolButton12Click();
    EXPECT_TRUE(form.FetchEngine1.FTPPassive);
    EXPECT_EQ(form.FetchEngine1.Proxy, "proxy:8080");
    EXPECT_EQ(form.FetchEngine1.ProxyPassword, "secret");
    EXPECT_EQ(form.FetchEngine1.ProxyUserID, "user");
    EXPECT_TRUE(form.FetchEngine1.ShowDialog);
    EXPECT_FALSE(form.FetchEngine1.ShowOpenFile);
    EXPECT_TRUE(form.FetchEngine1.ShowOpenFolder);
    EXPECT_EQ(form.FetchEngine1.Connections, 3);
    EXPECT_EQ(form.FetchEngine1.Retries, 0);
    const TIniFile ini(test::IniPath());
    EXPECT_EQ(ini.ReadString("Transfer", "Connections", ""), "3");
    EXPECT_EQ(ini.ReadString("Transfer", "Retries", ""), "0");
    EXPECT_EQ(ini.ReadString("Values", "ProxEdit", ""), "proxy:8080");
    EXPECT_EQ(ini.ReadString("Values", "CheckBox2", ""), "1");
}

// Types the text into the "Add Link Type" box.
void addLinkType(TOptionsForm &dialog, const QString &typed)
{
    test::OnNextModal([typed](QWidget *modal) {
        auto *box = qobject_cast<TInputBox *>(modal);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->windowTitle(), "Add A Link Type (jpg etc)");
        EXPECT_EQ(box->promptLabel()->text(), "Link :");
        box->edit()->setText(typed);
        box->accept();
    });
    dialog.AddLinkType1Click();
}

struct TypedLink {
    const char *typed;
    const char *stored; // the new last item, or nullptr when nothing is added
    int selected;       // the row selected afterwards
    friend void PrintTo(const TypedLink &link, std::ostream *os) { *os << '"' << link.typed << '"'; }
};

class OptionsLinkTypes : public ::testing::TestWithParam<TypedLink> {};

TEST_P(OptionsLinkTypes, TypedTypesGetTheirDotAndDuplicatesAreRefused)
{
    XdgHome home;
    TOptionsForm dialog;
    addLinkType(dialog, GetParam().typed);
    EXPECT_EQ(dialog.LinksList->currentRow(), GetParam().selected);
    if (!GetParam().stored) {
        EXPECT_EQ(dialog.LinksList->count(), 17);
        return;
    }
    ASSERT_EQ(dialog.LinksList->count(), 18);
    EXPECT_EQ(dialog.LinksList->item(17)->text(), GetParam().stored);
    EXPECT_TRUE(dialog.IsAcceptedLink("http://h/x.pdf"));
}

INSTANTIATE_TEST_SUITE_P(Typed, OptionsLinkTypes,
                         ::testing::Values(TypedLink{"pdf", ".pdf", 17}, TypedLink{" .PDF ", ".PDF", 17},
                                           TypedLink{"JPG", nullptr, 0}, TypedLink{".zip", nullptr, 6},
                                           TypedLink{" . ", nullptr, -1}, TypedLink{"", nullptr, -1}));

TEST(OptionsLinkTypesStored, TypesWithoutDotGetOneAndDeleteNeedsASelection)
{
    XdgHome home;
    writeIni("[Values]\nLinksList=1\n[LinksList]\nCount=3\nItem0=jpg\nItem1=.JPG\nItem2=pdf\n");
    TOptionsForm dialog;
    EXPECT_EQ(dialog.LinkTypes(), (std::vector<std::string>{".jpg", ".pdf"}));
    EXPECT_TRUE(dialog.IsAcceptedLink("http://h/x.pdf"));
    EXPECT_EQ(dialog.LinksList->currentRow(), 1);
    dialog.LinksList->setCurrentRow(-1);
    dialog.DeleteLinkType1Click();
    EXPECT_EQ(dialog.LinksList->count(), 2);
    dialog.LinksList->setCurrentRow(0);
    dialog.DeleteLinkType1Click();
    EXPECT_FALSE(dialog.IsAcceptedLink("http://h/x.jpg"));
}

// A form with every kind of control the settings component handles.
class SettingsForm : public QWidget {
public:
    SettingsForm()
    {
        setObjectName("SettingsForm");
        edit = new QLineEdit("designed", this);
        edit->setObjectName("Edit1");
        check = new QCheckBox(this);
        check->setObjectName("Check1");
        radio = new QRadioButton(this);
        radio->setObjectName("Radio1");
        list = new QListWidget(this);
        list->setObjectName("List1");
        list->addItems({"a", "b", "c"});
        combo = new QComboBox(this);
        combo->setObjectName("Combo1");
        combo->setEditable(true);
        font = new QFontDialog(this);
        font->setObjectName("FontDialog1");
        settings = new TFormSettings(this);
        settings->INIFilename = "Test.ini";
        settings->LoadValues = true;
        settings->SaveValues = true;
        resize(300, 200);
    }
    QLineEdit *edit;
    QCheckBox *check;
    QRadioButton *radio;
    QListWidget *list;
    QComboBox *combo;
    QFontDialog *font;
    TFormSettings *settings;
};

TEST(FormSettingsComponent, DefaultsAtConstruction)
{
    QWidget owner;
    owner.setObjectName("Owner");
    TFormSettings s(&owner);
    EXPECT_TRUE(s.SavePosition);
    EXPECT_FALSE(s.SaveValues);
    EXPECT_FALSE(s.LoadValues);
    EXPECT_EQ(s.SaveValueOptions, AllSaveValOpts);
    EXPECT_EQ(s.RootControl, nullptr);
    EXPECT_TRUE(s.INIFilename.isEmpty());
    EXPECT_EQ(s.KeyName(), "Software\\Fetchly\\Owner");
}

TEST(FormSettingsComponent, EveryControlKindRoundTrips)
{
    XdgHome home;
    {
        SettingsForm form;
        form.edit->setText("typed");
        form.check->setChecked(true);
        form.radio->setChecked(true);
        form.list->addItem("d");
        form.list->setCurrentRow(3);
        form.combo->setEditText("combo text");
        QFont f("DejaVu Sans", 13);
        f.setBold(true);
        f.setStrikeOut(true);
        form.font->setProperty("Font", f);
        form.font->setProperty("Color", 0x00FF8000);
        form.settings->SaveSettings();
    }
    const TIniFile ini(ConfigHome() / "Test.ini");
    EXPECT_EQ(ini.ReadString("Values", "FontDialog1_Size", ""), "13");
    EXPECT_EQ(ini.ReadString("Values", "FontDialog1_Color", ""), std::to_string(0x00FF8000));
    EXPECT_EQ(ini.ReadString("Values", "FontDialog1_Bold", ""), "1");
    EXPECT_EQ(ini.ReadString("Values", "FontDialog1_Italic", ""), "0");
    EXPECT_EQ(ini.ReadString("Position", "WindowState", ""), "NORMAL");
    SettingsForm again;
    again.settings->LoadSettings();
    EXPECT_EQ(again.edit->text(), "typed");
    EXPECT_TRUE(again.check->isChecked());
    EXPECT_TRUE(again.radio->isChecked());
    EXPECT_EQ(again.list->count(), 4);
    EXPECT_EQ(again.list->currentRow(), 3);
    EXPECT_EQ(again.combo->currentText(), "combo text");
    const QFont font = again.font->property("Font").value<QFont>();
    EXPECT_EQ(font.family(), "DejaVu Sans");
    EXPECT_EQ(font.pointSize(), 13);
    EXPECT_TRUE(font.bold());
    EXPECT_FALSE(font.italic());
    EXPECT_TRUE(font.strikeOut());
    EXPECT_EQ(again.font->property("Color").toInt(), 0x00FF8000);
}

TEST(FormSettingsComponent, PositionAndWindowStateInAnyLetterCase)
{
    XdgHome home;
    std::filesystem::create_directories(ConfigHome());
    std::ofstream(ConfigHome() / "Test.ini")
        << "[Position]\nLeft=40\nTop=50\nWidth=320\nHeight=210\nWindowState=maximized\n";
    SettingsForm form;
    form.settings->LoadSettings();
    EXPECT_TRUE(form.windowState() & Qt::WindowMaximized);
    std::ofstream(ConfigHome() / "Test.ini")
        << "[Position]\nLeft=40\nTop=50\nWidth=320\nHeight=210\nWindowState=odd\n";
    SettingsForm normal;
    normal.settings->LoadSettings();
    EXPECT_EQ(normal.windowState(), Qt::WindowNoState);
    EXPECT_EQ(normal.size(), QSize(320, 210));
}

TEST(FormSettingsComponent, NoPositionSectionWhenPositionIsNotSaved)
{
    XdgHome home;
    SettingsForm form;
    form.settings->SavePosition = false;
    form.settings->SaveSettings();
    const TIniFile ini(ConfigHome() / "Test.ini");
    EXPECT_FALSE(ini.SectionExists("Position"));
    EXPECT_TRUE(ini.SectionExists("Values"));
}

TEST(FormSettingsComponent, WithoutARootTheValuePassesFail)
{
    TFormSettings orphan(nullptr);
    TIniFile ini;
    try {
        orphan.ReadControlValues(ini);
        FAIL() << "no exception";
    } catch (const std::logic_error &e) {
        EXPECT_STREQ(e.what(), "Assertion failure (FormSettings, line 193)");
    }
    try {
        orphan.WriteControlValues(ini);
        FAIL() << "no exception";
    } catch (const std::logic_error &e) {
        EXPECT_STREQ(e.what(), "Assertion failure (FormSettings, line 230)");
    }
}

} // namespace
} // namespace fetchly
