#include "app/core/ini_file.h"
#include "app/main_form.h"
#include "app/options_form.h"
#include "app/transfer_options_dialog.h"
#include "tests/support/main_form_test_view.h"
#include "tests/support/widget_helpers.h"
#include "transfer/rate_limiter.h"
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
    EXPECT_EQ(dialog.passiveFtpCheck->text(), "FTP Passive");
    EXPECT_EQ(dialog.showDialogCheck->text(), "Show Status Dialog");
    EXPECT_EQ(dialog.showOpenFileCheck->text(), "Show Open File Dialog");
    EXPECT_EQ(dialog.showOpenFolderCheck->text(), "Show Open Folder Dialog");
    EXPECT_EQ(dialog.proxyPasswordEdit->echoMode(), QLineEdit::Normal);
    EXPECT_TRUE(dialog.targetFolderEdit->isHidden());
    EXPECT_EQ(dialog.okButton->text(), "Ok");
    EXPECT_TRUE(dialog.okButton->isDefault());
    EXPECT_EQ(dialog.cancelButton->text(), "Cancel");
    EXPECT_EQ(dialog.addLinkTypeAction->text(), "&Add Link Type");
    EXPECT_EQ(dialog.deleteLinkTypeAction->text(), "&Delete Link Type");
    EXPECT_EQ(dialog.LinkTypes().size(), 17u);
    EXPECT_EQ(dialog.LinkTypes().front(), ".jpg");
    EXPECT_EQ(dialog.LinkTypes().back(), ".c");
    EXPECT_EQ(dialog.pos(), QPoint(268, 148));
    for (QCheckBox *box : {dialog.passiveFtpCheck, dialog.showDialogCheck, dialog.showOpenFileCheck,
                           dialog.showOpenFolderCheck})
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
        dialog.passiveFtpCheck->setChecked(true);
        dialog.proxyEdit->setText("changed");
        dialog.linkTypesList->addItem(".pdf");
        test::OnNextModal([](QWidget *advanced) {
            qobject_cast<TTransferOptionsDialog *>(advanced)->connectionsEdit->setValue(9);
            qobject_cast<QDialog *>(advanced)->accept();
        });
        dialog.advancedButton->click();
        GetParam().dismiss(dialog);
    });
    EXPECT_EQ(dialog.Edit(options), std::nullopt);
    // Opened again, it shows the options, not what was left in it.
    test::OnNextModal([](QWidget *modal) { qobject_cast<TOptionsForm *>(modal)->okButton->click(); });
    EXPECT_EQ(dialog.Edit(options), options);
}

INSTANTIATE_TEST_SUITE_P(
    Ways, OptionsDismissed,
    ::testing::Values(Dismissal{"Cancel", [](TOptionsForm &d) { d.cancelButton->click(); }},
                      Dismissal{"Escape",
                                [](TOptionsForm &d) {
                                    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                                    QApplication::sendEvent(&d, &escape);
                                }},
                      Dismissal{"Close", [](TOptionsForm &d) { d.close(); }}),
    [](const ::testing::TestParamInfo<Dismissal> &info) { return std::string(info.param.name); });

TEST(OptionsSettings, OkWritesAndTheMainWindowAppliesToTheEngine)
{
    XdgHome home;
    TDownloadForm form;
    TDownloadFormTestView view(form);
    test::OnNextModal([&](QWidget *modal) {
        auto *options = qobject_cast<TOptionsForm *>(modal);
        ASSERT_NE(options, nullptr);
        options->passiveFtpCheck->setChecked(true);
        options->proxyEdit->setText("proxy:8080");
        options->proxyPasswordEdit->setText("secret");
        options->proxyUserEdit->setText("user");
        options->showDialogCheck->setChecked(true);
        options->showOpenFolderCheck->setChecked(true);
        test::OnNextModal([](QWidget *advanced) {
            auto *dialog = qobject_cast<TTransferOptionsDialog *>(advanced);
            ASSERT_NE(dialog, nullptr);
            dialog->connectionsEdit->setValue(3);
            dialog->retriesEdit->setValue(0);
            dialog->simultaneousEdit->setValue(2);
            dialog->limitRateEdit->setValue(300);
            dialog->accept();
        });
        options->advancedButton->click();
        options->okButton->click();
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
    EXPECT_EQ(ini.ReadString("Transfer", "Simultaneous", ""), "2");
    EXPECT_EQ(ini.ReadString("Transfer", "LimitRate", ""), "300");
    EXPECT_EQ(ProcessRateLimiter().Rate(), 300 * 1024);
    ProcessRateLimiter().SetRate(0);
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
    dialog.onAddLinkTypeClicked();
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
    EXPECT_EQ(dialog.linkTypesList->currentRow(), GetParam().selected);
    if (!GetParam().stored) {
        EXPECT_EQ(dialog.linkTypesList->count(), 17);
        return;
    }
    ASSERT_EQ(dialog.linkTypesList->count(), 18);
    EXPECT_EQ(dialog.linkTypesList->item(17)->text(), GetParam().stored);
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
    EXPECT_EQ(dialog.linkTypesList->currentRow(), 1);
    dialog.linkTypesList->setCurrentRow(-1);
    dialog.onDeleteLinkTypeClicked();
    EXPECT_EQ(dialog.linkTypesList->count(), 2);
    dialog.linkTypesList->setCurrentRow(0);
    dialog.onDeleteLinkTypeClicked();
    EXPECT_EQ(dialog.ShownOptions().LinkTypes, (TLinkTypeList{{".pdf"}, 0}));
}

} // namespace
} // namespace fetchly
