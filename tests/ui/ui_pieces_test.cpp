#include "tests/support/widget_helpers.h"
#include "ui/directory_edit.h"
#include "ui/input_box.h"
#include "ui/tray_icon.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QToolButton>
#include <gtest/gtest.h>

namespace fetchly {
namespace {

TEST(DirectoryEdit, TextAndChangeSignal)
{
    TDirectoryEdit edit;
    int changes = 0;
    QObject::connect(&edit, &TDirectoryEdit::textChanged, [&](const QString &) { ++changes; });
    edit.setText("/tmp/a/");
    edit.lineEdit()->setText("/tmp/b/");
    EXPECT_EQ(edit.text(), "/tmp/b/");
    EXPECT_EQ(changes, 2);
    EXPECT_NE(edit.browseButton(), nullptr);
}

TEST(DirectoryEdit, BrowsingPutsTheChosenFolderWithASeparator)
{
    test::TempDir dir;
    TDirectoryEdit edit;
    edit.setText(QString::fromStdString(dir.str()));
    std::filesystem::create_directories(dir.path() / "chosen");
    test::OnNextModal([&](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        ASSERT_NE(dialog, nullptr);
        dialog->setDirectory(QString::fromStdString((dir.path() / "chosen").string()));
        static_cast<QDialog *>(dialog)->accept();
    });
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs, true);
    EXPECT_TRUE(edit.browse());
    EXPECT_EQ(edit.text().toStdString(), (dir.path() / "chosen").string() + "/");
    test::OnNextModal([](QWidget *modal) { qobject_cast<QDialog *>(modal)->reject(); });
    EXPECT_FALSE(edit.browse());
    EXPECT_EQ(edit.text().toStdString(), (dir.path() / "chosen").string() + "/");
}

TEST(InputBoxDialog, ConfirmedTextOrTheDefaultOnCancel)
{
    test::OnNextModal([](QWidget *modal) {
        qobject_cast<TInputBox *>(modal)->edit()->setText("typed");
        qobject_cast<QDialog *>(modal)->accept();
    });
    EXPECT_EQ(InputBox("C", "P", "def"), "typed");
    test::OnNextModal([](QWidget *modal) {
        qobject_cast<TInputBox *>(modal)->edit()->setText("typed");
        qobject_cast<QDialog *>(modal)->reject();
    });
    EXPECT_EQ(InputBox("C", "P", "def"), "def");
}

TEST(TrayIcon, HintFollowsAndShowsOnlyWhereATrayExists)
{
    TTrayIcon tray(QIcon(), "first");
    EXPECT_EQ(tray.Hint(), "first");
    tray.SetHint("Fetchly Downloading : 1kb of 2kb");
    EXPECT_EQ(tray.Hint(), "Fetchly Downloading : 1kb of 2kb");
    EXPECT_EQ(tray.Shown(), TTrayIcon::Available());
}

} // namespace
} // namespace fetchly
