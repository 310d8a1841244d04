#include "app/core/ini_file.h"
#include "app/main_form.h"
#include "tests/support/main_form_test_view.h"
#include "app/options_form.h"
#include "app/transfer_options_dialog.h"
#include "tests/support/widget_helpers.h"
#include "ui/input_box.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <gtest/gtest.h>

namespace fetchly {
namespace {

using test::XdgHome;

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

// Every way of leaving the dialog but OK drops what was changed in it.
struct Dismissal {
    const char *name;
    void (*dismiss)(TOptionsForm &);
};

class OptionsDismissed : public ::testing::TestWithParam<Dismissal> {};

TEST_P(OptionsDismissed, DropsTheEditedCopy)
{
    XdgHome home;
    TOptionsForm dialog;
    TAppOptions options;
    options.Proxy = "kept:1";
    options.Connections = 2;
    test::OnNextModal([&](QWidget *) {
        dialog.CheckBox1->setChecked(true);
        dialog.ProxEdit->setText("changed");
        dialog.LinksList->addItem(".pdf");
        test::OnNextModal([](QWidget *advanced) {
            qobject_cast<TTransferOptionsDialog *>(advanced)->ConnectionsEdit->setValue(9);
            qobject_cast<QDialog *>(advanced)->accept();
        });
        dialog.AdvancedButton->click();
        GetParam().dismiss(dialog);
    });
    EXPECT_EQ(dialog.Edit(options), std::nullopt);
    // Opened again, it shows the options, not what was left in it.
    test::OnNextModal([](QWidget *modal) { qobject_cast<TOptionsForm *>(modal)->Button1->click(); });
    EXPECT_EQ(dialog.Edit(options), options);
}

INSTANTIATE_TEST_SUITE_P(Ways, OptionsDismissed,
                         ::testing::Values(Dismissal{"Cancel", [](TOptionsForm &d) { d.Button2->click(); }},
                                           Dismissal{"Escape",
                                                     [](TOptionsForm &d) {
                                                         QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape,
                                                                          Qt::NoModifier);
                                                         QApplication::sendEvent(&d, &escape);
                                                     }},
                                           Dismissal{"Close", [](TOptionsForm &d) { d.close(); }}),
                         [](const ::testing::TestParamInfo<Dismissal> &info) {
                             return std::string(info.param.name);
                         });

TEST(OptionsSettings, OkWritesAndTheMainWindowAppliesToTheEngine)
{
    XdgHome home;
    TDownloadForm form;
    TDownloadFormTestView view(form);
    test::OnNextModal([&](QWidget *modal) {
        auto *options = qobject_cast<TOptionsForm *>(modal);
        ASSERT_NE(options, nullptr);
        options->CheckBox1->setChecked(true);
        options->ProxEdit->setText("proxy:8080");
        options->PassEdit->setText("secret");
        options->UserEdit->setText("user");
        options->CheckBox2->setChecked(true);
        options->CheckBox4->setChecked(true);
        test::OnNextModal([](QWidget *advanced) {
            auto *dialog = qobject_cast<TTransferOptionsDialog *>(advanced);
            ASSERT_NE(dialog, nullptr);
            dialog->ConnectionsEdit->setValue(3);
            dialog->RetriesEdit->setValue(0);
            dialog->accept();
        });
        options->AdvancedButton->click();
        options->Button1->click();
    });
    view.Trigger("optionsButton");
    EXPECT_TRUE(view.Engine().FTPPassive);
    EXPECT_EQ(view.Engine().Proxy, "proxy:8080");
    EXPECT_EQ(view.Engine().ProxyPassword, "secret");
    EXPECT_EQ(view.Engine().ProxyUserID, "user");
    EXPECT_TRUE(view.Engine().ShowDialog);
    EXPECT_FALSE(view.Engine().ShowOpenFile);
    EXPECT_TRUE(view.Engine().ShowOpenFolder);
    EXPECT_EQ(view.Engine().Connections, 3);
    EXPECT_EQ(view.Engine().Retries, 0);
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
    EXPECT_TRUE(dialog.ShownOptions().IsAcceptedLink("http://h/x.pdf"));
}

INSTANTIATE_TEST_SUITE_P(Typed, OptionsLinkTypes,
                         ::testing::Values(TypedLink{"pdf", ".pdf", 17}, TypedLink{" .PDF ", ".PDF", 17},
                                           TypedLink{"JPG", nullptr, 0}, TypedLink{".zip", nullptr, 6},
                                           TypedLink{" . ", nullptr, -1}, TypedLink{"", nullptr, -1}));

TEST(OptionsLinkTypesShown, DeleteNeedsASelection)
{
    XdgHome home;
    TOptionsForm dialog;
    TAppOptions options;
    options.LinkTypes = {{".jpg", ".pdf"}, 1};
    dialog.ShowOptions(options);
    EXPECT_EQ(dialog.LinksList->currentRow(), 1);
    dialog.LinksList->setCurrentRow(-1);
    dialog.DeleteLinkType1Click();
    EXPECT_EQ(dialog.LinksList->count(), 2);
    dialog.LinksList->setCurrentRow(0);
    dialog.DeleteLinkType1Click();
    EXPECT_EQ(dialog.ShownOptions().LinkTypes, (TLinkTypeList{{".pdf"}, 0}));
}

} // namespace
} // namespace fetchly
