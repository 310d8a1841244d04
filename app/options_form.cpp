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
    CheckBox1 = checkBox(ftp, "CheckBox1", QStringLiteral("FTP Passive"), 20, 22, 150);
    ProxEdit = labelledEdit(ftp, "ProxEdit", QStringLiteral("Proxy Name"), 90, 44);
    PassEdit = labelledEdit(ftp, "PassEdit", QStringLiteral("Proxy Password"), 90, 68);
    UserEdit = labelledEdit(ftp, "UserEdit", QStringLiteral("Proxy UserID"), 90, 92);

    auto *general = new QGroupBox(QStringLiteral("General Settings"), this);
    general->setGeometry(6, 142, 161, 143);
    CheckBox2 = checkBox(general, "CheckBox2", QStringLiteral("Show Status Dialog"), 10, 22, 149);
    CheckBox3 = checkBox(general, "CheckBox3", QStringLiteral("Show Open File Dialog"), 10, 42, 149);
    CheckBox4 = checkBox(general, "CheckBox4", QStringLiteral("Show Open Folder Dialog"), 10, 62, 149);
    diredit = new QLineEdit(DefaultTargetDir(), general);
    diredit->setObjectName(QStringLiteral("diredit"));
    diredit->setGeometry(10, 90, 140, 21);
    diredit->setVisible(false);

    auto *links = new QGroupBox(QStringLiteral("Link Types To Accept"), this);
    links->setGeometry(174, 142, 173, 143);
    LinksList = new QListWidget(links);
    LinksList->setObjectName(QStringLiteral("LinksList"));
    LinksList->setGeometry(10, 18, 155, 115);
    LinksMenu = new QMenu(LinksList);
    AddLinkType1 = LinksMenu->addAction(QStringLiteral("&Add Link Type"));
    AddLinkType1->setObjectName(QStringLiteral("AddLinkType1"));
    DeleteLinkType1 = LinksMenu->addAction(QStringLiteral("&Delete Link Type"));
    DeleteLinkType1->setObjectName(QStringLiteral("DeleteLinkType1"));
    LinksList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(LinksList, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { LinksMenu->popup(LinksList->viewport()->mapToGlobal(pos)); });
    connect(AddLinkType1, &QAction::triggered, this, &TOptionsForm::AddLinkType1Click);
    connect(DeleteLinkType1, &QAction::triggered, this, &TOptionsForm::DeleteLinkType1Click);

    auto *bottom = new QWidget(this);
    bottom->setGeometry(0, 327 - 34, 355, 34);
    Button1 = new QPushButton(QStringLiteral("Ok"), bottom);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(192, 4, 75, 25);
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("Cancel"), bottom);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(272, 4, 75, 25);
    connect(Button1, &QPushButton::clicked, this, &TOptionsForm::accept);
    connect(Button2, &QPushButton::clicked, this, &TOptionsForm::reject);
    // In the free corner of the button row, so the designed controls stay.
    AdvancedButton = new QPushButton(QStringLiteral("&Advanced..."), bottom);
    AdvancedButton->setObjectName(QStringLiteral("AdvancedButton"));
    AdvancedButton->setGeometry(8, 4, 75, 25);
    connect(AdvancedButton, &QPushButton::clicked, this, &TOptionsForm::AdvancedButtonClick);

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
    CheckBox1->setChecked(options.FtpPassive);
    ProxEdit->setText(QString::fromStdString(options.Proxy));
    PassEdit->setText(QString::fromStdString(options.ProxyPassword));
    UserEdit->setText(QString::fromStdString(options.ProxyUserID));
    CheckBox2->setChecked(options.ShowDialog);
    CheckBox3->setChecked(options.ShowOpenFile);
    CheckBox4->setChecked(options.ShowOpenFolder);
    diredit->setText(QString::fromStdString(options.TargetDir));
    LinksList->clear();
    for (const std::string &type : options.LinkTypes.Types)
        LinksList->addItem(QString::fromStdString(type));
    LinksList->setCurrentRow(options.LinkTypes.Selected);
}

TAppOptions TOptionsForm::ShownOptions() const
{
    TAppOptions options = m_copy;
    options.FtpPassive = CheckBox1->isChecked();
    options.Proxy = ProxEdit->text().toStdString();
    options.ProxyPassword = PassEdit->text().toStdString();
    options.ProxyUserID = UserEdit->text().toStdString();
    options.ShowDialog = CheckBox2->isChecked();
    options.ShowOpenFile = CheckBox3->isChecked();
    options.ShowOpenFolder = CheckBox4->isChecked();
    options.LinkTypes = {LinkTypes(), LinksList->currentRow()};
    return options;
}

int TOptionsForm::addLinkType(const std::string &typed)
{
    const std::string type = LinkTypeFromInput(typed);
    if (type.empty())
        return -1;
    for (int i = 0; i < LinksList->count(); ++i) {
        if (SameKey(LinksList->item(i)->text().toStdString(), type))
            return i;
    }
    LinksList->addItem(QString::fromStdString(type));
    return LinksList->count() - 1;
}

std::vector<std::string> TOptionsForm::LinkTypes() const
{
    std::vector<std::string> types;
    types.reserve(static_cast<std::size_t>(LinksList->count()));
    for (int i = 0; i < LinksList->count(); ++i)
        types.push_back(LinksList->item(i)->text().toStdString());
    return types;
}

void TOptionsForm::AddLinkType1Click()
{
    const QString link =
        InputBox(QStringLiteral("Add A Link Type (jpg etc)"), QStringLiteral("Link :"), QString(), this);
    // A type already in the list is not added twice; it is selected instead.
    if (const int row = addLinkType(link.toStdString()); row >= 0)
        LinksList->setCurrentRow(row);
}

void TOptionsForm::DeleteLinkType1Click()
{
    const int row = LinksList->currentRow();
    if (row >= 0 && row < LinksList->count())
        delete LinksList->takeItem(row);
}

void TOptionsForm::AdvancedButtonClick()
{
    TTransferOptionsDialog dialog(m_copy, this);
    if (dialog.exec() == QDialog::Accepted)
        dialog.Apply(m_copy);
}

} // namespace fetchly
