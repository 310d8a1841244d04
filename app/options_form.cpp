#include "app/options_form.h"

#include "app/core/download_lines.h"
#include "app/core/entry_table.h"
#include "app/transfer_options_dialog.h"
#include "ui/input_box.h"

#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QStandardPaths>

namespace fetchly {

QString DefaultTargetDir()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    if (dir.isEmpty())
        dir = QDir::homePath();
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}

namespace {

QLineEdit *labelledEdit(QWidget *parent, const char *name, const QString &label, int x, int y)
{
    auto *text = new QLabel(label, parent);
    text->setGeometry(8, y + 3, x - 10, 16);
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setGeometry(x, y, 193, 21);
    text->setBuddy(edit);
    return edit;
}

QCheckBox *checkBox(QWidget *parent, const char *name, const QString &caption, int x, int y, int width)
{
    auto *box = new QCheckBox(caption, parent);
    box->setObjectName(QLatin1String(name));
    box->setGeometry(x, y, width, 18);
    return box;
}

} // namespace

TOptionsForm::TOptionsForm(QWidget *parent) : QDialog(parent)
{
    buildDesign();
    TAppOptions designed;
    designed.TargetDir = DefaultTargetDir().toStdString();
    ShowOptions(designed);
}

void TOptionsForm::buildDesign()
{
    setObjectName(QStringLiteral("OptionsForm"));
    setWindowTitle(QStringLiteral("Orv Fetchly Options"));
    // The designed pixel layout was made for a narrow bitmap font; the fonts
    // found in its place run wider, so they are narrowed to fit the layout.
    QFont font(QStringLiteral("MS Sans Serif"), 8);
    font.setStretch(QFont::SemiCondensed);
    setFont(font);
    setFixedSize(355, 327);

    auto *ftp = new QGroupBox(QStringLiteral("FTP Settings"), this);
    ftp->setGeometry(6, 4, 341, 131);
    passiveFtpCheck = checkBox(ftp, "passiveFtpCheck", QStringLiteral("FTP Passive"), 20, 22, 150);
    proxyEdit = labelledEdit(ftp, "proxyEdit", QStringLiteral("Proxy Name"), 90, 44);
    proxyPasswordEdit = labelledEdit(ftp, "proxyPasswordEdit", QStringLiteral("Proxy Password"), 90, 68);
    proxyUserEdit = labelledEdit(ftp, "proxyUserEdit", QStringLiteral("Proxy UserID"), 90, 92);

    auto *general = new QGroupBox(QStringLiteral("General Settings"), this);
    general->setGeometry(6, 142, 161, 143);
    showDialogCheck = checkBox(general, "showDialogCheck", QStringLiteral("Show Status Dialog"), 10, 22, 149);
    showOpenFileCheck =
        checkBox(general, "showOpenFileCheck", QStringLiteral("Show Open File Dialog"), 10, 42, 149);
    showOpenFolderCheck =
        checkBox(general, "showOpenFolderCheck", QStringLiteral("Show Open Folder Dialog"), 10, 62, 149);
    targetFolderEdit = new QLineEdit(DefaultTargetDir(), general);
    targetFolderEdit->setObjectName(QStringLiteral("targetFolderEdit"));
    targetFolderEdit->setGeometry(10, 90, 140, 21);
    targetFolderEdit->setVisible(false);

    auto *links = new QGroupBox(QStringLiteral("Link Types To Accept"), this);
    links->setGeometry(174, 142, 173, 143);
    linkTypesList = new QListWidget(links);
    linkTypesList->setObjectName(QStringLiteral("linkTypesList"));
    linkTypesList->setGeometry(10, 18, 155, 115);
    linkTypesMenu = new QMenu(linkTypesList);
    addLinkTypeAction = linkTypesMenu->addAction(QStringLiteral("&Add Link Type"));
    addLinkTypeAction->setObjectName(QStringLiteral("addLinkTypeAction"));
    deleteLinkTypeAction = linkTypesMenu->addAction(QStringLiteral("&Delete Link Type"));
    deleteLinkTypeAction->setObjectName(QStringLiteral("deleteLinkTypeAction"));
    linkTypesList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(linkTypesList, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { linkTypesMenu->popup(linkTypesList->viewport()->mapToGlobal(pos)); });
    connect(addLinkTypeAction, &QAction::triggered, this, &TOptionsForm::onAddLinkTypeClicked);
    connect(deleteLinkTypeAction, &QAction::triggered, this, &TOptionsForm::onDeleteLinkTypeClicked);

    auto *bottom = new QWidget(this);
    bottom->setGeometry(0, 327 - 34, 355, 34);
    okButton = new QPushButton(QStringLiteral("Ok"), bottom);
    okButton->setObjectName(QStringLiteral("okButton"));
    okButton->setGeometry(192, 4, 75, 25);
    okButton->setDefault(true);
    cancelButton = new QPushButton(QStringLiteral("Cancel"), bottom);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    cancelButton->setGeometry(272, 4, 75, 25);
    connect(okButton, &QPushButton::clicked, this, &TOptionsForm::accept);
    connect(cancelButton, &QPushButton::clicked, this, &TOptionsForm::reject);
    // In the free corner of the button row, so the designed controls stay.
    advancedButton = new QPushButton(QStringLiteral("&Advanced..."), bottom);
    advancedButton->setObjectName(QStringLiteral("advancedButton"));
    advancedButton->setGeometry(8, 4, 75, 25);
    connect(advancedButton, &QPushButton::clicked, this, &TOptionsForm::onAdvancedClicked);

    // Where the dialog was designed to appear.
    move(268, 148);
}

std::optional<TAppOptions> TOptionsForm::Edit(const TAppOptions &options)
{
    ShowOptions(options);
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    return ShownOptions();
}

void TOptionsForm::ShowOptions(const TAppOptions &options)
{
    m_copy = options;
    passiveFtpCheck->setChecked(options.FtpPassive);
    proxyEdit->setText(QString::fromStdString(options.Proxy));
    proxyPasswordEdit->setText(QString::fromStdString(options.ProxyPassword));
    proxyUserEdit->setText(QString::fromStdString(options.ProxyUserID));
    showDialogCheck->setChecked(options.ShowDialog);
    showOpenFileCheck->setChecked(options.ShowOpenFile);
    showOpenFolderCheck->setChecked(options.ShowOpenFolder);
    targetFolderEdit->setText(QString::fromStdString(options.TargetDir));
    linkTypesList->clear();
    for (const std::string &type : options.LinkTypes.Types)
        linkTypesList->addItem(QString::fromStdString(type));
    linkTypesList->setCurrentRow(options.LinkTypes.Selected);
}

TAppOptions TOptionsForm::ShownOptions() const
{
    TAppOptions options = m_copy;
    options.FtpPassive = passiveFtpCheck->isChecked();
    options.Proxy = proxyEdit->text().toStdString();
    options.ProxyPassword = proxyPasswordEdit->text().toStdString();
    options.ProxyUserID = proxyUserEdit->text().toStdString();
    options.ShowDialog = showDialogCheck->isChecked();
    options.ShowOpenFile = showOpenFileCheck->isChecked();
    options.ShowOpenFolder = showOpenFolderCheck->isChecked();
    options.LinkTypes = {LinkTypes(), linkTypesList->currentRow()};
    return options;
}

int TOptionsForm::addLinkType(const std::string &typed)
{
    const std::string type = LinkTypeFromInput(typed);
    if (type.empty())
        return -1;
    for (int i = 0; i < linkTypesList->count(); ++i) {
        if (SameKey(linkTypesList->item(i)->text().toStdString(), type))
            return i;
    }
    linkTypesList->addItem(QString::fromStdString(type));
    return linkTypesList->count() - 1;
}

std::vector<std::string> TOptionsForm::LinkTypes() const
{
    std::vector<std::string> types;
    types.reserve(static_cast<std::size_t>(linkTypesList->count()));
    for (int i = 0; i < linkTypesList->count(); ++i)
        types.push_back(linkTypesList->item(i)->text().toStdString());
    return types;
}

void TOptionsForm::onAddLinkTypeClicked()
{
    const QString link =
        InputBox(QStringLiteral("Add A Link Type (jpg etc)"), QStringLiteral("Link :"), QString(), this);
    // A type already in the list is not added twice; it is selected instead.
    if (const int row = addLinkType(link.toStdString()); row >= 0)
        linkTypesList->setCurrentRow(row);
}

void TOptionsForm::onDeleteLinkTypeClicked()
{
    const int row = linkTypesList->currentRow();
    if (row >= 0 && row < linkTypesList->count())
        delete linkTypesList->takeItem(row);
}

void TOptionsForm::onAdvancedClicked()
{
    TTransferOptionsDialog dialog(m_copy, this);
    if (dialog.exec() == QDialog::Accepted)
        dialog.Apply(m_copy);
}

} // namespace fetchly
